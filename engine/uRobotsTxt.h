#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

namespace tarrow {

// What one site's robots.txt lets a crawler with one product token do: its group (else the "*"
// group) of Allow and Disallow rules, matched by the longest pattern ("*" any run of characters,
// a final "$" the end of the path), Allow winning a tie, and its Crawl-delay.
class TRobotsRules final {
public:
    // No rules: everything allowed.
    TRobotsRules() = default;
    static TRobotsRules DisallowAll();
    // Reads AText (only its first kMaxBytes) for the group of AAgent.
    static TRobotsRules Parse(QByteArrayView AText, QByteArrayView AAgent);
    static constexpr qsizetype kMaxBytes = 500 * 1024;

    // Whether the URL (absolute, or its path and query) may be fetched.
    bool IsAllowed(const QString& AURL) const;
    // The group's Crawl-delay in milliseconds; 0 when it names none.
    int CrawlDelayMs() const { return FCrawlDelayMs; }
    // The Sitemap lines, whatever group they stand in.
    const QStringList& Sitemaps() const { return FSitemaps; }

private:
    struct TRule {
        QByteArray Pattern; // normalized path pattern
        bool Allow = false;
    };
    std::vector<TRule> FRules;
    int FCrawlDelayMs = 0;
    QStringList FSitemaps;
};

// "scheme://host[:port]" of an absolute http(s) URL, lower-cased: the robots.txt it obeys is this
// followed by "/robots.txt". Empty for anything else.
QString RobotsOrigin(const QString& AURL);

// The path and query of AURL as robots.txt patterns are matched against it: starting with "/",
// without the fragment, characters outside printable ASCII percent-encoded, and every
// percent-escape with upper-case hex digits.
QByteArray RobotsPath(const QString& AURL);

} // namespace tarrow
