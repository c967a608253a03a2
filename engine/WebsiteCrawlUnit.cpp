#include "engine/WebsiteCrawlUnit.h"

#include "base/uExceptions.h"
#include "base/uPathUtils.h"
#include "base/uStrUtils.h"
#include "base/uURLUtils.h"
#include "engine/uCharsetDecoder.h"
#include "engine/uCookiesFile.h"
#include "engine/uFileUtils.h"
#include "engine/uRunJournal.h"
#include "engine/uRunLimits.h"
#include "engine/uWarcWriter.h"
#include "http/HTTPClientUnit.h"
#include "http/uHTTPErrors.h"
#include "page/uStyleSheet.h"
#include "project/WebsiteUnit.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>
#include <limits>

namespace tarrow {

namespace {

constexpr int32_t UnlimitedDepth = std::numeric_limits<int32_t>::max();
// Every fetch keeps the referer chain, allows compression and uses the client's own limits
// (15 redirects, no time-out retries of its own).
constexpr bool kUpdateReferer = true;
constexpr bool kNoGZipDeflate = false;
constexpr int kClientMaxRedirects = -1;
constexpr int kClientTimeoutRetries = -1;
const char UTF8ByteOrderMark[] = "\xEF\xBB\xBF";
// robots.txt is read for this product token; its redirects are followed as far as RFC 9309 asks.
constexpr char kRobotsAgent[] = "Tarrow";
constexpr int kRobotsMaxRedirects = 5;
// Sitemap indexes list sitemaps, not further indexes, but some sites nest them a level or two;
// a hostile tree of indexes meets the count of files.
constexpr int kMaxSitemapNesting = 3;
constexpr qsizetype kMaxSitemapFiles = 1000;

QString OutputPrefix(const QString& AOutFolder, TPathReading AReading) {
    QString prefix = ToReadingSeparators(AOutFolder, AReading);
    if (!prefix.isEmpty() && !prefix.endsWith(PathDelim(AReading)))
        prefix.append(PathDelim(AReading));
    return prefix;
}

QString NormalizedBaseURL(const QString& ABaseURL) {
    QString base = ABaseURL;
    base.replace(u'\\', u'/');
    if (!base.isEmpty() && !base.endsWith(u'/'))
        base.append(u'/');
    return base;
}

// Pages are processed for their links; an XHTML page like an HTML one.
bool IsPageContentType(const QString& AContentType) {
    return AsciiSameText(AContentType, u"text/html") ||
           AsciiSameText(AContentType, u"application/xhtml+xml");
}

// A sitemap request: no step of the referer chain, and no body beyond the protocol's size.
class TSitemapRequest final {
public:
    explicit TSitemapRequest(THTTPClient& AClient)
        : FClient(AClient), FReferer(AClient.Referer()), FSettings(AClient.RequestSettings()) {
        FClient.SetReferer(QString());
        FClient.SetMaxBodySize(std::min<qint64>(FSettings.Transfer.MaxBodySize, kMaxSitemapBytes));
        FClient.SetMaxDecodedSize(std::min<qint64>(FSettings.MaxDecodedSize, kMaxSitemapBytes));
    }
    ~TSitemapRequest() {
        FClient.SetMaxBodySize(FSettings.Transfer.MaxBodySize);
        FClient.SetMaxDecodedSize(FSettings.MaxDecodedSize);
        FClient.SetReferer(FReferer);
    }
    TSitemapRequest(const TSitemapRequest&) = delete;
    TSitemapRequest& operator=(const TSitemapRequest&) = delete;

private:
    THTTPClient& FClient;
    QString FReferer;
    THTTPRequestSettings FSettings;
};

// The table as a page's links see it, noting every call that shapes the page's file, so that a
// later run can make them again without the page.
class TRecordedLinks final : public TLinkTable {
public:
    TRecordedLinks(TLinkTable& ATable, const TURLList& APaths, bool ARecord)
        : FTable(ATable), FPaths(APaths), FRecord(ARecord) {}

    int AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
               const QString& AIndexFile, const QString& AOutDir, int32_t AExtractURLs,
               int32_t AURLDepth, const QStringList* ASuppressURLs,
               const QString& ALinkType) override {
        const int index = FTable.AddURL(AURLTag, AURL, AWebsiteURL, AIndexFile, AOutDir,
                                        AExtractURLs, AURLDepth, ASuppressURLs, ALinkType);
        Note({'A', AURLTag, AExtractURLs, AURLDepth, AURL, AWebsiteURL, AIndexFile, AOutDir,
              ALinkType, false, QString()},
             index);
        return index;
    }
    int FindURL(const QString& ALoadURL) const override {
        const int index = FTable.FindURL(ALoadURL);
        TLinkCall call;
        call.Kind = 'F';
        call.URL = ALoadURL;
        Note(std::move(call), index);
        return index;
    }
    int Count() const override { return FTable.Count(); }
    QString OutFilePath(int AIndex) const override { return FTable.OutFilePath(AIndex); }
    int32_t RequisiteNesting(int AIndex) const override { return FTable.RequisiteNesting(AIndex); }
    void SetRequisiteNesting(int AIndex, int32_t ANesting) override {
        FTable.SetRequisiteNesting(AIndex, ANesting);
        TLinkCall call;
        call.Kind = 'N';
        call.ExtractURLs = ANesting;
        FReplayable = FReplayable && AIndex == FLast; // replayed on the last entry found
        if (FRecord)
            FCalls.push_back(std::move(call));
    }
    // The calls, or none when they would not replay.
    bool Replayable() const { return FReplayable; }
    const std::vector<TLinkCall>& Calls() const { return FCalls; }

private:
    void Note(TLinkCall&& ACall, int AIndex) const {
        FLast = AIndex;
        if (!FRecord)
            return;
        ACall.Found = AIndex >= 0;
        if (AIndex >= 0)
            ACall.OutFilePath = FPaths.OutFilePath(AIndex);
        FCalls.push_back(std::move(ACall));
    }

