#include "engine/uURLScope.h"

#include "base/uURLUtils.h"
#include "project/WebsiteUnit.h"

#include <QHash>

#include <algorithm>

namespace tarrow {

namespace {

std::vector<TRegEx> CompilePatterns(const char* AKind, const QStringList& APatterns) {
    std::vector<TRegEx> compiled;
    for (const QString& pattern : APatterns) {
        if (pattern.isEmpty())
            continue;
        const QString problem = TURLScope::PatternProblem(QString::fromLatin1(AKind), pattern);
        if (!problem.isEmpty())
            throw ERegExError(problem);
        compiled.emplace_back(pattern);
    }
    return compiled;
}

// A name pattern of DropQueryParams: "*" matches any text, everything else itself.
bool NameMatches(QStringView AName, QStringView APattern) {
    const qsizetype star = APattern.indexOf(u'*');
    if (star < 0)
        return AName == APattern;
    if (!AName.startsWith(APattern.left(star)))
        return false;
    const QStringView rest = APattern.mid(star + 1);
    for (qsizetype from = star; from <= AName.size(); ++from)
        if (NameMatches(AName.mid(from), rest))
            return true;
    return false;
}

// The path of a URL: from the slash after its host to its query or fragment.
QStringView PathOf(QStringView AURL) {
    qsizetype end = 0;
    while (end < AURL.size() && AURL[end] != u'?' && AURL[end] != u'#')
        ++end;
    const QStringView head = AURL.left(end);
    const qsizetype scheme = head.indexOf(u"://");
    const qsizetype slash = head.indexOf(u'/', scheme < 0 ? 0 : scheme + 3);
    return slash < 0 ? QStringView() : head.mid(slash);
}

// AURL with each run of digits as one "0": URLs that differ only in their numbers share it.
QString NumberShape(const QString& AURL) {
    QString shape;
    shape.reserve(AURL.size());
    bool inNumber = false;
    for (const QChar c : AURL) {
        if (!c.isDigit())
            shape.append(c);
        else if (!inNumber)
            shape.append(u'0');
        inNumber = c.isDigit();
    }
    return shape;
}

} // namespace

TURLScope::TURLScope(const TWebsiteProject& AProject, const TRunContext& AContext)
    : FContext(AContext), FIncludes(CompilePatterns("Include", AProject.IncludePatterns())),
      FExcludes(CompilePatterns("Exclude", AProject.ExcludePatterns())),
      FTrapGuard(AProject.TrapGuard()), FDropNames(ParamNames(AProject.DropQueryParams())) {}

QString TURLScope::PatternProblem(const QString& AKind, const QString& APattern) {
    try {
        TRegEx compiled(APattern);
        return QString();
    } catch (const ERegExError& E) {
        return AKind + QStringLiteral(" pattern \"") + APattern + QStringLiteral("\": ") +
               ExceptionMessage(E);
    }
}

bool TURLScope::Matches(const std::vector<TRegEx>& APatterns, const QByteArray& AURL) const {
    for (const TRegEx& pattern : APatterns) {
        TRegExMatch match(pattern);
        if (match.Search(AURL, 0))
            return true;
    }
    return false;
}

QString TURLScope::Admit(const QString& AURL, bool ATrial) {
    const QString url = FDropNames.isEmpty() ? AURL : DropQueryParams(AURL, FDropNames);
    if (!FIncludes.empty() || !FExcludes.empty()) {
        const QByteArray subject = RemoveURLFragment(url).toUtf8();
        if ((!FIncludes.empty() && !Matches(FIncludes, subject)) || Matches(FExcludes, subject))
            return QString();
    }
    if (FTrapGuard) {
        const QString reason = TrapReason(url);
        if (!reason.isEmpty()) {
            if (!ATrial && !FLoggedTraps.contains(url)) {
                FLoggedTraps.insert(url);
                FContext.Log(QStringLiteral("Skipped as a likely trap (%1): %2").arg(reason, url));
            }
            return QString();
        }
    }
    return url;
}

bool TURLScope::ContinuesNumberedChain(const QString& AKey, const QString& AFrom, bool ATrial) {
    if (!FTrapGuard || AFrom.isEmpty() || AFrom == AKey || NumberShape(AKey) != NumberShape(AFrom))
        return false;
    const int length = FChainLengths.value(AFrom, 0) + 1;
    if (length <= kMaxNumberedChain) {
        if (!ATrial)
            FChainLengths.insert(AKey, length);
        return false;
    }
    if (!ATrial && !FLoggedTraps.contains(AKey)) {
        FLoggedTraps.insert(AKey);
        FContext.Log(QStringLiteral("Skipped as a likely trap (more than %1 pages in a row that "
                                    "differ only in their numbers): %2")
                         .arg(kMaxNumberedChain)
                         .arg(AKey));
    }
    return true;
}

QString TURLScope::TrapReason(const QString& AURL) {
    if (AURL.size() > kMaxURLLength)
        return QStringLiteral("longer than %1 characters").arg(kMaxURLLength);
    QHash<QStringView, int> seen;
    int depth = 0;
    for (const QStringView segment : PathOf(AURL).split(u'/', Qt::SkipEmptyParts)) {
        if (++depth > kMaxPathDepth)
            return QStringLiteral("deeper than %1 path segments").arg(kMaxPathDepth);
        if (++seen[segment] > kMaxSegmentRepeats)
            return QStringLiteral("path segment \"%1\" repeated more than %2 times")
                .arg(segment.toString())
                .arg(kMaxSegmentRepeats);
    }
    return QString();
}

QStringList TURLScope::ParamNames(const QString& AList) {
    QStringList names;
    for (const QString& piece : AList.split(u';')) {
        const QString name = piece.trimmed();
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

QString TURLScope::DropQueryParams(const QString& AURL, const QStringList& ANames) {
    const qsizetype hash = AURL.indexOf(u'#');
    const QStringView head = hash < 0 ? QStringView(AURL) : QStringView(AURL).left(hash);
    const qsizetype question = head.indexOf(u'?');
    if (question < 0 || ANames.isEmpty())
        return AURL;
    QStringList kept;
    bool dropped = false;
    for (const QStringView param : head.mid(question + 1).split(u'&')) {
        const qsizetype equals = param.indexOf(u'=');
        const QStringView name = equals < 0 ? param : param.left(equals);
        const bool drop = !param.isEmpty() &&
                          std::any_of(ANames.begin(), ANames.end(),
                                      [name](const QString& N) { return NameMatches(name, N); });
        if (drop)
            dropped = true;
        else
            kept.append(param.toString());
    }
    if (!dropped)
        return AURL;
    QString result = head.left(question).toString();
    if (!kept.isEmpty())
        result += u'?' + kept.join(u'&');
    if (hash >= 0)
        result += QStringView(AURL).mid(hash);
    return result;
}

} // namespace tarrow
