#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tarrow {

// "Download Files": one download-file rule, a URL prefix and the folder its files go to.
class TWebDocForm final : public QDialog {
    Q_OBJECT
public:
    explicit TWebDocForm(QWidget* AParent = nullptr);

    // Shows the dialog with the two texts; true, and both written back as typed, on "OK".
    bool Execute(QString& AWebDocument, QString& AOutFolder);

private:
    void WebDocumentEditChange();

    QLineEdit* FWebDocumentEdit;
    QLineEdit* FOutFolderEdit;
    QPushButton* FOKButton;
};

} // namespace tarrow
