#include "engine/uFetchAhead.h"

#include "base/uURLUtils.h"

#include "engine/URLListUnit.h"
#include "engine/WebsiteCrawlUnit.h"
#include "engine/uRobotsTxt.h"

#include <cstdio>

namespace tarrow {

TFetchAhead::TFetchAhead(const THTTPRequestSettings& ASettings, int AConnections,
                         const QString& ASpillFolder, const TRunContext& AContext)
    : FContext(AContext), FSpill(ASpillFolder),
      FMemoryBudget(std::max(AConnections, 1) * kHeldPerConnection),
      FMemoryBytes(qint64(std::max(AConnections, 1)) * kSpillBytes),
      FQueueLimit(std::max(AConnections, 1) * kQueuedPerConnection),
      FWindow(std::max(AConnections, 1) * kAheadPerConnection),
      FPool(ASettings, AConnections, *this) {}

TFetchAhead::~TFetchAhead() {
    for (const auto& [job, pending] : FPending)
        if (!pending.Dropped)
            ++FStats.Wasted;
    // For the benchmarks: what fetching ahead cost beyond what the crawl used.
    if (qEnvironmentVariableIsSet("TARROW_FETCH_AHEAD_STATS"))
        fprintf(stderr, "fetch-ahead: copies %d, started %d, wasted %d\n", FStats.Copies,
                FStats.Started, FStats.Wasted);
}

TFetchOutcome TFetchAhead::Take(int AIndex, const TURLList& ATable, const QStringList& AReferers) {
    Sync(AIndex, ATable, AReferers);
    const QString url = EncodeNonASCIIChars(ATable.URL(AIndex));
    const QString referer = AReferers.value(AIndex);
    auto known = FJobOfURL.find(url);
    if (known != FJobOfURL.end() && FPending[known->second].Referer != referer) {
        Drop(known->second); // fetched as found on another page: its request differs
        known = FJobOfURL.end();
    }
    if (known == FJobOfURL.end())
        known = FJobOfURL.emplace(url, Start(url, referer)).first;
    FTaking = known->second; // still found by URL, so the copy reads it once it arrives
    for (;;) {
        Feed(AIndex, ATable, AReferers);
        if (FPending.at(FTaking).Done)
            break;
        FPool.Poll(THTTPPool::kAbortPollMs);
    }
    // The transfers that ended meanwhile make way for the next ones before the crawl goes on.
    FPool.Poll(0);
    Feed(AIndex, ATable, AReferers);
    FJobOfURL.erase(url);
    const auto it = FPending.find(FTaking);
    TakeBack(it->second);
    TFetchOutcome outcome = std::move(it->second.Outcome);
    FPending.erase(it);
    return outcome;
}

void TFetchAhead::Found(int AIndex, const TURLList& ATable, const QStringList& AReferers) {
    Sync(AIndex + 1, ATable, AReferers);
    Feed(AIndex, ATable, AReferers);
    FPool.Poll(0); // the requests leave now
}

void TFetchAhead::Feed(int AIndex, const TURLList& ATable, const QStringList& AReferers) {
    const TURLList& table = FAhead ? *FAhead : ATable;
    const QStringList& referers = FAhead ? FAheadReferers : AReferers;
    FNext = std::max(FNext, AIndex + 1); // the entry taken is started by Take
    while (FNext < table.Count() && MayFetchAhead(AIndex)) {
        const QString url = EncodeNonASCIIChars(table.URL(FNext));
        // The crawl fails an unloadable URL without a request.
        if (UnloadableURLReason(url).isEmpty() && !FJobOfURL.contains(url)) {
            const TGate gate = FGate ? FGate(url) : TGate::gGo;
            if (gate == TGate::gWait)
                break;
            if (gate == TGate::gGo)
                FJobOfURL.emplace(url, Start(url, referers.value(FNext)));
        }
        ++FNext;
    }
}

int TFetchAhead::Start(const QString& AURL, const QString& AReferer) {
    const int job = ++FLastJob;
    TPending& pending = FPending[job];
    pending.URL = AURL;
    pending.Referer = AReferer;
    ++FInPool;
    ++FStats.Started;
    FPool.Add(job, AURL, AReferer);
    return job;
}

// A fetch no entry takes: it ends unseen, its retries cut short.
void TFetchAhead::Drop(int AJob) {
    TPending& pending = FPending[AJob];
    FJobOfURL.erase(pending.URL);
    ++FStats.Wasted;
    if (pending.Done) {
        TakeBack(pending);
        FPending.erase(AJob);
    } else {
        pending.Dropped = true;
    }
}

// The copy of the table holds what the processed entries added; when it does not (a guess was
// wrong, or its reading fell behind), the scan starts over on the table itself. Until the scan
// must add an entry, it reads the table and makes no copy.
void TFetchAhead::Sync(int AIndex, const TURLList& ATable, const QStringList& AReferers) {
    if (!FScan)
        return;
    FTable = &ATable;
    FTableReferers = &AReferers;
    FTurn = AIndex;
    if (FAhead) {
        bool same = !FAheadWrong && FScanned >= AIndex && FAhead->Count() >= ATable.Count();
        for (; same && FChecked < ATable.Count(); ++FChecked)
            same = FAhead->URL(FChecked) == ATable.URL(FChecked) &&
                   FAheadReferers.value(FChecked) == AReferers.value(FChecked);
        if (same)
            return;
        FAhead.reset();
        FNext = AIndex; // what was started from the copy is matched again from here
    } else if (!FAheadWrong) {
        FScanned = std::max(FScanned, AIndex); // the entries before it are processed
        ScanAhead();
        return;
    }
    FScanned = AIndex;
    FAheadWrong = false;
    for (auto& [job, pending] : FPending)
        pending.Assumed = false;
    ScanAhead();
}

const TURLList& TFetchAhead::Scanned() const {
    return FAhead ? *FAhead : *FTable;
}

void TFetchAhead::CopyTable() {
    FAhead = std::make_unique<TURLList>(*FTable);
    FAhead->SetTrial();
    ++FStats.Copies;
    FAheadReferers = *FTableReferers;
    FChecked = FTable->Count();
}

// Reads the entries in order for as far as their fetches tell what they add. The entry the crawl
// takes next is left to the crawl: it reads the page at once, and what it finds is started then.
// An entry the crawl passes without reading (refused, failed) hands that turn to the next one.
void TFetchAhead::ScanAhead() {
    if (!FTable || FAheadWrong)
        return;
    while (FScanned < Scanned().Count()) {
        const QString url = EncodeNonASCIIChars(Scanned().URL(FScanned));
        const auto job = FJobOfURL.find(url);
        bool waits = false; // the crawl waits for its next attempt
        if (job == FJobOfURL.end()) {
            const bool refused =
                !UnloadableURLReason(url).isEmpty() || (FGate && FGate(url) == TGate::gSkip);
            if (!refused)
                break; // not fetched yet
        } else {
            TPending& pending = FPending[job->second];
            if (!pending.Done && pending.Outcome.Attempts == 0)
                break;
            if (!pending.Done) {
                pending.Assumed = true; // most likely it fails; if not, the guess is redone
                waits = true;
            } else if (pending.Outcome.Fetched.Succeeded) {
                if (FScanned == FTurn)
                    break;
                if (pending.Spilled.IsValid() && !ReadBack(job->second, pending))
                    break; // read when the crawl reaches it
                if (!FAhead)
                    CopyTable();
                const int known = FAhead->Count();
                const QString page = FScan(*FAhead, FScanned, pending.Outcome.Fetched);
                while (FAheadReferers.size() < known)
                    FAheadReferers.append(QString());
                while (FAheadReferers.size() < FAhead->Count())
                    FAheadReferers.append(page);
                if (pending.ReadBack) {
                    pending.ReadBack = false;
                    SetAside(job->second, pending);
                }
            }
        }
        if (FScanned == FTurn && !waits)
            ++FTurn; // the crawl passes it at once, to the next
        ++FScanned;
    }
}

// A body that waits on disk is read back to be scanned, and then set aside again; a large one
// waits where it is, and the copy is read no further until the crawl passes it.
bool TFetchAhead::ReadBack(int AJob, TPending& APending) {
    if (APending.Spilled.Size > kSpillBytes || AJob == FTaking)
        return false;
    TakeBack(APending);
    APending.Spilled = TSpillFile::TPlace();
    APending.ReadBack = true;
    return true;
}

void TFetchAhead::Ended(int AJob) {
    TPending& pending = FPending[AJob];
    pending.Done = true;
    --FInPool;
    if (pending.Dropped) {
        FPending.erase(AJob);
        return;
    }
    if (pending.Assumed && pending.Outcome.Fetched.Succeeded)
        FAheadWrong = true;
}

// After Break nothing new is started; without room on disk, only what memory can hold.
bool TFetchAhead::MayFetchAhead(int AIndex) const {
    const bool memoryFull =
        FSpillRefused && (FInMemory >= FMemoryBudget || FInMemoryBytes >= FMemoryBytes);
    return FNext <= AIndex + FWindow && FInPool < FQueueLimit && !memoryFull &&
           !FContext.IsTerminated();
}

void TFetchAhead::TakeBack(TPending& APending) {
    if (APending.InMemory) {
        --FInMemory;
        FInMemoryBytes -= APending.Outcome.Fetched.Body.size();
    }
    if (!APending.Spilled.IsValid())
        return;
    FSpillRefused = false; // the disk has its space back: it may take the next body
    TFetchOutcome& outcome = APending.Outcome;
    if (!FSpill.Take(APending.Spilled, outcome.Fetched.Body)) {
        outcome.Lines.append(QStringLiteral("Cannot read the received data back: ") +
                             outcome.Fetched.URL);
        outcome.Fetched.Succeeded = false;
        outcome.Failed = true;
    }
}

// A body waits in memory while the budget allows, on disk beyond it and when it is large; the
// one being waited for is processed at once. A body the disk does not take stays in memory, and
// fetching ahead pauses until memory has room again.
void TFetchAhead::SetAside(int AJob, TPending& APending) {
    QByteArray& body = APending.Outcome.Fetched.Body;
    const bool toDisk =
        AJob != FTaking && (body.size() > kSpillBytes || FInMemory >= FMemoryBudget);
    if (toDisk && !body.isEmpty()) {
        APending.Spilled = FSpill.Put(body);
        if (APending.Spilled.IsValid()) {
            body = QByteArray();
            return;
        }
        FSpillRefused = true;
    }
    Hold(APending);
}

void TFetchAhead::Hold(TPending& APending) {
    APending.InMemory = true;
    ++FInMemory;
    FInMemoryBytes += APending.Outcome.Fetched.Body.size();
}

void TFetchAhead::Exchanged(int AJob, const TWireHeads& AHeads) {
    FPending[AJob].Outcome.Exchanged(AHeads);
}

void TFetchAhead::Redirected(int AJob, const QString& ALocation) {
    FPending[AJob].Outcome.Redirected(ALocation);
}

int TFetchAhead::Failed(int AJob, const std::exception& E) {
    TPending& pending = FPending[AJob];
    if (pending.Dropped || pending.Outcome.AttemptFailed(E, FContext)) {
        Ended(AJob);
        ScanAhead();
        return -1;
    }
    const int pauseMs = pending.Outcome.RetryPauseMs;
    ScanAhead(); // a first failure lets the entries after it be read
    return pauseMs;
}

void TFetchAhead::Finished(int AJob, THTTPResponse&& AResponse) {
    TPending& pending = FPending[AJob];
    TFetched& fetched = pending.Outcome.Fetched;
    pending.Outcome.Received(std::move(AResponse.Body));
    fetched.ContentType = AResponse.ContentType;
    fetched.Charset = AResponse.Charset;
    fetched.URL = AResponse.URL;
    fetched.Location = AResponse.Location;
    fetched.ContentDisposition = AResponse.ContentDisposition;
    fetched.ETag = AResponse.ETag;
    fetched.LastModified = AResponse.LastModified;
    if (AResponse.NotModified)
        pending.Outcome.Unchanged();
    const bool dropped = pending.Dropped;
    Ended(AJob);
    if (dropped)
        return;
    ScanAhead(); // the body is still in memory
    SetAside(AJob, pending);
}

int TFetchAhead::StartDelayMs(int AJob, const QString& AURL) {
    (void)AJob;
    return FPacing ? FPacing->Reserve(RobotsOrigin(AURL)) : 0;
}

} // namespace tarrow