    TLinkTable& FTable;
    const TURLList& FPaths;
    bool FRecord;
    mutable int FLast = -1;
    mutable std::vector<TLinkCall> FCalls;
    bool FReplayable = true;
};

// Makes a page's recorded calls on ATable again: whether each found what it found then (an entry
// saved under the same path), and how many entries they added.
bool ReplayLinkCalls(TLinkTable& ATable, const std::vector<TLinkCall>& ACalls,
                     const QStringList* ASuppressURLs, int& ANewCount) {
    bool same = true;
    int index = -1;
    ANewCount = 0;
    for (const TLinkCall& call : ACalls) {
        const int before = ATable.Count();
        if (call.Kind == 'N') {
            if (index >= 0)
                ATable.SetRequisiteNesting(index, call.ExtractURLs);
            continue;
        }
        index = call.Kind == 'A' ? ATable.AddURL(call.Tag, call.URL, call.WebsiteURL,
                                                 call.IndexFile, call.OutDir, call.ExtractURLs,
                                                 call.URLDepth, ASuppressURLs, call.LinkType)
                                 : ATable.FindURL(call.URL);
        if (index >= 0 && ATable.Count() > before)
            ++ANewCount;
        same = same && (index >= 0) == call.Found &&
               (index < 0 || ATable.OutFilePath(index) == call.OutFilePath);
    }
    return same;
}

// Whether the file a reply was saved to is still the one that run left.
bool IsSavedFileIntact(const TSavedReply& AReply) {
    const QFileInfo info(AReply.LocalPath);
    return info.isFile() && info.size() == AReply.Size &&
           info.lastModified().toMSecsSinceEpoch() == AReply.ModifiedMs;
}

// Until the crawl ends, the client asks conditionally for what the previous run saved.
class TConditionalRequests final {
public:
    TConditionalRequests(THTTPClient& AClient, TConditionalHeaders AHeaders) : FClient(AClient) {
        FClient.SetConditionalHeaders(std::move(AHeaders));
    }
    ~TConditionalRequests() { FClient.SetConditionalHeaders(nullptr); }
    TConditionalRequests(const TConditionalRequests&) = delete;
    TConditionalRequests& operator=(const TConditionalRequests&) = delete;

private:
    THTTPClient& FClient;
};

bool HasNonASCII(const QByteArray& AText) {
    for (char c : AText)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

} // namespace

QString WebsitePrefix(const QString& AWebsiteURL) {
    QString url = AWebsiteURL.left(AWebsiteURL.indexOf(u'?') < 0 ? AWebsiteURL.size()
                                                                 : AWebsiteURL.indexOf(u'?'));
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    if (scheme >= 0 && url.indexOf(u'/', scheme + 3) < 0)
        url.append(u'/'); // "http://site" means the site, not every host
    const qsizetype slash = url.lastIndexOf(u'/');
    return slash < 0 ? QString() : url.left(slash + 1);
}

// One entry of the table as this crawl works on it; redirects change the copy, not the table.
struct TWebsiteCrawl::TEntry {
    QString URL;         // as fetched, non-ASCII encoded; after a redirect, its target
    QString OutFilePath; // the table's path, or the path a redirect gave it
    int32_t ExtractURLs = 0;
    int32_t URLDepth = 0;
    int32_t RequisiteNesting = 0;
};

TWebsiteCrawl::TWebsiteCrawl(const QString& AOutFolder, const TWebsiteProject& AProject,
                             THTTPClient& AHTTPClient, const TRunContext& AContext)
    : FProject(AProject), FHTTPClient(AHTTPClient), FContext(AContext), FOutFolder(AOutFolder),
      FScope(AProject, AContext), FURLList(AContext.PathReading(), AProject.CompletePages()),
      FPacing(AProject.WaitMs()) {
    // A pattern that does not compile (here or in the scope) ends the crawl before anything is
    // fetched.
    FReplaceRules = CompileReplaceRules(AProject.ReplacePatterns(), AProject.ReplaceRules());
    TLinkProcessingSettings& s = FLinkSettings;
    s.WebsiteURL = WebsitePrefix(AProject.WebsiteURL());
    s.RemoveScripts = AProject.RemoveScripts();
    s.RemoveNoscripts = AProject.RemoveNoscripts();
    s.RelativePathLinks = AProject.RelativePathLinks();
    s.CompletePages = AProject.CompletePages();
    s.BaseURL = NormalizedBaseURL(AProject.BaseURL());
    s.IndexFile =
        AProject.IndexFile().isEmpty() ? QStringLiteral("index.html") : AProject.IndexFile();
    s.OutDir = OutputPrefix(AOutFolder, AContext.PathReading());
    s.PathReading = AContext.PathReading();
    s.WebDocuments = AProject.WebDocuments();
    s.WDOutFolders = AProject.WDOutFolders();
    s.WebsiteDomainAliases = AProject.WebsiteDomainAliases();
    s.SuppressURLs = AProject.SuppressURLs();
    s.BreakFlag = AContext.Terminated();
}

void TWebsiteCrawl::Seed() {
    const TLinkProcessingSettings& s = FLinkSettings;
    const QStringList& pages = FProject.WebPages();
    if (!pages.isEmpty()) {
        for (qsizetype j = 0; j < pages.size(); ++j) {
            // A page that does not resolve keeps its text, so its entry says what was typed.
            const QString url = ResolveURL(pages[j], s.WebsiteURL);
            FURLList.AddURL(utA, url.isEmpty() ? pages[j] : url, s.WebsiteURL, s.IndexFile,
                            s.OutDir, FProject.WPExtractURLs().GetValue(j), 0, &s.SuppressURLs,
                            QString());
        }
    } else if (!FProject.WebsiteURL().isEmpty()) {
        FURLList.AddURL(utA, WithRootPath(FProject.WebsiteURL()), s.WebsiteURL, s.IndexFile,
                        s.OutDir, UnlimitedDepth, 0, &s.SuppressURLs, QString());
    }
}

// The pages the site's sitemaps list inside the website prefix follow the start pages, in the
// order listed. The sitemaps are read one after another before the crawl, so the table is the
// same with any number of connections; they are not saved.
void TWebsiteCrawl::SeedFromSitemaps() {
    const QString origin = RobotsOrigin(FLinkSettings.WebsiteURL);
    if (origin.isEmpty())
        return;
    QSet<QString> read;
    for (const QString& url : SitemapURLs(origin))
        ReadSitemap(url, 0, read);
}

// The Sitemap lines of the site's robots.txt (read only for them when it is not obeyed), else
// the usual place.
QStringList TWebsiteCrawl::SitemapURLs(const QString& AOrigin) {
    const QString robotsURL = AOrigin + QStringLiteral("/robots.txt");
    const QStringList lines =
        FProject.Robots() ? RobotsFor(AOrigin).Sitemaps() : FetchRobots(AOrigin).Sitemaps();
    QStringList urls;
    for (const QString& line : lines) {
        const QString url = ResolveURL(line, robotsURL);
        if (!url.isEmpty() && !urls.contains(url))
            urls.append(url);
    }
    if (urls.isEmpty())
        urls.append(AOrigin + QStringLiteral("/sitemap.xml"));
    return urls;
}

void TWebsiteCrawl::ReadSitemap(const QString& AURL, int ANesting, QSet<QString>& ARead) {
    if (IsTerminated() || ARead.contains(AURL) || ARead.size() > kMaxSitemapFiles)
        return;
    ARead.insert(AURL);
    if (ARead.size() > kMaxSitemapFiles) { // said once; the rest are left out silently
        LogUnreadableSitemap(
            AURL, QStringLiteral("more than %1 sitemaps, the rest left out").arg(kMaxSitemapFiles));
        return;
    }
    const QString unloadable = UnloadableURLReason(AURL);
    if (!unloadable.isEmpty()) {
        LogUnreadableSitemap(AURL, unloadable);
        return;
    }
    if (!IsAllowedByRobots(EncodeNonASCIIChars(AURL), AURL))
        return;
    QByteArray body;
    if (!FetchSitemap(AURL, body))
        return;
    const TSitemap sitemap = ParseSitemap(body);
    body.clear();
    if (!sitemap.Problem.isEmpty()) {
        LogUnreadableSitemap(AURL, sitemap.Problem);
        return;
    }
    if (sitemap.Truncated)
        FContext.Log(QStringLiteral("Sitemap lists more than %1 URLs, the rest is left out: %2")
                         .arg(kMaxSitemapURLs)
                         .arg(AURL));
    if (sitemap.Index)
        ReadSitemapIndex(AURL, sitemap, ANesting, ARead);
    else
        AddSitemapPages(AURL, sitemap);
}

// An index names sitemaps of its own site; each is read in turn, in the order listed.
void TWebsiteCrawl::ReadSitemapIndex(const QString& AURL, const TSitemap& AIndex, int ANesting,
                                     QSet<QString>& ARead) {
    if (ANesting >= kMaxSitemapNesting) {
        LogUnreadableSitemap(AURL, QStringLiteral("sitemap indexes nested too deeply"));
        return;
    }
    FContext.Log(
        QStringLiteral("Sitemap index read: %1 (sitemaps: %2)").arg(AURL).arg(AIndex.Locs.size()));
    const QString origin = RobotsOrigin(AURL);
    int elsewhere = 0;
    for (const QString& loc : AIndex.Locs) {
        const QString url = WithRootPath(ResolveURL(loc, AURL));
        if (RobotsOrigin(url) == origin)
            ReadSitemap(url, ANesting + 1, ARead);
        else
            ++elsewhere;
    }
    if (elsewhere > 0)
        FContext.Log(
            QStringLiteral("Sitemaps on other sites left out: %1 in %2").arg(elsewhere).arg(AURL));
}

// One request, without retries: a sitemap that cannot be had is one line, and the crawl goes on.
bool TWebsiteCrawl::FetchSitemap(const QString& AURL, QByteArray& ABody) {
    const TSitemapRequest request(FHTTPClient);
    WaitTurn(AURL);
    try {
        QString contentType;
        FHTTPClient.HTTPGet(EncodeNonASCIIChars(AURL), ABody, contentType, kUpdateReferer,
                            kNoGZipDeflate, kClientMaxRedirects, kClientTimeoutRetries);
        return true;
    } catch (const std::exception& E) {
        if (!IsTerminated()) // Break is no fault of the sitemap's
            LogUnreadableSitemap(AURL, ExceptionMessage(E));
        return false;
    }
}

void TWebsiteCrawl::AddSitemapPages(const QString& AURL, const TSitemap& ASitemap) {
    const TLinkProcessingSettings& s = FLinkSettings;
    const int32_t limit = SitemapExtractURLs();
    const int known = FURLList.Count();
    for (const QString& loc : ASitemap.Locs) {
        const QString url = WithRootPath(ResolveURL(loc, AURL));
        if (!url.isEmpty() && AsciiStartsText(url, s.WebsiteURL))
            FURLList.AddURL(utA, url, s.WebsiteURL, s.IndexFile, s.OutDir, limit, 0,
                            &s.SuppressURLs, QString());
    }
    FContext.Log(
        QStringLiteral("Sitemap read: %1 (new URLs: %2)").arg(AURL).arg(FURLList.Count() - known));
}

// A sitemap's page follows its links as far as the project's own start does: without limit
// when it has no start pages, else as far as its farthest-reaching start page. Never less, so a
// page that a start page also leads to is followed no less far for being listed first.
int32_t TWebsiteCrawl::SitemapExtractURLs() const {
    if (FProject.WebPages().isEmpty())
        return UnlimitedDepth;
    const TIntList& limits = FProject.WPExtractURLs();
    int32_t limit = 0;
    for (int i = 0; i < limits.Count(); ++i)
        limit = std::max(limit, limits.GetValue(i));
    return limit;
}

void TWebsiteCrawl::LogUnreadableSitemap(const QString& AURL, const QString& AReason) {
    FContext.Log(QStringLiteral("Sitemap not readable: %1: %2").arg(AURL, AReason));
}

// The project's cookies file, read when its run starts; a line that does not read is skipped.
void TWebsiteCrawl::LoadCookies() {
    const QString path = FProject.CookiesFile();
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FContext.Log(
            QStringLiteral("Cannot read cookies file %1: %2").arg(path, file.errorString()));
        return;
    }
    const TCookiesFile cookies = ParseCookiesFile(file.readAll());
    for (const int line : cookies.MalformedLines)
        FContext.Log(
            QStringLiteral("Malformed line %1 in cookies file %2, skipped").arg(line).arg(path));
    FHTTPClient.LoadCookies(cookies.Lines);
}

