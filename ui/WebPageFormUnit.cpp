#include "ui/WebPageFormUnit.h"

#include "base/uStrUtils.h"
#include "ui/TabOrderUnit.h"
#include "ui/TarrowFormUnit.h"
#include "ui/uFormUtils.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarrow {

QString InvalidIntegerMessage(const QString& AText) {
    return TWebPageForm::tr("'%1' is not a valid integer value").arg(AText);
}

TWebPageForm::TWebPageForm(QWidget* AParent) : QDialog(AParent) {
    setObjectName(QStringLiteral("WebPageForm"));
    setWindowTitle(tr("Web Page"));
    FWebPageEdit = NewEdit(this, QStringLiteral("WebPageEdit"));
    FExtractURLsEdit = NewEdit(this, QStringLiteral("ExtractURLsEdit"));
    FExtractURLsEdit->setText(QStringLiteral("0"));
    FOKButton = NewButton(tr("&OK"), this, QStringLiteral("OKButton"));
    FOKButton->setDefault(true);
    FOKButton->setEnabled(false);
    QPushButton* cancel = NewButton(tr("&Cancel"), this, QStringLiteral("CancelButton"));
    SetHint(FWebPageEdit, tr("The address of a page to start downloading from"));
    SetHint(FExtractURLsEdit,
            tr("How many links deep to follow from this page (0: the page only)"));
    SetHint(FOKButton, tr("Takes the entry"), {QKeySequence(Qt::Key_Return)});
    SetHint(cancel, tr("Closes without taking the entry"), {QKeySequence(Qt::Key_Escape)});

    auto* fields = new QFormLayout;
    fields->addRow(NewFieldLabel(tr("URL:"), FWebPageEdit), FWebPageEdit);
    fields->addRow(NewFieldLabel(tr("Extract URLs Depth:"), FExtractURLsEdit), FExtractURLsEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FOKButton);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(NewLabel(tr("Download web page from a specific URL."), this));
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons);
    SetFixedDialog(this, 450, 193);
    SortTabOrder(this);

    connect(FWebPageEdit, &QLineEdit::textChanged, this, &TWebPageForm::WebPageEditChange);
    connect(FOKButton, &QPushButton::clicked, this, &TWebPageForm::OKButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TWebPageForm::WebPageEditChange() {
    FOKButton->setEnabled(!FWebPageEdit->text().isEmpty());
}

void TWebPageForm::OKButtonClick() {
    int32_t value = 0;
    if (!TryStrToInt(FExtractURLsEdit->text(), value)) {
        ShowError(this, InvalidIntegerMessage(FExtractURLsEdit->text()));
        FExtractURLsEdit->setFocus();
        return;
    }
    FExtractURLs = value;
    accept();
}

bool TWebPageForm::Execute(QString& AWebPage, int& AExtractURLs) {
    FWebPageEdit->setText(AWebPage);
    FExtractURLsEdit->setText(QString::number(AExtractURLs));
    WebPageEditChange();
    FWebPageEdit->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    AWebPage = FWebPageEdit->text();
    AExtractURLs = FExtractURLs;
    return true;
}

} // namespace tarrow
