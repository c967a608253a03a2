#include "ui/uFormUtils.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStringList>
#include <QValidator>
#include <QWidget>
#include <QWindow>
#include <limits>

namespace tarrow {

namespace {

// Keeps a one-line field on one line: line breaks typed or pasted become one blank.
class TOneLineValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& AInput, int& APos) const override {
        static const QRegularExpression breaks(QStringLiteral("[\r\n]+"));
        if (AInput.contains(u'\n') || AInput.contains(u'\r')) {
            const qsizetype before = AInput.size();
            AInput.replace(breaks, QStringLiteral(" "));
            APos = int(qMax<qsizetype>(0, APos - (before - AInput.size())));
        }
        return Acceptable;
    }
};

} // namespace

QLineEdit* NewEdit(QWidget* AParent, const QString& AName) {
    auto* edit = new QLineEdit(AParent);
    edit->setObjectName(AName);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setValidator(new TOneLineValidator(edit));
    return edit;
}

QLabel* NewLabel(const QString& AText, QWidget* AParent, const QString& AName) {
    auto* label = new QLabel(AParent);
    label->setTextFormat(Qt::PlainText);
    label->setText(AText);
    if (!AName.isEmpty())
        label->setObjectName(AName);
    return label;
}

QLabel* NewFieldLabel(const QString& AText, QWidget* AField) {
    QLabel* label = NewLabel(AText, AField->parentWidget());
    label->setBuddy(AField);
    // The name a screen reader says: without the mnemonic's "&" ("&&" stands for one "&").
    QString name;
    for (qsizetype i = 0; i < AText.size(); ++i) {
        if (AText[i] == u'&' && i + 1 < AText.size())
            ++i;
        name.append(AText[i]);
    }
    if (name.endsWith(u':'))
        name.chop(1);
    AField->setAccessibleName(name);
    return label;
}

QLabel* NewLinkLabel(const QString& AText, QWidget* AParent, const QString& AName) {
    auto* label = new QLabel(AParent);
    label->setObjectName(AName);
    label->setTextFormat(Qt::RichText);
    // The link takes the palette's link colour, which stays readable on a dark palette.
    label->setText(QStringLiteral("<a href=\"#\">") + AText.toHtmlEscaped() +
                   QStringLiteral("</a>"));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

QPushButton* NewButton(const QString& AText, QWidget* AParent, const QString& AName) {
    auto* button = new QPushButton(AText, AParent);
    button->setObjectName(AName);
    return button;
}

QString HintText(const QString& AText, const QList<QKeySequence>& AKeys) {
    QStringList keys;
    for (const QKeySequence& key : AKeys)
        keys << key.toString(QKeySequence::NativeText);
    return keys.isEmpty() ? AText
                          : AText + QStringLiteral(" (") + keys.join(QStringLiteral(", ")) + u')';
}

void SetHint(QWidget* AWidget, const QString& AText, const QList<QKeySequence>& AKeys) {
    AWidget->setToolTip(HintText(AText, AKeys));
    AWidget->setWhatsThis(AText);
}

void SetFixedDialog(QWidget* AForm, int AClientWidth, int AClientHeight) {
    AForm->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    AForm->setFixedSize(AClientWidth, AClientHeight);
}

void FitOnScreen(QWidget* AForm, QSize AWanted) {
    const QScreen* screen = AForm->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The frame is known only once the window manager has framed the window, which is after it
    // is shown: until then a title bar's and borders' worth is kept free.
    const QWindow* window = AForm->windowHandle();
    const QMargins margins = window ? window->frameMargins() : QMargins();
    const QSize frame = margins.isNull() ? QSize(16, 40)
                                         : QSize(margins.left() + margins.right(),
                                                 margins.top() + margins.bottom());
    AForm->resize(AWanted.boundedTo(area.size() - frame));
    // The window with its frame (pos() is the frame's corner) lies wholly on the screen.
    QRect rect(AForm->pos(), AForm->size() + frame);
    rect.moveLeft(qBound(area.left(), rect.left(), qMax(area.left(), area.right() - rect.width())));
    rect.moveTop(qBound(area.top(), rect.top(), qMax(area.top(), area.bottom() - rect.height())));
    AForm->move(rect.topLeft());
}

void CenterOnScreen(QWidget* AForm) {
    const QScreen* screen = AForm->screen();
    if (!screen)
        return;
    QRect frame = AForm->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    AForm->move(frame.topLeft());
}

} // namespace tarrow