void TWebsiteCrawl::Run() {
    // The time limit counts the whole run: reading sitemaps and robots.txt too.
    TRunLimits limits(FProject, FLimitStop);
    limits.Start();
    int first = 0;
    if (FJournal) {
        // The journal's folder is no name of the copy: a URL that maps to it is numbered.
        FURLList.ReserveName(FLinkSettings.OutDir, QLatin1String(kJournalFolder));
        first = Replay();
        FURLList.SetListener(FJournal);
    }
    LoadCookies();
    std::optional<TConditionalRequests> conditional;
    if (FJournal && FProject.ConditionalGet())
        conditional.emplace(FHTTPClient,
                            [this](const QString& AURL) { return ValidatorsFor(AURL); });
    if (first == 0)
        Seed();
    // The start pages are the user's own choice; what they lead to is kept in scope.
    FURLList.SetScope(&FScope);
    if (FProject.Sitemaps() && first == 0) // a continued run has their pages from the journal
        SeedFromSitemaps();
    if (FConnections > 1) {
        FFetchAhead = std::make_unique<TFetchAhead>(FHTTPClient.RequestSettings(), FConnections,
                                                    FOutFolder, FContext);
        NoteReferers(0, QString());
        if (FProject.Robots())
            FFetchAhead->SetGate([this](const QString& AURL) { return RobotsGate(AURL); });
        FFetchAhead->SetPacing(&FPacing);
        FFetchAhead->SetLinkScan([this](TURLList& ATable, int AIndex, const TFetched& AFetched) {
            return ScanAhead(ATable, AIndex, AFetched);
        });
    }
    for (int i = first; i < FURLList.Count() && !limits.Reached(); ++i) {
        ProcessEntryGuarded(i);
        if (FArchive)
            FArchive->CheckWritten();
        limits.Count(FCounters.Downloaded, FReceived);
        // An entry that Break cut short is done again when the run continues.
        const bool broken = IsTerminated() && !limits.Reached();
        if (FJournal && !broken)
            JournalEntryDone(i);
        if (IsTerminated() || limits.Reached())
            break;
    }
    FFetchAhead.reset(); // transfers under way end before the summary
    FContext.Log(limits.ReachedLine());
    FLinkedFiles.Flush(FOutFolder, [this](const std::exception& E) { FContext.LogException(E); });
    if (FJournal && (!IsTerminated() || limits.Reached()))
        FJournal->Complete();
    LogSummary();
}

