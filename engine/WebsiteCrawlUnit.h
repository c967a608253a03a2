#pragma once

#include "base/uRunContext.h"
#include "engine/URLListUnit.h"
#include "engine/uFetchAhead.h"
#include "engine/uHostPacing.h"
#include "engine/uRobotsTxt.h"
#include "engine/uServerFileNames.h"
#include "engine/uSitemaps.h"
#include "engine/uURLScope.h"
#include "http/uHTTPContent.h"
#include "page/LinkProcessingUnit.h"
#include "page/ReplaceRulesUnit.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace tarrow {

class THTTPClient;
class TRunJournal;
struct TJournalRecord;
struct TLinkCall;
struct TSavedReply;
class TWebsiteProject;
class TWarcWriter;

// The counters of the summary line.
struct TCrawlCounters {
    int32_t Downloaded = 0;
    int32_t AlreadyExisted = 0;
    int32_t NotChanged = 0;
    int32_t Empty = 0;
    int32_t Failed = 0;
    int32_t Skipped = 0; // refused by robots.txt
};

// What the requests of the table's URLs met, apart from the summary line: URLs that had an HTTP
// reply (whatever its status), and URLs that failed without one (no connection, no TLS).
struct TReplyCounters {
    int32_t Replied = 0;
    int32_t NoReply = 0;
};

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

    // With more than one, that many transfers run at once, ahead of the entry being processed;
    // the table, the files, the log and the counts stay those of one after another.
    void SetConnections(int AConnections) { FConnections = AConnections; }
    // The flag the project's limits set to stop its run (the context's break flag, or one that
    // also reads the run's), or null: a limit then only stops taking entries.
    void SetLimitStop(TBreakFlag* AStop) { FLimitStop = AStop; }
    // The WARC file the crawl's client records into, or null: a record that cannot be written
    // ends the crawl with its error after the entry under way.
    void SetArchive(const TWarcWriter* AArchive) { FArchive = AArchive; }
    // The journal the run keeps (opened), or null. A journal with records is replayed first and
    // the run goes on after its last finished entry; EJournalMismatch when that fails.
    void SetJournal(TRunJournal* AJournal) { FJournal = AJournal; }
    void Run();
    const TCrawlCounters& Counters() const { return FCounters; }
    const TReplyCounters& Replies() const { return FReplies; }
    const TURLList& URLList() const { return FURLList; }

private:
    struct TEntry;
    void LoadCookies();
    void Seed();
    void SeedFromSitemaps();
    QStringList SitemapURLs(const QString& AOrigin);
    void ReadSitemap(const QString& AURL, int ANesting, QSet<QString>& ARead);
    void ReadSitemapIndex(const QString& AURL, const TSitemap& AIndex, int ANesting,
                          QSet<QString>& ARead);
    bool FetchSitemap(const QString& AURL, QByteArray& ABody);
    void AddSitemapPages(const QString& AURL, const TSitemap& ASitemap);
    int32_t SitemapExtractURLs() const;
    void LogUnreadableSitemap(const QString& AURL, const QString& AReason);
    int Replay();
    void ReplayRecord(const TJournalRecord& ARecord, int& ANext);
    void JournalEntryDone(int AIndex);
    void ProcessEntry(int AIndex);
    QList<QByteArray> ValidatorsFor(const QString& AURL);
    bool KeepUnchanged(int AIndex, TEntry& AEntry, const TFetched& AFetched,
                       std::optional<int>& ANewCount);
    bool IsKept(const TEntry& AEntry, const TSavedReply& AReply, QString& ALocalPath);
    void LogUnchanged(const QString& ALocalPath);
    TFetched FetchAgain(int AIndex, const TEntry& AEntry, const QString& AURL);
    void NoteSavedReply(int AIndex, const TEntry& AEntry, const TFetched& AFetched,
                        const QString& ALocalPath, const std::vector<TLinkCall>& ACalls);
    void ProcessEntryGuarded(int AIndex);
    bool IsLoadable(const QString& AURL);
    bool IsAllowedByRobots(const QString& AURL, const QString& AShownURL);
    TFetchAhead::TGate RobotsGate(const QString& AURL) const;
    const TRobotsRules& RobotsFor(const QString& AOrigin);
    TRobotsRules FetchRobots(const QString& AOrigin);
    TRobotsRules ReadRobots(const QString& AOrigin);
    void WaitTurn(const QString& AURL);
    TFetchOutcome Fetch(const TEntry& AEntry);
    TFetched Record(TFetchOutcome&& AOutcome);
    void LogNoted(TFetchOutcome& AOutcome);
    void NoteReferers(int AFirst, const QString& APageURL);
    void ApplyRedirect(TEntry& AEntry, const TFetched& AFetched);
    void TakeServerName(int AIndex, TEntry& AEntry, const QString& ADisposition);
    bool CheckFolder(const TEntry& AEntry, QString& ALocalPath);
    QString ScanAhead(TURLList& ATable, int AIndex, TFetched AFetched);
    QByteArray ContentToWrite(const TEntry& AEntry, TFetched& AFetched, TLinkTable& ALinks,
                              bool AScanOnly = false, std::optional<int> ANewCount = {});
    QByteArray StyleSheetToWrite(const TEntry& AEntry, TFetched& AFetched, TLinkTable& ALinks,
                                 bool AScanOnly);
    bool Save(const QString& ALocalPath, const QByteArray& AContent);
    bool IsTerminated() const { return FContext.IsTerminated(); }
    void LogSummary();

    const TWebsiteProject& FProject;
    THTTPClient& FHTTPClient;
    const TRunContext& FContext;

    QString FOutFolder;
    TLinkProcessingSettings FLinkSettings; // website prefix, output prefix, base URL, index file...
    TReplaceRules FReplaceRules;
    TURLScope FScope; // what found URLs are taken, and in which form
    TURLList FURLList;
    TLinkedFiles FLinkedFiles{FURLList}; // the table as link processing sees it
    TCrawlCounters FCounters;
    TReplyCounters FReplies;
    int FConnections = 1;
    TBreakFlag* FLimitStop = nullptr;
    const TWarcWriter* FArchive = nullptr;
    TRunJournal* FJournal = nullptr;
    int FCurrent = -1;      // the entry being processed
    int FResumeSaving = -1; // an entry whose file the interrupted run had begun to write
    qint64 FReceived = 0;   // body bytes of every fetch
    std::unique_ptr<TFetchAhead> FFetchAhead;
    QStringList FReferers; // per entry, the page it was first found on (fetching ahead only)
    std::map<QString, TRobotsRules> FRobots; // by origin, once read
    QSet<QString> FUnconditional;            // asked for again in full after a "304 Not Modified"
    bool FSavedAsReceived = false;           // the current page was too large to process
    THostPacing FPacing;                     // shared with fetching ahead
};

} // namespace tarrow
