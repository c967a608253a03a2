#include "ui/WebDocFormUnit.h"

#include "ui/TabOrderUnit.h"
#include "ui/uFormUtils.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarrow {

TWebDocForm::TWebDocForm(QWidget* AParent) : QDialog(AParent) {
    setObjectName(QStringLiteral("WebDocForm"));
    setWindowTitle(QStringLiteral("Download Files"));
    FWebDocumentEdit = NewEdit(this, QStringLiteral("WebDocumentEdit"));
    FOutFolderEdit = NewEdit(this, QStringLiteral("OutFolderEdit"));
    FOKButton = NewButton(QStringLiteral("&OK"), this, QStringLiteral("OKButton"));
    FOKButton->setDefault(true);
    FOKButton->setEnabled(false);
    QPushButton* cancel =
        NewButton(QStringLiteral("&Cancel"), this, QStringLiteral("CancelButton"));
    SetHint(FWebDocumentEdit, QStringLiteral("The address of a file to download as it is"));
    SetHint(FOutFolderEdit, QStringLiteral("The folder the file is saved in"));
    SetHint(FOKButton, QStringLiteral("Takes the entry"), {QKeySequence(Qt::Key_Return)});
    SetHint(cancel, QStringLiteral("Closes without taking the entry"),
            {QKeySequence(Qt::Key_Escape)});

    auto* fields = new QFormLayout;
    fields->addRow(NewFieldLabel(QStringLiteral("URL starts with:"), FWebDocumentEdit),
                   FWebDocumentEdit);
    fields->addRow(NewFieldLabel(QStringLiteral("Output Folder:"), FOutFolderEdit), FOutFolderEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FOKButton);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        NewLabel(QStringLiteral("Download files which URL starts with a specific string."), this));
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons);
    SetFixedDialog(this, 507, 196);
    SortTabOrder(this);

    connect(FWebDocumentEdit, &QLineEdit::textChanged, this, &TWebDocForm::WebDocumentEditChange);
    connect(FOKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TWebDocForm::WebDocumentEditChange() {
    FOKButton->setEnabled(!FWebDocumentEdit->text().isEmpty());
}

bool TWebDocForm::Execute(QString& AWebDocument, QString& AOutFolder) {
    FWebDocumentEdit->setText(AWebDocument);
    FOutFolderEdit->setText(AOutFolder);
    WebDocumentEditChange();
    FWebDocumentEdit->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    AWebDocument = FWebDocumentEdit->text();
    AOutFolder = FOutFolderEdit->text();
    return true;
}

} // namespace tarrow
