#pragma once

#include "base/uRunContext.h"
#include "engine/URLListUnit.h"
#include "http/uHTTPContent.h"
#include "page/LinkProcessingUnit.h"
#include "page/ReplaceRulesUnit.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tarrow {

class THTTPClient;
class TWebsiteProject;

// The counters of the summary line.
struct TCrawlCounters {
    int32_t Downloaded = 0;
    int32_t AlreadyExisted = 0;
    int32_t NotChanged = 0;
    int32_t Empty = 0;
    int32_t Failed = 0;
};

// The URL with every UTF-8 byte of 0x80 or above written as "%" and two upper-case hex digits.
QString EncodeNonASCIIChars(const QString& AURL);

// The website prefix of a website URL: cut before its first "?", then after its last "/".
// A URL without a path ("http://site") is read as "http://site/".
QString WebsitePrefix(const QString& AWebsiteURL);

// Loads one project's website into AOutFolder (expanded, without a trailing separator, may be
// empty): seeds the URL table with the start pages, then works through the table breadth-first,
// fetching, rewriting and saving every entry, and logs one summary line. A pattern that does not
// compile, and any error outside the guarded per-URL steps, leave the crawl without a summary.
// Logging, the break flag, the path reading, the retry count and pause come from the run context.
class TWebsiteCrawl final {
public:
    TWebsiteCrawl(const QString& AOutFolder, const TWebsiteProject& AProject,
                  THTTPClient& AHTTPClient, const TRunContext& AContext);
    TWebsiteCrawl(const TWebsiteCrawl&) = delete;
    TWebsiteCrawl& operator=(const TWebsiteCrawl&) = delete;

    void Run();
    const TCrawlCounters& Counters() const { return FCounters; }
    const TURLList& URLList() const { return FURLList; }

private:
    struct TEntry;
    void Seed();
    void ProcessEntry(int AIndex);
    void ProcessEntryGuarded(int AIndex);
    bool Fetch(TEntry& AEntry);
    void ApplyRedirect(TEntry& AEntry, const QString& ALocation);
    bool CheckFolder(const TEntry& AEntry, QString& ALocalPath);
    QByteArray ContentToWrite(const TEntry& AEntry);
    QByteArray StyleSheetToWrite(const TEntry& AEntry);
    void Save(const QString& ALocalPath, const QByteArray& AContent);
    bool IsTerminated() const { return FContext.IsTerminated(); }
    void LogSummary();

    const TWebsiteProject& FProject;
    THTTPClient& FHTTPClient;
    const TRunContext& FContext;

    QString FOutFolder;
    TLinkProcessingSettings FLinkSettings; // website prefix, output prefix, base URL, index file...
    TReplaceRules FReplaceRules;
    TURLList FURLList;
    QByteArray FBody;
    QString FContentType;
    TCrawlCounters FCounters;
};

} // namespace tarrow
