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
    return AKind == TKind::Access ? QStringLiteral("Web Access")
                                  : QStringLiteral("Scope and Limits");
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
        QStringLiteral("Obe&y robots.txt"), QStringLiteral("Robots"),
        [](const TWebsiteProject& P) { return P.Robots(); },
        [](TWebsiteProject& P, bool AValue) { P.SetRobots(AValue); });
    AddNumber(
        QStringLiteral("&Wait between requests (ms):"), QStringLiteral("WaitMs"), 0,
        TWebsiteProject::kWaitMsMax, QString(), [](const TWebsiteProject& P) { return P.WaitMs(); },
        [](TWebsiteProject& P, int AValue) { P.SetWaitMs(AValue); });
    AddFlag(
        QStringLiteral("Retry only &failures that may pass"), QStringLiteral("RetryTransientOnly"),
        [](const TWebsiteProject& P) { return P.RetryTransientOnly(); },
        [](TWebsiteProject& P, bool AValue) { P.SetRetryTransientOnly(AValue); });
}

// The user agent, request headers, cookies from a browser, verified TLS.
void TWebOptionsPage::AddRequestRows() {
    AddText(
        QStringLiteral("&User agent:"), QStringLiteral("UserAgent"),
        [](const TWebsiteProject& P) { return P.UserAgent(); },
        [](TWebsiteProject& P, const QString& AText) { P.SetUserAgent(AText); },
        [](const QString& AText) {
            return AText.contains(u'\n') || AText.contains(u'\r')
                       ? QStringLiteral("The user agent must be one line.")
                       : QString();
        });
    AddLines(
        QStringLiteral("Request &headers:"), QStringLiteral("RequestHeaders"),
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
    AddText(
        QStringLiteral("Coo&kies file (Netscape format):"), QStringLiteral("CookiesFile"),
        [](const TWebsiteProject& A) { return A.CookiesFile(); },
        [](TWebsiteProject& A, const QString& V) { A.SetCookiesFile(V); },
        [](const QString& V) {
            return V.isEmpty() || QFileInfo(V).isFile()
                       ? QString()
                       : QStringLiteral("Cookies file not found: ") + V;
        });
    AddVerifyTLSRow();
    AddRunRecordRows();
}

// The run's journal (for Continue) and its web archive.
void TWebOptionsPage::AddRunRecordRows() {
    AddFlag(
        QStringLiteral("Keep a run &journal (to continue an interrupted run)"),
        QStringLiteral("Journal"), [](const TWebsiteProject& P) { return P.Journal(); },
        [](TWebsiteProject& P, bool AValue) { P.SetJournal(AValue); });
    AddFlag(
        QStringLiteral("Conditional update: ask only for what chan&ged since the last run"),
        QStringLiteral("ConditionalGet"),
        [](const TWebsiteProject& P) { return P.ConditionalGet(); },
        [](TWebsiteProject& P, bool AValue) { P.SetConditionalGet(AValue); });
    AddText(
        QStringLiteral("Web archive (WARC) file, wri&tten each run:"), QStringLiteral("WarcFile"),
        [](const TWebsiteProject& P) { return P.WarcFile(); },
        [](TWebsiteProject& P, const QString& AText) { P.SetWarcFile(AText); });
}

// Verified TLS, with a warning while it is off for a project whose site is on https.
void TWebOptionsPage::AddVerifyTLSRow() {
    QCheckBox* box = AddFlag(
        QStringLiteral("&Verify TLS certificates and host names"), QStringLiteral("VerifyTLS"),
        [](const TWebsiteProject& P) { return P.VerifyTLS(); },
        [](TWebsiteProject& P, bool AValue) { P.SetVerifyTLS(AValue); });
    QLabel* warning = AddHint(QStringLiteral(
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
        QStringLiteral("Skip crawler &traps (very long, very deep or repeating URLs)"),
        QStringLiteral("TrapGuard"), [](const P& A) { return A.TrapGuard(); },
        [](P& A, bool V) { A.SetTrapGuard(V); });
    AddFlag(
        QStringLiteral("Follo&w the site's sitemaps"), QStringLiteral("Sitemaps"),
        [](const P& A) { return A.Sitemaps(); }, [](P& A, bool V) { A.SetSitemaps(V); });
    AddLines(
        QStringLiteral("&Include URLs matching:"), QStringLiteral("IncludePatterns"),
        [](const P& A) { return A.IncludePatterns(); },
        [](P& A, const QStringList& L) { A.IncludePatterns() = L; }, PatternCheck(u"Include"));
    AddLines(
        QStringLiteral("Excl&ude URLs matching:"), QStringLiteral("ExcludePatterns"),
        [](const P& A) { return A.ExcludePatterns(); },
        [](P& A, const QStringList& L) { A.ExcludePatterns() = L; }, PatternCheck(u"Exclude"));
    AddHint(QStringLiteral("One regular expression a line, searched in the whole URL. A URL is "
                           "taken when it matches an include (or there is none) and no exclude."));
    AddText(
        QStringLiteral("Drop &query parameters:"), QStringLiteral("DropQueryParams"),
        [](const P& A) { return A.DropQueryParams(); },
        [](P& A, const QString& V) { A.SetDropQueryParams(V); });
    const QString none = QStringLiteral("No limit");
    AddNumber(
        QStringLiteral("Stop after &files:"), QStringLiteral("MaxFiles"), 0, INT_MAX, none,
        [](const P& A) { return A.MaxFiles(); }, [](P& A, int V) { A.SetMaxFiles(V); });
    AddNumber(
        QStringLiteral("Stop after me&gabytes:"), QStringLiteral("MaxBytes"), 0, INT_MAX, none,
        [](const P& A) { return A.MaxBytesMB(); }, [](P& A, int V) { A.SetMaxBytesMB(V); });
    AddNumber(
        QStringLiteral("Stop after secon&ds:"), QStringLiteral("MaxSeconds"), 0, INT_MAX, none,
        [](const P& A) { return A.MaxSeconds(); }, [](P& A, int V) { A.SetMaxSeconds(V); });
}

} // namespace tarrow