void TWebsiteCrawl::JournalEntryDone(int AIndex) {
    const TCrawlCounters& c = FCounters;
    FJournal->EntryDone(AIndex, {c.Downloaded, c.AlreadyExisted, c.NotChanged, c.Empty, c.Failed,
                                 c.Skipped, FReceived});
}

// Rebuilds the table, the counts and the files waiting for renamed links as the journal's
// finished entries left them, by the same calls; returns the entry to go on with (0: none).
int TWebsiteCrawl::Replay() {
    int next = 0;
    for (const TJournalRecord& record : FJournal->Records())
        ReplayRecord(record, next);
    FJournal->ReleaseRecords();
    if (next > 0)
        FContext.Log(QStringLiteral("Continuing from the journal: %1 of %2 URLs done")
                         .arg(next)
                         .arg(FURLList.Count()));
    return next;
}

void TWebsiteCrawl::ReplayRecord(const TJournalRecord& ARecord, int& ANext) {
    const QStringList& f = ARecord.Fields;
    const int index = f[0].toInt();
    const auto mismatch = [&ARecord]() {
        return EJournalMismatch(QStringLiteral("the table does not rebuild at ") +
                                QChar::fromLatin1(ARecord.Kind) + u' ' + ARecord.Fields[0]);
    };
    switch (ARecord.Kind) {
    case 'U': {
        const int tag = f[1].toInt();
        if (tag <= utUndefined || tag > utIFrame ||
            FURLList.AddURL(TURLTag(tag), f[4], f[5], f[6], f[7], f[2].toInt(), f[3].toInt(),
                            nullptr, f[8]) != index ||
            FURLList.Count() != index + 1)
            throw mismatch();
        break;
    }
    case 'N':
        FURLList.SetRequisiteNesting(index, f[1].toInt());
        break;
    case 'R': {
        const QString oldPath = FURLList.OutFilePath(index);
        if (!FURLList.TakeServerName(index, f[1]))
            throw mismatch();
        const TLinkProcessingSettings& s = FLinkSettings;
        FLinkedFiles.Moved(index, oldPath, FOutFolder,
                           {s.RelativePathLinks, s.BaseURL, s.IndexFile, s.OutDir, s.PathReading},
                           [this](const std::exception& E) { FContext.LogException(E); });
        break;
    }
    case 'L': {
        std::vector<int> entries;
        for (qsizetype i = 3; i < f.size(); ++i) {
            entries.push_back(f[i].toInt());
            if (entries.back() < 0 || entries.back() >= FURLList.Count())
                throw mismatch();
        }
        FLinkedFiles.FileRestored(f[1], f[2], entries);
        break;
    }
    case 'V': // what a later run asks conditionally; nothing of the table
    case 'P':
        break;
    case 'S':
        FResumeSaving = index == ANext ? index : -1;
        break;
    case 'D':
        if (index != ANext)
            throw mismatch();
        FCounters = {f[1].toInt(), f[2].toInt(), f[3].toInt(),
                     f[4].toInt(), f[5].toInt(), f[6].toInt()};
        FReceived = f[7].toLongLong();
        ANext = index + 1;
        break;
    default:
        throw mismatch();
    }
}

