#pragma once

#include "base/uRunContext.h"
#include "page/uRegEx.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace tarrow {

class TWebsiteProject;

// Which found URLs a crawl takes into its table, and in what form: the project's include and
// exclude patterns, its trap guard and the query parameters it drops.
class TURLScope final {
public:
    // Throws ERegExError naming the first include or exclude pattern that does not compile.
    TURLScope(const TWebsiteProject& AProject, const TRunContext& AContext);

    // AURL as it enters the table (its dropped parameters removed), or an empty text when it is
    // not taken. A trap is logged once per URL; with ATrial, nothing is logged or remembered.
    QString Admit(const QString& AURL, bool ATrial = false);

    // With the trap guard, whether AKey (a URL not in the table yet) found in the file of AFrom
    // makes more than kMaxNumberedChain pages in a row that differ from the page linking to them
    // only in their numbers, as a calendar's "next month" links do; logged once. Such a chain has
    // no end a limit on the URL's form would find. With ATrial, nothing is logged or remembered.
    bool ContinuesNumberedChain(const QString& AKey, const QString& AFrom, bool ATrial = false);

    // The line shown for pattern APattern of a list (AKind "Include" or "Exclude") that does not
    // compile, or an empty text when it does.
    static QString PatternProblem(const QString& AKind, const QString& APattern);
    // Why AURL looks like a crawler trap, or an empty text.
    static QString TrapReason(const QString& AURL);
    // AURL without the query parameters whose names match one of ANames ("*" matches any text).
    static QString DropQueryParams(const QString& AURL, const QStringList& ANames);
    // The names of a ";"-separated list, trimmed, empty ones left out.
    static QStringList ParamNames(const QString& AList);

    static constexpr qsizetype kMaxURLLength = 2000;
    static constexpr int kMaxSegmentRepeats = 3;
    static constexpr int kMaxPathDepth = 30;
    static constexpr int kMaxNumberedChain = 50;

private:
    bool Matches(const std::vector<TRegEx>& APatterns, const QByteArray& AURL) const;

    const TRunContext& FContext;
    std::vector<TRegEx> FIncludes;
    std::vector<TRegEx> FExcludes;
    bool FTrapGuard;
    QStringList FDropNames;
    QSet<QString> FLoggedTraps;
    QHash<QString, int> FChainLengths; // URLs that continue a numbered chain, and its length
};

} // namespace tarrow
