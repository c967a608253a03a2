#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tarrow {

// "Replace Rule": a replace pattern and its replacement, with a test area that shows what the
// rule does to a sample text. The sample text is kept from one opening to the next.
class TReplaceRuleForm final : public QDialog {
    Q_OBJECT
public:
    explicit TReplaceRuleForm(QWidget* AParent = nullptr);

    // Shows the dialog with the two texts; true, and both written back as typed, on "OK".
    bool Execute(QString& APattern, QString& ARuleText);

    void TestButtonClick();

protected:
    void showEvent(QShowEvent* AEvent) override;
    // Enter in "Subject:" runs the test instead of closing the dialog.
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void PatternEditChange();

    QLineEdit* FPatternEdit;
    QLineEdit* FRuleEdit;
    QLineEdit* FSubjectEdit;
    QPlainTextEdit* FTestMemo;
    QLabel* FResultLabel;
    QPushButton* FOKButton;
};

} // namespace tarrow