void TWebsiteCrawl::ProcessEntry(int AIndex) {
    FCurrent = AIndex;
    FContext.Log(QStringLiteral("Downloading [ %1 / %2 ]: %3")
                     .arg(AIndex + 1)
                     .arg(FURLList.Count())
                     .arg(FURLList.URL(AIndex)));
    TEntry entry{EncodeNonASCIIChars(FURLList.URL(AIndex)), FURLList.OutFilePath(AIndex),
                 FURLList.ExtractURLs(AIndex), FURLList.URLDepth(AIndex),
                 FURLList.RequisiteNesting(AIndex)};
    if (!IsLoadable(FURLList.URL(AIndex)) || !IsAllowedByRobots(entry.URL, FURLList.URL(AIndex)))
        return;
    TFetched fetched =
        Record(FFetchAhead ? FFetchAhead->Take(AIndex, FURLList, FReferers) : Fetch(entry));
    std::optional<int> replayed; // the new entries of stored links made again
    if (fetched.NotModified) {
        if (KeepUnchanged(AIndex, entry, fetched, replayed))
            return;
        fetched = FetchAgain(AIndex, entry, fetched.URL);
    }
    if (!fetched.Location.isEmpty())
        ApplyRedirect(entry, fetched);
    if (!fetched.Succeeded || entry.OutFilePath.isEmpty())
        return;
    TakeServerName(AIndex, entry, fetched.ContentDisposition);
    QString localPath;
    if (!CheckFolder(entry, localPath))
        return;
    const int known = FURLList.Count();
    FLinkedFiles.BeginFile(AIndex);
    TRecordedLinks links(FLinkedFiles, FURLList, FJournal && FProject.ConditionalGet());
    FSavedAsReceived = false;
    const QByteArray content = ContentToWrite(entry, fetched, links, false, replayed);
    if (FFetchAhead) {
        NoteReferers(known, entry.URL);
        FFetchAhead->Found(AIndex, FURLList, FReferers);
    }
    const int existed = FCounters.AlreadyExisted;
    const bool saved = Save(localPath, content);
    if ((saved || FCounters.AlreadyExisted > existed) && links.Replayable() && !FSavedAsReceived)
        NoteSavedReply(AIndex, entry, fetched, localPath, links.Calls());
    if (!saved)
        return;
    const std::vector<int> linked = FLinkedFiles.FileSaved(localPath, entry.OutFilePath);
    if (FJournal)
        FJournal->FileLinks(AIndex, localPath, entry.OutFilePath, linked);
}

// The validators of the previous run's reply to AURL, while the file it saved is as it left it.
QList<QByteArray> TWebsiteCrawl::ValidatorsFor(const QString& AURL) {
    const TSavedReply* reply =
        FUnconditional.contains(AURL) ? nullptr : FJournal->PreviousReply(AURL);
    if (!reply || !IsSavedFileIntact(*reply))
        return {};
    return ConditionalRequestHeaders(reply->ETag, reply->LastModified);
}

// A "304 Not Modified": the file the previous run saved stays, and the page's stored links are
// added as processing it would add them. False when the file is not exactly what processing the
// page now would write (its own path, its depth or a link's target moved, the file changed): it
// is then asked for again in full, with ANewCount the entries its links already added.
bool TWebsiteCrawl::KeepUnchanged(int AIndex, TEntry& AEntry, const TFetched& AFetched,
                                  std::optional<int>& ANewCount) {
    const TSavedReply* stored = FJournal ? FJournal->PreviousReply(AFetched.URL) : nullptr;
    std::vector<TLinkCall> calls;
    if (!stored || !FJournal->PreviousLinks(AFetched.URL, calls))
        return false;
    TSavedReply reply = *stored;
    QString localPath;
    if (!IsKept(AEntry, reply, localPath))
        return false;
    const int known = FURLList.Count();
    FLinkedFiles.BeginFile(AIndex);
    int newCount = 0;
    const bool same = ReplayLinkCalls(FLinkedFiles, calls, &FLinkSettings.SuppressURLs, newCount);
    if (FFetchAhead)
        NoteReferers(known, AEntry.URL);
    if (!same) {
        ANewCount = newCount;
        return false;
    }
    if (AEntry.URLDepth < AEntry.ExtractURLs && IsPageContentType(reply.ContentType))
        FContext.Log(NewURLsExtractedLine(newCount));
    LogUnchanged(localPath);
    if (FProject.Overwrite() != ofNone) {
        const std::vector<int> linked = FLinkedFiles.FileSaved(localPath, AEntry.OutFilePath);
        FJournal->FileLinks(AIndex, localPath, AEntry.OutFilePath, linked);
    }
    // A 304 may carry the validators anew.
    if (!AFetched.ETag.isEmpty())
        reply.ETag = AFetched.ETag;
    if (!AFetched.LastModified.isEmpty())
        reply.LastModified = AFetched.LastModified;
    FJournal->SavedReply(AIndex, AFetched.URL, reply, calls);
    return true;
}

// Whether the entry would be saved now where, and as, the previous run saved it.
bool TWebsiteCrawl::IsKept(const TEntry& AEntry, const TSavedReply& AReply, QString& ALocalPath) {
    // A name the reply gave is not taken twice: such a download is asked for in full.
    if (!AReply.Disposition.isEmpty() && FURLList.MayTakeServerName(FCurrent))
        return false;
    return !AEntry.OutFilePath.isEmpty() && AEntry.OutFilePath == AReply.OutFilePath &&
           AEntry.ExtractURLs == AReply.ExtractURLs && AEntry.URLDepth == AReply.URLDepth &&
           AEntry.RequisiteNesting == AReply.Nesting && IsSavedFileIntact(AReply) &&
           CheckFolder(AEntry, ALocalPath) && ALocalPath == AReply.LocalPath;
}

// As the overwrite mode reports a file that is already what the reply would make of it: "none"
// as it reports any existing file, "changed" and "all" as unchanged (it is not written again).
void TWebsiteCrawl::LogUnchanged(const QString& ALocalPath) {
    if (FProject.Overwrite() == ofNone) {
        FContext.Log(QStringLiteral("File already exists: ") + ALocalPath);
        ++FCounters.AlreadyExisted;
        return;
    }
    FContext.Log(QStringLiteral("File does not changed: ") + ALocalPath);
    ++FCounters.NotChanged;
}

// The entry once more, in full, one after another: the "304 Not Modified" cannot be used.
TFetched TWebsiteCrawl::FetchAgain(int AIndex, const TEntry& AEntry, const QString& AURL) {
    FUnconditional.insert(AURL);
    if (FFetchAhead)
        FHTTPClient.SetReferer(AIndex < FReferers.size() ? FReferers[AIndex] : QString());
    return Record(Fetch(AEntry));
}

// Notes how the reply was saved, for the next run to ask for it conditionally; a redirect is
// always asked for anew.
void TWebsiteCrawl::NoteSavedReply(int AIndex, const TEntry& AEntry, const TFetched& AFetched,
                                   const QString& ALocalPath,
                                   const std::vector<TLinkCall>& ACalls) {
    if (!FJournal || !FProject.ConditionalGet() || !AFetched.Location.isEmpty() ||
        (AFetched.ETag.isEmpty() && AFetched.LastModified.isEmpty()))
        return;
    const QFileInfo info(ALocalPath);
    if (!info.isFile())
        return;
    TSavedReply reply;
    reply.ETag = AFetched.ETag;
    reply.LastModified = AFetched.LastModified;
    reply.Disposition = AFetched.ContentDisposition;
    reply.ContentType = AFetched.ContentType;
    reply.LocalPath = ALocalPath;
    reply.OutFilePath = AEntry.OutFilePath;
    reply.Size = info.size();
    reply.ModifiedMs = info.lastModified().toMSecsSinceEpoch();
    reply.ExtractURLs = AEntry.ExtractURLs;
    reply.URLDepth = AEntry.URLDepth;
    reply.Nesting = AEntry.RequisiteNesting;
    FJournal->SavedReply(AIndex, AFetched.URL, reply, ACalls);
}

