#include "ui/ReplaceRuleFormUnit.h"

#include "base/uExceptions.h"
#include "page/ReplaceRulesUnit.h"
#include "ui/TabOrderUnit.h"
#include "ui/uFormUtils.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tarrow {

TReplaceRuleForm::TReplaceRuleForm(QWidget* AParent) : QDialog(AParent) {
    setObjectName(QStringLiteral("ReplaceRuleForm"));
    setWindowTitle(tr("Replace Rule"));
    FPatternEdit = NewEdit(this, QStringLiteral("PatternEdit"));
    FRuleEdit = NewEdit(this, QStringLiteral("RuleEdit"));
    FSubjectEdit = NewEdit(this, QStringLiteral("SubjectEdit"));
    FTestMemo = new QPlainTextEdit(this);
    FTestMemo->setObjectName(QStringLiteral("TestMemo"));
    FTestMemo->setReadOnly(true);
    FTestMemo->setAccessibleName(tr("Test"));
    FTestMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    FTestMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FResultLabel = NewLabel(QString(), this, QStringLiteral("ResultLabel"));
    FResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long result must not widen the fixed-size dialog.
    FResultLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QPushButton* test = NewButton(tr("&Test"), this, QStringLiteral("TestButton"));
    test->setAutoDefault(false);
    FOKButton = NewButton(tr("&OK"), this, QStringLiteral("OKButton"));
    FOKButton->setDefault(true);
    FOKButton->setEnabled(false);
    QPushButton* cancel = NewButton(tr("&Cancel"), this, QStringLiteral("CancelButton"));
    SetHint(FPatternEdit, tr("The regular expression that finds the text to replace"));
    SetHint(FRuleEdit, tr("What replaces each match ($1 for the first group)"));
    SetHint(FSubjectEdit, tr("A sample text to try the rule on"));
    SetHint(FTestMemo, tr("What the rule found and made of the sample text"));
    SetHint(test, tr("Shows what the rule makes of the sample text"));
    SetHint(FOKButton, tr("Takes the entry"), {QKeySequence(Qt::Key_Return)});
    SetHint(cancel, tr("Closes without taking the entry"), {QKeySequence(Qt::Key_Escape)});

    auto* fields = new QFormLayout;
    fields->addRow(NewFieldLabel(tr("Replace Pattern:"), FPatternEdit), FPatternEdit);
    fields->addRow(NewFieldLabel(tr("Replace Rule:"), FRuleEdit), FRuleEdit);
    auto* group = new QGroupBox(tr("Test"), this);
    auto* subject = new QHBoxLayout;
    subject->addWidget(NewFieldLabel(tr("Subject:"), FSubjectEdit));
    subject->addWidget(FSubjectEdit, 1);
    subject->addWidget(test);
    auto* result = new QHBoxLayout;
    result->addWidget(NewFieldLabel(tr("Result:"), FResultLabel));
    result->addWidget(FResultLabel, 1);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(subject);
    groupLayout->addWidget(FTestMemo, 1);
    groupLayout->addLayout(result);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FOKButton);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);
    SetFixedDialog(this, 595, 426);
    SortTabOrder(this);

    FSubjectEdit->installEventFilter(this);
    connect(FPatternEdit, &QLineEdit::textChanged, this, &TReplaceRuleForm::PatternEditChange);
    connect(test, &QPushButton::clicked, this, &TReplaceRuleForm::TestButtonClick);
    connect(FOKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TReplaceRuleForm::PatternEditChange() {
    FOKButton->setEnabled(!FPatternEdit->text().isEmpty());
}

void TReplaceRuleForm::showEvent(QShowEvent* AEvent) {
    FTestMemo->clear();
    FResultLabel->clear();
    QDialog::showEvent(AEvent);
}

bool TReplaceRuleForm::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AWatched == FSubjectEdit && AEvent->type() == QEvent::KeyPress) {
        const int key = static_cast<const QKeyEvent*>(AEvent)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            TestButtonClick();
            return true;
        }
    }
    return QDialog::eventFilter(AWatched, AEvent);
}

void TReplaceRuleForm::TestButtonClick() {
    QStringList lines;
    try {
        const TReplaceRuleTestResult test =
            TestReplaceRule(FPatternEdit->text(), FRuleEdit->text(), FSubjectEdit->text());
        lines = test.Lines;
        if (test.ResultValid)
            FResultLabel->setText(test.Result);
    } catch (const std::exception& E) {
        lines.append(ExceptionMessage(E));
    }
    FTestMemo->setPlainText(lines.join(u'\n'));
    // The first lines in view.
    FTestMemo->moveCursor(QTextCursor::Start);
    FTestMemo->ensureCursorVisible();
}

bool TReplaceRuleForm::Execute(QString& APattern, QString& ARuleText) {
    FPatternEdit->setText(APattern);
    FRuleEdit->setText(ARuleText);
    PatternEditChange();
    FPatternEdit->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    APattern = FPatternEdit->text();
    ARuleText = FRuleEdit->text();
    return true;
}

} // namespace tarrow
