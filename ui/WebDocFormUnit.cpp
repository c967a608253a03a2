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
    setWindowTitle(tr("Download Files"));
    FWebDocumentEdit = NewEdit(this, QStringLiteral("WebDocumentEdit"));
    FOutFolderEdit = NewEdit(this, QStringLiteral("OutFolderEdit"));
    FOKButton = NewButton(tr("&OK"), this, QStringLiteral("OKButton"));
    FOKButton->setDefault(true);
    FOKButton->setEnabled(false);
    QPushButton* cancel = NewButton(tr("&Cancel"), this, QStringLiteral("CancelButton"));
    SetHint(FWebDocumentEdit, tr("The address of a file to download as it is"));
    SetHint(FOutFolderEdit, tr("The folder the file is saved in"));
    SetHint(FOKButton, tr("Takes the entry"), {QKeySequence(Qt::Key_Return)});
    SetHint(cancel, tr("Closes without taking the entry"), {QKeySequence(Qt::Key_Escape)});

    auto* fields = new QFormLayout;
    fields->addRow(NewFieldLabel(tr("URL starts with:"), FWebDocumentEdit), FWebDocumentEdit);
    fields->addRow(NewFieldLabel(tr("Output Folder:"), FOutFolderEdit), FOutFolderEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FOKButton);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        NewLabel(tr("Download files which URL starts with a specific string."), this));
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