// What processing entry AIndex of ATable (a copy) with AFetched would add to it: the same steps,
// with nothing written or logged. The page's URL, which names it as the referer of what it adds.
QString TWebsiteCrawl::ScanAhead(TURLList& ATable, int AIndex, TFetched AFetched) {
    TEntry entry{EncodeNonASCIIChars(ATable.URL(AIndex)), ATable.OutFilePath(AIndex),
                 ATable.ExtractURLs(AIndex), ATable.URLDepth(AIndex),
                 ATable.RequisiteNesting(AIndex)};
    std::vector<TLinkCall> calls;
    int added = 0;
    if (AFetched.NotModified && FJournal && FJournal->PreviousLinks(AFetched.URL, calls))
        ReplayLinkCalls(ATable, calls, &FLinkSettings.SuppressURLs, added);
    if (!AFetched.Location.isEmpty())
        ApplyRedirect(entry, AFetched);
    if (AFetched.Succeeded && !entry.OutFilePath.isEmpty()) {
        TLinkedFiles links(ATable);
        links.BeginFile(AIndex);
        ContentToWrite(entry, AFetched, links, true);
    }
    return entry.URL;
}

// A complete copy saves a download whose URL names no file under the name its reply gives, and
// the files saved before it that link to it follow.
void TWebsiteCrawl::TakeServerName(int AIndex, TEntry& AEntry, const QString& ADisposition) {
    if (ADisposition.isEmpty() || AEntry.OutFilePath != FURLList.OutFilePath(AIndex) ||
        !FURLList.MayTakeServerName(AIndex))
        return;
    const QString name = DispositionFileName(ADisposition);
    const QString oldPath = AEntry.OutFilePath;
    if (name.isEmpty() || !FURLList.TakeServerName(AIndex, name))
        return;
    AEntry.OutFilePath = FURLList.OutFilePath(AIndex);
    const TLinkProcessingSettings& s = FLinkSettings;
    FLinkedFiles.Moved(AIndex, oldPath, FOutFolder,
                       {s.RelativePathLinks, s.BaseURL, s.IndexFile, s.OutDir, s.PathReading},
                       [this](const std::exception& E) { FContext.LogException(E); });
}

// A URL that names no http(s) host is never requested: one line says why, and it counts failed.
bool TWebsiteCrawl::IsLoadable(const QString& AURL) {
    const QString reason = UnloadableURLReason(AURL);
    if (reason.isEmpty())
        return true;
    FContext.Log(QStringLiteral("Unsupported URL: %1 (%2)").arg(AURL, reason));
    ++FCounters.Failed;
    return false;
}

// A URL the site's robots.txt refuses is never requested: one line says so, and it counts skipped.
bool TWebsiteCrawl::IsAllowedByRobots(const QString& AURL, const QString& AShownURL) {
    const QString origin = FProject.Robots() ? RobotsOrigin(AURL) : QString();
    if (origin.isEmpty() || RobotsFor(origin).IsAllowed(AURL))
        return true;
    FContext.Log(QStringLiteral("Disallowed by robots.txt: ") + AShownURL);
    ++FCounters.Skipped;
    return false;
}

// Fetching ahead never makes the first request to a host: its robots.txt is read first, when the
// crawl reaches the entry.
TFetchAhead::TGate TWebsiteCrawl::RobotsGate(const QString& AURL) const {
    const auto it = FRobots.find(RobotsOrigin(AURL));
    if (it == FRobots.end())
        return RobotsOrigin(AURL).isEmpty() ? TFetchAhead::TGate::gGo : TFetchAhead::TGate::gWait;
    return it->second.IsAllowed(AURL) ? TFetchAhead::TGate::gGo : TFetchAhead::TGate::gSkip;
}

const TRobotsRules& TWebsiteCrawl::RobotsFor(const QString& AOrigin) {
    auto it = FRobots.find(AOrigin);
    if (it == FRobots.end()) {
        it = FRobots.emplace(AOrigin, FetchRobots(AOrigin)).first;
        FPacing.SetMinimum(AOrigin, it->second.CrawlDelayMs());
    }
    return it->second;
}

// Read once per origin, before any other request to it.
TRobotsRules TWebsiteCrawl::FetchRobots(const QString& AOrigin) {
    // The robots file is no step of the referer chain: asked for without one (its redirects
    // resolve against it), it leaves the chain as it was.
    const QString referer = FHTTPClient.Referer();
    FHTTPClient.SetReferer(QString());
    WaitTurn(AOrigin);
    TRobotsRules rules = ReadRobots(AOrigin);
    FHTTPClient.SetReferer(referer);
    return rules;
}

// A missing file (4xx) allows everything; a server error or a time-out disallows everything for
// this run. A file the server moved to another host, or that cannot be had for another reason,
// allows everything: the requests that follow then say what is wrong with the host.
TRobotsRules TWebsiteCrawl::ReadRobots(const QString& AOrigin) {
    QByteArray body;
    QString contentType;
    try {
        FHTTPClient.HTTPGet(AOrigin + QStringLiteral("/robots.txt"), body, contentType,
                            kUpdateReferer, kNoGZipDeflate, kRobotsMaxRedirects,
                            kClientTimeoutRetries);
    } catch (const EHTTPProtocolError& E) {
        return E.ErrorCode() >= 500 ? TRobotsRules::DisallowAll() : TRobotsRules();
    } catch (const ETransportError& E) {
        const bool timedOut = E.Fault() == TTransportFault::tfConnectTimedOut ||
                              E.Fault() == TTransportFault::tfReadTimedOut;
        return timedOut ? TRobotsRules::DisallowAll() : TRobotsRules();
    } catch (const std::exception&) {
        return TRobotsRules();
    }
    if (QUrl(FHTTPClient.CurURL()).host().compare(QUrl(AOrigin).host(), Qt::CaseInsensitive) != 0)
        return TRobotsRules();
    return TRobotsRules::Parse(body, kRobotsAgent);
}

