#include "ui/WebOptionsPage.h"

#include "http/HTTPClientUnit.h"
#include "project/WebsiteUnit.h"
#include "ui/uFormUtils.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QSpinBox>

namespace tarrow {

namespace {

QStringList LinesOf(const QPlainTextEdit& AMemo) {
    QStringList lines = AMemo.toPlainText().split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    return lines;
}

} // namespace

TWebOptionsPage::TWebOptionsPage(QWidget* AParent) : QWidget(AParent) {
    setObjectName(QStringLiteral("WebOptionsPage"));
    FForm = new QFormLayout(this);
    FForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    AddPolitenessRows();
    AddRequestRows();
    AddScopeRows();
}

void TWebOptionsPage::Fill(const TWebsiteProject& AProject) {
    for (const TRow& row : FRows)
        row.Fill(AProject);
}

void TWebOptionsPage::Write(TWebsiteProject& AProject) const {
    for (const TRow& row : FRows)
        row.Write(AProject);
}

QString TWebOptionsPage::Problem() const {
    for (const TRow& row : FRows) {
        const QString problem = row.Problem ? row.Problem() : QString();
        if (!problem.isEmpty()) {
            row.Field->setFocus();
            return problem;
        }
    }
    return QString();
}

QCheckBox* TWebOptionsPage::AddFlag(const QString& ACaption, const QString& AName, TGetFlag AGet,
                                    TSetFlag ASet) {
    auto* box = new QCheckBox(ACaption, this);
    box->setObjectName(AName);
    FForm->addRow(box);
    FRows.push_back({box, [box, AGet](const TWebsiteProject& P) { box->setChecked(AGet(P)); },
                     [box, ASet](TWebsiteProject& P) { ASet(P, box->isChecked()); }, nullptr});
    return box;
}

QLineEdit* TWebOptionsPage::AddText(const QString& ALabel, const QString& AName, TGetText AGet,
                                    TSetText ASet, TCheckText ACheck) {
    QLineEdit* edit = NewEdit(this, AName);
    FForm->addRow(NewFieldLabel(ALabel, edit), edit);
    TRow row{edit, [edit, AGet](const TWebsiteProject& P) { edit->setText(AGet(P)); },
             [edit, ASet](TWebsiteProject& P) { ASet(P, edit->text().trimmed()); }, nullptr};
    if (ACheck)
        row.Problem = [edit, ACheck] { return ACheck(edit->text().trimmed()); };
    FRows.push_back(std::move(row));
    return edit;
}

QSpinBox* TWebOptionsPage::AddNumber(const QString& ALabel, const QString& AName, int AMin,
                                     int AMax, const QString& ASpecialText, TGetNumber AGet,
                                     TSetNumber ASet) {
    auto* spin = new QSpinBox(this);
    spin->setObjectName(AName);
    spin->setRange(AMin, AMax);
    spin->setSpecialValueText(ASpecialText);
    FForm->addRow(NewFieldLabel(ALabel, spin), spin);
    FRows.push_back({spin, [spin, AGet](const TWebsiteProject& P) { spin->setValue(AGet(P)); },
                     [spin, ASet](TWebsiteProject& P) { ASet(P, spin->value()); }, nullptr});
    return spin;
}

QPlainTextEdit* TWebOptionsPage::AddLines(const QString& ALabel, const QString& AName,
                                          TGetLines AGet, TSetLines ASet, TCheckLines ACheck) {
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(AName);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setTabChangesFocus(true);
    memo->setFixedHeight(memo->fontMetrics().lineSpacing() * 4);
    FForm->addRow(NewFieldLabel(ALabel, memo), memo);
    TRow row{memo,
             [memo, AGet](const TWebsiteProject& P) { memo->setPlainText(AGet(P).join(u'\n')); },
             [memo, ASet](TWebsiteProject& P) { ASet(P, LinesOf(*memo)); }, nullptr};
    if (ACheck)
        row.Problem = [memo, ACheck] { return ACheck(LinesOf(*memo)); };
    FRows.push_back(std::move(row));
    return memo;
}

void TWebOptionsPage::AddHint(const QString& AText) {
    QLabel* hint = NewLabel(AText, this);
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setWordWrap(true);
    FForm->addRow(hint);
}

// robots.txt, waiting between requests, retries, sitemaps.
void TWebOptionsPage::AddPolitenessRows() {
    AddFlag(
        QStringLiteral("Retry only &failures that may pass"),
        QStringLiteral("RetryTransientOnlyCheckBox"),
        [](const TWebsiteProject& P) { return P.RetryTransientOnly(); },
        [](TWebsiteProject& P, bool AValue) { P.SetRetryTransientOnly(AValue); });
}

// The user agent, request headers, cookies from a browser, verified TLS.
void TWebOptionsPage::AddRequestRows() {
    AddText(
        QStringLiteral("&User agent:"), QStringLiteral("UserAgentEdit"),
        [](const TWebsiteProject& P) { return P.UserAgent(); },
        [](TWebsiteProject& P, const QString& AText) { P.SetUserAgent(AText); },
        [](const QString& AText) {
            return AText.contains(u'\n') || AText.contains(u'\r')
                       ? QStringLiteral("The user agent must be one line.")
                       : QString();
        });
    AddLines(
        QStringLiteral("Request &headers:"), QStringLiteral("RequestHeadersMemo"),
        [](const TWebsiteProject& P) { return P.RequestHeaders(); },
        [](TWebsiteProject& P, const QStringList& ALines) { P.RequestHeaders() = ALines; },
        [](const QStringList& ALines) {
            for (const QString& line : ALines) {
                const QString problem = RequestHeaderProblem(line);
                if (!problem.isEmpty())
                    return problem;
            }
            return QString();
        });
}

// Include and exclude patterns, limits, trap guards.
void TWebOptionsPage::AddScopeRows() {}

} // namespace tarrow
