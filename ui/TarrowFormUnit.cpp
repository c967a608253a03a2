#include "ui/TarrowFormUnit.h"

#include <QMessageBox>
#include <QWidget>

namespace tarrow {

namespace {

TMessageHandler& Handler() {
    static TMessageHandler handler;
    return handler;
}

QString ApplicationTitle() {
    return QStringLiteral("Tarrow");
}

// Texts come from the user and the network: shown as plain text, never as markup.
bool ShowBox(QWidget* AParent, const TMessage& AMessage) {
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
        box.setDefaultButton(QMessageBox::Yes);
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
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Retry);
        return box.exec() == QMessageBox::Retry;
    }
    return box.exec() == QMessageBox::Yes;
}

} // namespace

void SetMessageHandler(TMessageHandler AHandler) {
    Handler() = std::move(AHandler);
}

void ShowError(QWidget* AParent, const QString& AMessage) {
    ShowBox(AParent, {TMessageKind::mkError, ApplicationTitle(), AMessage});
}

bool AskRetry(QWidget* AParent, const QString& AMessage) {
    return ShowBox(AParent, {TMessageKind::mkRetry, ApplicationTitle(), AMessage});
}

void ShowInformation(QWidget* AParent, const QString& AMessage) {
    ShowBox(AParent, {TMessageKind::mkInformation, ApplicationTitle(), AMessage});
}

void TTarrowForm::Warning(const QString& AMsg) const {
    ShowBox(FForm, {TMessageKind::mkWarning, FForm->windowTitle(), AMsg});
}

bool TTarrowForm::Confirm(const QString& AConfirmTitle, const QString& AConfirmQuery) const {
    return ShowBox(FForm, {TMessageKind::mkConfirm, AConfirmTitle, AConfirmQuery});
}

bool TTarrowForm::CheckNotEmpty(const QString& AValue, const QString& AName) const {
    if (!AValue.isEmpty())
        return true;
    Warning(QStringLiteral("Please, enter ") + AName);
    return false;
}

} // namespace tarrow