// One after another, each attempt waits here for its host's turn; Break ends the wait.
void TWebsiteCrawl::WaitTurn(const QString& AURL) {
    const QString origin = RobotsOrigin(AURL);
    for (int ms = FPacing.Reserve(origin); ms > 0 && !IsTerminated(); ms = FPacing.Reserve(origin))
        QThread::msleep(std::min(ms, kAbortPollMs));
}

// The one place where a fetch, however it was made, reaches the log and the counts.
TFetched TWebsiteCrawl::Record(TFetchOutcome&& AOutcome) {
    LogNoted(AOutcome);
    const TFetchOutcome& outcome = AOutcome;
    FReceived += outcome.Fetched.Body.size();
    if (outcome.Empty)
        ++FCounters.Empty;
    if (outcome.Failed)
        ++FCounters.Failed;
    if (outcome.Replied)
        ++FReplies.Replied;
    else if (outcome.NoReply)
        ++FReplies.NoReply;
    return std::move(AOutcome.Fetched);
}

// One after another, the lines are logged as they happen (a retry line before its pause); fetched
// ahead, they wait for their entry's turn.
void TWebsiteCrawl::LogNoted(TFetchOutcome& AOutcome) {
    for (const QString& line : std::as_const(AOutcome.Lines))
        FContext.Log(line);
    AOutcome.Lines.clear();
}

// Overlapping requests form no chain: each names the page on which its URL was first found.
void TWebsiteCrawl::NoteReferers(int AFirst, const QString& APageURL) {
    while (FReferers.size() < AFirst)
        FReferers.append(QString());
    while (FReferers.size() < FURLList.Count())
        FReferers.append(APageURL);
}

void TWebsiteCrawl::ProcessEntryGuarded(int AIndex) {
    // Running out of memory on one URL (a huge page, a hostile one) fails that URL, not the run.
    try {
        ProcessEntry(AIndex);
    } catch (const std::bad_alloc&) {
        FContext.Log(QStringLiteral("Out of memory: ") + FURLList.URL(AIndex));
        ++FCounters.Failed;
    }
}

// One after another: the client's redirects and the crawl's retries noted as the pool's are.
TFetchOutcome TWebsiteCrawl::Fetch(const TEntry& AEntry) {
    TFetchOutcome outcome;
    TFetched& fetched = outcome.Fetched;
    FHTTPClient.SetOnRedirect([this, &outcome](THTTPClient&, const QString& ALocation) {
        outcome.Redirected(ALocation);
        LogNoted(outcome);
    });
    if (FContext.Options().WireDetails)
        FHTTPClient.SetOnExchange([this, &outcome](const TWireHeads& AHeads) {
            outcome.Exchanged(AHeads);
            LogNoted(outcome);
        });
    // Every attempt names the page the chain gave the first one, not the URL that just failed.
    const QString referer = FHTTPClient.Referer();
    for (;;) {
        FHTTPClient.SetReferer(referer);
        fetched.Location.clear();
        fetched.ContentType.clear();
        QByteArray body; // a failed attempt's partial body never precedes the next one's
        WaitTurn(AEntry.URL);
        if (IsTerminated()) {
            outcome.AttemptFailed(AbortedError(), FContext); // no request after Break
            break;
        }
        try {
            FHTTPClient.HTTPGet(AEntry.URL, body, fetched.ContentType, kUpdateReferer,
                                kNoGZipDeflate, kClientMaxRedirects, kClientTimeoutRetries);
            outcome.Received(std::move(body));
            if (FHTTPClient.NotModified())
                outcome.Unchanged();
            break;
        } catch (const std::exception& E) {
            const bool last = outcome.AttemptFailed(E, FContext);
            LogNoted(outcome);
            if (last)
                break;
            // In slices: a wait a server asked for may be long, and Break ends it.
            for (int left = outcome.RetryPauseMs; left > 0 && !IsTerminated(); left -= kAbortPollMs)
                QThread::msleep(ulong(std::min(left, int(kAbortPollMs))));
        }
    }
    FHTTPClient.SetOnRedirect(nullptr);
    FHTTPClient.SetOnExchange(nullptr);
    fetched.Charset = FHTTPClient.GetResponseCharset();
    fetched.URL = FHTTPClient.CurURL();
    if (fetched.Succeeded)
        fetched.ContentDisposition = FHTTPClient.ResponseDisposition();
    fetched.ETag = FHTTPClient.ResponseETag();
    fetched.LastModified = FHTTPClient.ResponseLastModified();
    return outcome;
}

void TWebsiteCrawl::ApplyRedirect(TEntry& AEntry, const TFetched& AFetched) {
    // The target as the client resolved it against the URL that was redirected.
    const QString target = AFetched.URL.isEmpty() ? AFetched.Location : AFetched.URL;
    AEntry.URL = target;
    const TLinkProcessingSettings& s = FLinkSettings;
    if (AEntry.OutFilePath.isEmpty()) {
        // Saved only when the target lies inside the site, under the path the table would give it.
        const TPathReading reading = FContext.PathReading();
        AEntry.OutFilePath =
            TURLList::JoinOutDir(s.OutDir,
                                 TURLList::MakeOutFilePath(utA, target, s.WebsiteURL, s.IndexFile,
                                                           QString(), reading, s.CompletePages),
                                 reading);
        return;
    }
    const QString indexTail = PathDelim(FContext.PathReading()) + s.IndexFile;
    if (target.endsWith(u'/') && !AsciiEndsText(AEntry.OutFilePath, indexTail))
        AEntry.OutFilePath.append(indexTail);
}

