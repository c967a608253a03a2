#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tarrow {

// "Web Page": one start page of a project and how deep its links are followed.
class TWebPageForm final : public QDialog {
    Q_OBJECT
public:
    explicit TWebPageForm(QWidget* AParent = nullptr);

    // Shows the dialog with the two values; true, and both written back, when the user confirms.
    // A depth that is not an integer is reported and the dialog stays open.
    bool Execute(QString& AWebPage, int& AExtractURLs);

private:
    void OKButtonClick();
    void WebPageEditChange();

    QLineEdit* FWebPageEdit;
    QLineEdit* FExtractURLsEdit;
    QPushButton* FOKButton;
    int FExtractURLs = 0;
};

// "'%s' is not a valid integer value"
QString InvalidIntegerMessage(const QString& AText);

} // namespace tarrow
