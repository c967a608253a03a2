#include "engine/uRobotsTxt.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tarrow {

namespace {

constexpr int kMaxCrawlDelayMs = 24 * 3600 * 1000;

bool IsHex(char C) {
    return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

// Patterns and paths are compared in one form: bytes outside printable ASCII escaped, escapes
// in upper case.
QByteArray NormalizedPath(QByteArrayView AText) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(AText.size());
    for (qsizetype i = 0; i < AText.size(); ++i) {
        const auto c = static_cast<unsigned char>(AText[i]);
        if (c == '%' && i + 2 < AText.size() && IsHex(AText[i + 1]) && IsHex(AText[i + 2])) {
            out.append('%');
            out.append(char(std::toupper(static_cast<unsigned char>(AText[i + 1]))));
            out.append(char(std::toupper(static_cast<unsigned char>(AText[i + 2]))));
            i += 2;
        } else if (c <= 0x20 || c >= 0x7F) {
            out.append('%');
            out.append(hex[c >> 4]);
            out.append(hex[c & 15]);
        } else {
            out.append(char(c));
        }
    }
    return out;
}

// Whether APattern ("*" any run, a final "$" the end) matches the start of APath, or all of it
// when anchored. Backtracks only to the last "*", so the work stays within pattern x path.
bool PatternMatches(QByteArrayView APattern, QByteArrayView APath) {
    const bool anchored = APattern.endsWith('$');
    if (anchored)
        APattern.chop(1);
    qsizetype p = 0, s = 0, star = -1, mark = 0;
    while (s < APath.size()) {
        if (p < APattern.size() && APattern[p] == '*') {
            star = p++;
            mark = s;
        } else if (p < APattern.size() && APattern[p] == APath[s]) {
            ++p;
            ++s;
        } else if (!anchored && p == APattern.size()) {
            return true; // the pattern matched a prefix
        } else if (star >= 0) {
            p = star + 1;
            s = ++mark;
        } else {
            return false;
        }
    }
    while (p < APattern.size() && APattern[p] == '*')
        ++p;
    return p == APattern.size();
}

// A user-agent line names a crawler by its product token: letters, "_" and "-".
QByteArray ProductToken(QByteArrayView AValue) {
    qsizetype n = 0;
    while (n < AValue.size() && (std::isalpha(static_cast<unsigned char>(AValue[n])) ||
                                 AValue[n] == '_' || AValue[n] == '-'))
        ++n;
    if (n == 0 && AValue.startsWith('*'))
        return QByteArray("*");
    return AValue.first(n).toByteArray().toLower();
}

struct TLine {
    QByteArray Key; // lower case
    QByteArray Value;
};

bool SplitLine(QByteArrayView ALine, TLine& AOut) {
    const qsizetype hash = ALine.indexOf('#');
    if (hash >= 0)
        ALine = ALine.first(hash);
    const qsizetype colon = ALine.indexOf(':');
    if (colon < 0)
        return false;
    AOut.Key = ALine.first(colon).trimmed().toByteArray().toLower();
    AOut.Value = ALine.sliced(colon + 1).trimmed().toByteArray();
    return !AOut.Key.isEmpty();
}

int CrawlDelayFrom(const QByteArray& AValue) {
    bool ok = false;
    const double seconds = AValue.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0)
        return 0;
    return int(std::min(seconds * 1000.0, double(kMaxCrawlDelayMs)));
}

// One group of the file as read: its agents, rules and delay.
struct TGroup {
    std::vector<QByteArray> Agents;
    std::vector<TLine> Lines;
};

