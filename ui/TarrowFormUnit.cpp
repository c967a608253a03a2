#include "ui/TarrowFormUnit.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace tarrow {

namespace {

struct TTexts {
    Q_DECLARE_TR_FUNCTIONS(tarrow::TTarrowForm)
};

TMessageHandler& Handler() {
    static TMessageHandler handler;
    return handler;
}

QString ApplicationTitle() {
    return QStringLiteral("Tarrow");
}

int AskRetry(QMessageBox& ABox, bool AOffersClose) {
    ABox.setIcon(QMessageBox::Critical);
    ABox.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
    ABox.setDefaultButton(QMessageBox::Retry);
    QAbstractButton* discard = AOffersClose ? ABox.addButton(TTexts::tr("Close &Without Saving"),
                                                             QMessageBox::DestructiveRole)
                                            : nullptr;
    ABox.exec();
    if (discard && ABox.clickedButton() == discard)
        return CloseWithoutSavingAnswer;
    return ABox.clickedButton() == ABox.button(QMessageBox::Retry) ? 1 : 0;
}

// Texts come from the user and the network: shown as plain text, never as markup.
int ShowBox(QWidget* AParent, const TMessage& AMessage) {
    if (Handler())
        return Handler()(AMessage);
    QMessageBox box(AParent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(AMessage.Title);
    box.setText(AMessage.Text);
    switch (AMessage.Kind) {
    case TMessageKind::mkConfirm:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // Every confirmation asks before something is lost: Enter must not lose it.
        box.setDefaultButton(QMessageBox::No);
        break;
    case TMessageKind::mkWarning:
        box.setIcon(QMessageBox::Warning);
        break;
    case TMessageKind::mkError:
        box.setIcon(QMessageBox::Critical);
        break;
    case TMessageKind::mkInformation:
        box.setIcon(QMessageBox::Information);
        break;
    case TMessageKind::mkRetry:
        return AskRetry(box, AMessage.OffersClose);
    }
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

} // namespace

void SetMessageHandler(TMessageHandler AHandler) {
    Handler() = std::move(AHandler);
}

void ShowError(QWidget* AParent, const QString& AMessage) {
    ShowBox(AParent, {TMessageKind::mkError, ApplicationTitle(), AMessage});
}

bool AskRetry(QWidget* AParent, const QString& AMessage) {
    return ShowBox(AParent, {TMessageKind::mkRetry, ApplicationTitle(), AMessage}) == 1;
}

TSaveFailedChoice AskRetryOrClose(QWidget* AParent, const QString& AMessage) {
    switch (ShowBox(AParent, {TMessageKind::mkRetry, ApplicationTitle(), AMessage, true})) {
    case 1:
        return TSaveFailedChoice::scRetry;
    case CloseWithoutSavingAnswer:
        return TSaveFailedChoice::scCloseWithoutSaving;
    default:
        return TSaveFailedChoice::scCancel;
    }
}

void ShowInformation(QWidget* AParent, const QString& AMessage) {
    ShowBox(AParent, {TMessageKind::mkInformation, ApplicationTitle(), AMessage});
}

void TTarrowForm::Warning(const QString& AMsg) const {
    ShowBox(FForm, {TMessageKind::mkWarning, FForm->windowTitle(), AMsg});
}

bool TTarrowForm::Confirm(const QString& AConfirmTitle, const QString& AConfirmQuery) const {
    return ShowBox(FForm, {TMessageKind::mkConfirm, AConfirmTitle, AConfirmQuery}) == 1;
}

bool TTarrowForm::CheckNotEmpty(const QString& AValue, const QString& AName) const {
    if (!AValue.isEmpty())
        return true;
    Warning(TTexts::tr("Please, enter %1").arg(AName));
    return false;
}

} // namespace tarrow
