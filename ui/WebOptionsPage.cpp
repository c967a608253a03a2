#include "ui/WebOptionsPage.h"

#include "engine/uURLScope.h"
#include "http/HTTPClientUnit.h"
#include "project/WebsiteUnit.h"
#include "ui/uFormUtils.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>
#include <memory>

namespace tarrow {

namespace {

QStringList LinesOf(const QPlainTextEdit& AMemo) {
    QStringList lines = AMemo.toPlainText().split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    return lines;
}

// The first line that does not compile as a pattern of the list AKind.
std::function<QString(const QStringList&)> PatternCheck(QStringView AKind) {
    return [kind = AKind.toString()](const QStringList& ALines) {
        for (const QString& line : ALines) {
            const QString problem = TURLScope::PatternProblem(kind, line);
            if (!problem.isEmpty())
                return problem;
        }
        return QString();
    };
}

// Asks for no more height than the editor's other pages: its rows scroll instead of making the
// editor (and the tab order it sorts by position) taller.
class TCompactScrollArea final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override {
        return {QScrollArea::sizeHint().width(), fontMetrics().height() * 8};
    }
};

} // namespace

QString TWebOptionsPage::Title(TKind AKind) {
    return AKind == TKind::Access ? tr("Web Access") : tr("Scope and Limits");
}

TWebOptionsPage::TWebOptionsPage(TKind AKind, QWidget* AParent) : QWidget(AParent) {
    const bool access = AKind == TKind::Access;
    setObjectName(access ? QStringLiteral("WebOptionsPage") : QStringLiteral("ScopeOptionsPage"));
    // Its rows outnumber what the editor's tab has room for: they scroll inside the tab.
    auto* scroll = new TCompactScrollArea(this);
    scroll->setObjectName(access ? QStringLiteral("WebOptionsScrollArea")
                                 : QStringLiteral("ScopeOptionsScrollArea"));
    scroll->setAccessibleName(Title(AKind));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* rows = new QWidget(scroll);
    FForm = new QFormLayout(rows);
    FForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    if (access) {
        AddPolitenessRows();
        AddRequestRows();
    } else {
        AddScopeRows();
    }
    scroll->setWidget(rows);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
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
                                    TSetFlag ASet, const QString& AHint) {
    auto* box = new QCheckBox(ACaption, this);
    box->setObjectName(AName);
    SetHint(box, AHint);
    FForm->addRow(box);
    FRows.push_back({box, [box, AGet](const TWebsiteProject& P) { box->setChecked(AGet(P)); },
                     [box, ASet](TWebsiteProject& P) { ASet(P, box->isChecked()); }, nullptr});
    return box;
}

QLineEdit* TWebOptionsPage::AddText(const QString& ALabel, const QString& AName, TGetText AGet,
                                    TSetText ASet, TCheckText ACheck, const QString& AHint) {
    QLineEdit* edit = NewEdit(this, AName);
    SetHint(edit, AHint);
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
                                     TSetNumber ASet, const QString& AHint) {
    auto* spin = new QSpinBox(this);
    spin->setObjectName(AName);
    SetHint(spin, AHint);
    spin->setRange(AMin, AMax);
    spin->setSpecialValueText(ASpecialText);
    FForm->addRow(NewFieldLabel(ALabel, spin), spin);
    FRows.push_back({spin, [spin, AGet](const TWebsiteProject& P) { spin->setValue(AGet(P)); },
                     [spin, ASet](TWebsiteProject& P) { ASet(P, spin->value()); }, nullptr});
    return spin;
}