std::vector<TGroup> ReadGroups(QByteArrayView AText, QStringList& ASitemaps) {
    std::vector<TGroup> groups;
    bool inAgents = false;
    for (QByteArrayView rest = AText; !rest.isEmpty();) {
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r')
            ++end;
        const QByteArrayView line = rest.first(end);
        rest = rest.sliced(std::min(end + 1, rest.size()));
        TLine parsed;
        if (!SplitLine(line, parsed))
            continue;
        if (parsed.Key == "sitemap") {
            if (!parsed.Value.isEmpty())
                ASitemaps.append(QString::fromUtf8(parsed.Value));
        } else if (parsed.Key == "user-agent") {
            if (!inAgents)
                groups.emplace_back();
            groups.back().Agents.push_back(ProductToken(parsed.Value));
            inAgents = true;
        } else if (!groups.empty()) {
            groups.back().Lines.push_back(std::move(parsed));
            inAgents = false;
        }
    }
    return groups;
}

} // namespace

TRobotsRules TRobotsRules::DisallowAll() {
    TRobotsRules rules;
    rules.FRules.push_back({QByteArray("/"), false});
    return rules;
}

TRobotsRules TRobotsRules::Parse(QByteArrayView AText, QByteArrayView AAgent) {
    TRobotsRules rules;
    const std::vector<TGroup> groups =
        ReadGroups(AText.first(std::min(AText.size(), kMaxBytes)), rules.FSitemaps);
    const QByteArray agent = AAgent.toByteArray().toLower();
    // The groups naming the agent, merged; else those for every crawler.
    for (const QByteArray& wanted : {agent, QByteArray("*")}) {
        bool found = false;
        for (const TGroup& group : groups) {
            if (std::find(group.Agents.begin(), group.Agents.end(), wanted) == group.Agents.end())
                continue;
            found = true;
            for (const TLine& line : group.Lines) {
                if ((line.Key == "allow" || line.Key == "disallow") && !line.Value.isEmpty())
                    rules.FRules.push_back({NormalizedPath(line.Value), line.Key == "allow"});
                else if (line.Key == "crawl-delay" && rules.FCrawlDelayMs == 0)
                    rules.FCrawlDelayMs = CrawlDelayFrom(line.Value);
            }
        }
        if (found)
            break;
    }
    return rules;
}

bool TRobotsRules::IsAllowed(const QString& AURL) const {
    const QByteArray path = RobotsPath(AURL);
    if (path == "/robots.txt")
        return true;
    qsizetype bestLength = -1;
    bool allowed = true;
    for (const TRule& rule : FRules) {
        const qsizetype length = rule.Pattern.size();
        if (length < bestLength || (length == bestLength && allowed))
            continue;
        if (PatternMatches(rule.Pattern, path)) {
            bestLength = length;
            allowed = rule.Allow;
        }
    }
    return allowed;
}

QString RobotsOrigin(const QString& AURL) {
    const qsizetype scheme = AURL.indexOf(QLatin1String("://"));
    if (scheme < 0)
        return QString();
    const QString name = AURL.left(scheme).toLower();
    if (name != u"http" && name != u"https")
        return QString();
    qsizetype end = scheme + 3;
    while (end < AURL.size() && AURL[end] != u'/' && AURL[end] != u'?' && AURL[end] != u'#')
        ++end;
    if (end == scheme + 3)
        return QString();
    // A user name and password keep their case; the host is one whatever its case.
    const qsizetype at = AURL.lastIndexOf(u'@', end - 1);
    const qsizetype host = at > scheme ? at + 1 : scheme + 3;
    return name + AURL.mid(scheme, host - scheme) + AURL.mid(host, end - host).toLower();
}

QByteArray RobotsPath(const QString& AURL) {
    QString path = AURL;
    const qsizetype scheme = path.indexOf(QLatin1String("://"));
    if (scheme >= 0) {
        qsizetype start = scheme + 3;
        while (start < path.size() && path[start] != u'/' && path[start] != u'?' &&
               path[start] != u'#')
            ++start;
        path = path.mid(start);
    }
    const qsizetype hash = path.indexOf(u'#');
    if (hash >= 0)
        path.truncate(hash);
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    return NormalizedPath(path.toUtf8());
}

} // namespace tarrow