bool TWebsiteCrawl::CheckFolder(const TEntry& AEntry, QString& ALocalPath) {
    const TPathReading reading = FContext.PathReading();
    const QChar delim = PathDelim(reading);
    const QString path =
        LocalOutputPath(AEntry.OutFilePath, FLinkSettings.OutDir, FOutFolder, reading);
    const QString folder = path.left(qMax<qsizetype>(0, path.lastIndexOf(delim)));
    // One normalising check keeps every file inside the output folder, whatever the URL held.
    QString normalized;
    if (path.endsWith(delim) || !NormalizeLocalPath(path, normalized, reading) ||
        !IsPathBelow(normalized, FOutFolder, reading)) {
        FContext.Log(QStringLiteral("Invalid directory ") + folder);
        ++FCounters.Failed;
        return false;
    }
    const QString normalizedFolder =
        normalized.left(qMax<qsizetype>(0, normalized.lastIndexOf(delim)));
    const TFolderResult created = normalizedFolder.isEmpty()
                                      ? TFolderResult::frReady
                                      : ForceDirectoriesBelow(FOutFolder, normalizedFolder);
    if (created != TFolderResult::frReady) {
        FContext.Log((created == TFolderResult::frSymbolicLink
                          ? QStringLiteral("Invalid directory ")
                          : QStringLiteral("Unable to create directory ")) +
                     folder);
        ++FCounters.Failed;
        return false;
    }
    ALocalPath = normalized;
    return true;
}

// With AScanOnly the links are only added to ALinks: nothing is logged or rewritten.
QByteArray TWebsiteCrawl::ContentToWrite(const TEntry& AEntry, TFetched& AFetched,
                                         TLinkTable& ALinks, bool AScanOnly,
                                         std::optional<int> ANewCount) {
    if (AFetched.Body.isEmpty())
        return AFetched.Body;
    if (FLinkSettings.CompletePages && AsciiSameText(AFetched.ContentType, u"text/css"))
        return StyleSheetToWrite(AEntry, AFetched, ALinks, AScanOnly);
    if (!IsPageContentType(AFetched.ContentType))
        return AFetched.Body;
    const QString charset = AFetched.Charset;
    QString text;
    if (!DecodePageText(AFetched.Body, charset, FContext.Options().MaxPageTextChars, text)) {
        if (!AScanOnly) {
            FContext.Log(QStringLiteral("Page too large to process, saved as received: ") +
                         AEntry.URL);
            FSavedAsReceived = true;
        }
        return AFetched.Body;
    }
    AFetched.Body.clear();
    if (AScanOnly) {
        ScanLinks(text, ALinks, AEntry.URL, AEntry.OutFilePath, AEntry.ExtractURLs, AEntry.URLDepth,
                  FLinkSettings, AEntry.RequisiteNesting);
        return QByteArray();
    }
    QString processed;
    const TLinkProcessingResult found =
        ProcessLinks(text, processed, ALinks, AEntry.URL, AEntry.OutFilePath, AEntry.ExtractURLs,
                     AEntry.URLDepth, FLinkSettings, AEntry.RequisiteNesting);
    if (AEntry.URLDepth < AEntry.ExtractURLs)
        FContext.Log(NewURLsExtractedLine(ANewCount.value_or(found.NewCount)));
    QByteArray content = ApplyReplaceRules(FReplaceRules, processed.toUtf8());
    // A copy decoded from another character set may still declare it: the mark tells the truth.
    if (!IsUTF8Charset(charset) && HasNonASCII(content))
        content.prepend(UTF8ByteOrderMark);
    return content;
}

// The one place where a style sheet of a complete copy is turned into the file that is saved:
// its url() and @import references are not read yet, so it is saved exactly as received.
QByteArray TWebsiteCrawl::StyleSheetToWrite(const TEntry& AEntry, TFetched& AFetched,
                                            TLinkTable& ALinks, bool AScanOnly) {
    // The sheet's own @charset first; a sheet without one is UTF-8 when it reads as UTF-8.
    QString charset = StyleSheetCharset(AFetched.Body);
    if (charset.isEmpty())
        charset = QByteArrayView(AFetched.Body).isValidUtf8() ? QStringLiteral("UTF-8")
                                                              : AFetched.Charset;
    QString text;
    if (!DecodePageText(AFetched.Body, charset, FContext.Options().MaxPageTextChars, text)) {
        if (!AScanOnly) {
            FContext.Log(QStringLiteral("Page too large to process, saved as received: ") +
                         AEntry.URL);
            FSavedAsReceived = true;
        }
        return AFetched.Body;
    }
    QString processed;
    ProcessStyleSheet(text, processed, ALinks, AEntry.URL, AEntry.OutFilePath, AEntry.URLDepth,
                      FLinkSettings, AEntry.RequisiteNesting);
    QByteArray content = processed.toUtf8();
    // Saved as UTF-8: an @charset naming another set would now mislead the browser.
    if (!IsUTF8Charset(charset) && content.startsWith("@charset"))
        content.prepend(UTF8ByteOrderMark);
    return content;
}

// Whether the file now holds AContent.
bool TWebsiteCrawl::Save(const QString& ALocalPath, const QByteArray& AContent) {
    // The file that an interrupted run had begun to write is this run's own.
    const bool ours = FCurrent == FResumeSaving;
    const bool exists = !ours && QFileInfo::exists(ALocalPath);
    const TOverwriteFile policy = FProject.Overwrite();
    if (policy == ofChanged && exists && !FileChanged(ALocalPath, AContent, &FContext)) {
        FContext.Log(QStringLiteral("File does not changed: ") + ALocalPath);
        ++FCounters.NotChanged;
        return true;
    }
    if (policy == ofNone && !ours && IsRegularFile(ALocalPath)) {
        FContext.Log(QStringLiteral("File already exists: ") + ALocalPath);
        ++FCounters.AlreadyExisted;
        return false;
    }
    FContext.Log(QStringLiteral("Saving: ") + ALocalPath);
    if (FJournal)
        FJournal->SavingFile(FCurrent);
    try {
        WriteFileBelow(FOutFolder, ALocalPath, AContent);
        ++FCounters.Downloaded;
        return true;
    } catch (const std::exception& E) {
        FContext.LogException(E);
        ++FCounters.Failed;
        return false;
    }
}

void TWebsiteCrawl::LogSummary() {
    const TCrawlCounters& c = FCounters;
    // Skipped URLs are counted only where robots.txt is obeyed.
    const QString skipped =
        FProject.Robots() ? QStringLiteral(", skipped: %1").arg(c.Skipped) : QString();
    FContext.Log(QStringLiteral("Downloaded: %1, already existed: %2, not changed: %3, empty: %4, "
                                "failed: %5%6.")
                     .arg(c.Downloaded)
                     .arg(c.AlreadyExisted)
                     .arg(c.NotChanged)
                     .arg(c.Empty)
                     .arg(c.Failed)
                     .arg(skipped));
}

} // namespace tarrow