QPlainTextEdit* TWebOptionsPage::AddLines(const QString& ALabel, const QString& AName,
                                          TGetLines AGet, TSetLines ASet, TCheckLines ACheck,
                                          const QString& AHint) {
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(AName);
    SetHint(memo, AHint);
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

QLabel* TWebOptionsPage::AddHint(const QString& AText) {
    QLabel* hint = NewLabel(AText, this);
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setWordWrap(true);
    FForm->addRow(hint);
    return hint;
}

// robots.txt, waiting between requests, retries, sitemaps.
void TWebOptionsPage::AddPolitenessRows() {
    AddFlag(
        tr("Obe&y robots.txt"), QStringLiteral("Robots"),
        [](const TWebsiteProject& P) { return P.Robots(); },
        [](TWebsiteProject& P, bool AValue) { P.SetRobots(AValue); },
        tr("Skips what the site's robots.txt asks crawlers to leave alone"));
    AddNumber(
        tr("&Wait between requests (ms):"), QStringLiteral("WaitMs"), 0,
        TWebsiteProject::kWaitMsMax, QString(), [](const TWebsiteProject& P) { return P.WaitMs(); },
        [](TWebsiteProject& P, int AValue) { P.SetWaitMs(AValue); },
        tr("Waits this long between two requests to the site, to spare it"));
    AddFlag(
        tr("Retry only &failures that may pass"), QStringLiteral("RetryTransientOnly"),
        [](const TWebsiteProject& P) { return P.RetryTransientOnly(); },
        [](TWebsiteProject& P, bool AValue) { P.SetRetryTransientOnly(AValue); },
        tr("Retries time-outs and server errors, but not missing or refused pages"));
}

// The user agent, request headers, cookies from a browser, verified TLS.
void TWebOptionsPage::AddRequestRows() {
    AddText(
        tr("&User agent:"), QStringLiteral("UserAgent"),
        [](const TWebsiteProject& P) { return P.UserAgent(); },
        [](TWebsiteProject& P, const QString& AText) { P.SetUserAgent(AText); },
        [](const QString& AText) {
            return AText.contains(u'\n') || AText.contains(u'\r')
                       ? tr("The user agent must be one line.")
                       : QString();
        },
        tr("The browser name sent with every request; empty for the program's own"));
    AddLines(
        tr("Request &headers:"), QStringLiteral("RequestHeaders"),
        [](const TWebsiteProject& P) { return P.RequestHeaders(); },
        [](TWebsiteProject& P, const QStringList& ALines) { P.RequestHeaders() = ALines; },
        [](const QStringList& ALines) {
            for (const QString& line : ALines) {
                const QString problem = RequestHeaderProblem(line);
                if (!problem.isEmpty())
                    return problem;
            }
            return QString();
        },
        tr("Extra headers sent with every request, one \"Name: value\" a line"));
    AddText(
        tr("Coo&kies file (Netscape format):"), QStringLiteral("CookiesFile"),
        [](const TWebsiteProject& A) { return A.CookiesFile(); },
        [](TWebsiteProject& A, const QString& V) { A.SetCookiesFile(V); },
        [](const QString& V) {
            return V.isEmpty() || QFileInfo(V).isFile() ? QString()
                                                        : tr("Cookies file not found: %1").arg(V);
        },
        tr("A browser's exported cookies file whose cookies go with the requests"));
    AddVerifyTLSRow();
    AddRunRecordRows();
}

// The run's journal (for Continue) and its web archive.
void TWebOptionsPage::AddRunRecordRows() {
    AddFlag(
        tr("Keep a run &journal (to continue an interrupted run)"), QStringLiteral("Journal"),
        [](const TWebsiteProject& P) { return P.Journal(); },
        [](TWebsiteProject& P, bool AValue) { P.SetJournal(AValue); },
        tr("Records the run as it goes, so that Continue can finish it after a break"));
    AddFlag(
        tr("Conditional update: ask only for what chan&ged since the last run"),
        QStringLiteral("ConditionalGet"),
        [](const TWebsiteProject& P) { return P.ConditionalGet(); },
        [](TWebsiteProject& P, bool AValue) { P.SetConditionalGet(AValue); },
        tr("With the journal, asks the server for each saved file only if it has changed"));
    AddText(
        tr("Web archive (WARC) file, wri&tten each run:"), QStringLiteral("WarcFile"),
        [](const TWebsiteProject& P) { return P.WarcFile(); },
        [](TWebsiteProject& P, const QString& AText) { P.SetWarcFile(AText); }, nullptr,
        tr("Records every response of a run in this web archive file; empty for none"));
}

// Verified TLS, with a warning while it is off for a project whose site is on https.
void TWebOptionsPage::AddVerifyTLSRow() {
    QCheckBox* box = AddFlag(
        tr("&Verify TLS certificates and host names"), QStringLiteral("VerifyTLS"),
        [](const TWebsiteProject& P) { return P.VerifyTLS(); },
        [](TWebsiteProject& P, bool AValue) { P.SetVerifyTLS(AValue); },
        tr("Refuses https sites whose certificate or host name cannot be verified"));
    QLabel* warning = AddHint(tr(
        "Without it, anyone between this computer and the https site can change what is saved."));
    warning->setObjectName(QStringLiteral("VerifyTLSWarning"));
    auto https = std::make_shared<bool>(false);
    const auto update = [box, warning, https] { warning->setVisible(*https && !box->isChecked()); };
    connect(box, &QCheckBox::toggled, warning, update);
    FRows.push_back({warning,
                     [https, update](const TWebsiteProject& P) {
                         *https =
                             P.WebsiteURL().trimmed().startsWith(u"https:", Qt::CaseInsensitive);
                         update();
                     },
                     [](TWebsiteProject&) {}, nullptr});
}

// Include and exclude patterns, limits, trap guards.
void TWebOptionsPage::AddScopeRows() {
    using P = TWebsiteProject;
    // A check box spans the row: placed first, it keeps its place in the tab order.
    AddFlag(
        tr("Skip crawler &traps (very long, very deep or repeating URLs)"),
        QStringLiteral("TrapGuard"), [](const P& A) { return A.TrapGuard(); },
        [](P& A, bool V) { A.SetTrapGuard(V); },
        tr("Leaves out URLs that are very long, very deep or repeat a part of their path"));
    AddFlag(
        tr("Follo&w the site's sitemaps"), QStringLiteral("Sitemaps"),
        [](const P& A) { return A.Sitemaps(); }, [](P& A, bool V) { A.SetSitemaps(V); },
        tr("Also takes the pages that the site's sitemaps list"));
    AddLines(
        tr("&Include URLs matching:"), QStringLiteral("IncludePatterns"),
        [](const P& A) { return A.IncludePatterns(); },
        [](P& A, const QStringList& L) { A.IncludePatterns() = L; }, PatternCheck(u"Include"),
        tr("Only URLs matching one of these are taken; empty for all"));
    AddLines(
        tr("Excl&ude URLs matching:"), QStringLiteral("ExcludePatterns"),
        [](const P& A) { return A.ExcludePatterns(); },
        [](P& A, const QStringList& L) { A.ExcludePatterns() = L; }, PatternCheck(u"Exclude"),
        tr("URLs matching one of these are left out"));
    AddHint(tr("One regular expression a line, searched in the whole URL. A URL is taken when it "
               "matches an include (or there is none) and no exclude."));
    AddText(
        tr("Drop &query parameters:"), QStringLiteral("DropQueryParams"),
        [](const P& A) { return A.DropQueryParams(); },
        [](P& A, const QString& V) { A.SetDropQueryParams(V); }, nullptr,
        tr("Query parameters removed from every URL, separated by semicolons (* as wildcard)"));
    const QString none = tr("No limit");
    AddNumber(
        tr("Stop after &files:"), QStringLiteral("MaxFiles"), 0, INT_MAX, none,
        [](const P& A) { return A.MaxFiles(); }, [](P& A, int V) { A.SetMaxFiles(V); },
        tr("Ends the project after this many files; 0 for no limit"));
    AddNumber(
        tr("Stop after me&gabytes:"), QStringLiteral("MaxBytes"), 0, INT_MAX, none,
        [](const P& A) { return A.MaxBytesMB(); }, [](P& A, int V) { A.SetMaxBytesMB(V); },
        tr("Ends the project after this many megabytes; 0 for no limit"));
    AddNumber(
        tr("Stop after secon&ds:"), QStringLiteral("MaxSeconds"), 0, INT_MAX, none,
        [](const P& A) { return A.MaxSeconds(); }, [](P& A, int V) { A.SetMaxSeconds(V); },
        tr("Ends the project after this many seconds; 0 for no limit"));
}

} // namespace tarrow
