#include "engine/uFetchAhead.h"

#include "base/uURLUtils.h"

#include "engine/URLListUnit.h"
#include "engine/WebsiteCrawlUnit.h"
#include "engine/uRobotsTxt.h"

namespace tarrow {

TFetchAhead::TFetchAhead(const THTTPRequestSettings& ASettings, int AConnections,
                         const QString& ASpillFolder, const TRunContext& AContext)
    : FContext(AContext), FSpill(ASpillFolder),
      FMemoryBudget(std::max(AConnections, 1) * kHeldPerConnection),
      FMemoryBytes(qint64(std::max(AConnections, 1)) * kSpillBytes),
      FQueueLimit(std::max(AConnections, 1) * kQueuedPerConnection),
      FWindow(std::max(AConnections, 1) * kAheadPerConnection),
      FPool(ASettings, AConnections, *this) {}

TFetchOutcome TFetchAhead::Take(int AIndex, const TURLList& ATable, const QStringList& AReferers) {
    FTaking = AIndex;
    for (;;) {
        Feed(AIndex, ATable, AReferers);
        const auto it = FPending.find(AIndex);
        if (it != FPending.end() && it->second.Done) {
            TakeBack(it->second);
            TFetchOutcome outcome = std::move(it->second.Outcome);
            FPending.erase(it);
            return outcome;
        }
        FPool.Poll(THTTPPool::kAbortPollMs);
    }
}

void TFetchAhead::Feed(int AIndex, const TURLList& ATable, const QStringList& AReferers) {
    FNext = std::max(FNext, AIndex);
    while (FNext < ATable.Count() && (FNext == AIndex || MayFetchAhead(AIndex))) {
        const QString url = EncodeNonASCIIChars(ATable.URL(FNext));
        if (UnloadableURLReason(url).isEmpty()) { // the crawl fails the others without a request
            // The entry taken has passed the crawl's own checks.
            const TGate gate = FNext == AIndex || !FGate ? TGate::gGo : FGate(url);
            if (gate == TGate::gWait)
                break;
            if (gate == TGate::gGo) {
                FPending.emplace(FNext, TPending());
                ++FInPool;
                FPool.Add(FNext, url, AReferers.value(FNext));
            }
        }
        ++FNext;
    }
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

void TFetchAhead::Redirected(int AJob, const QString& ALocation) {
    FPending[AJob].Outcome.Redirected(ALocation);
}

int TFetchAhead::Failed(int AJob, const std::exception& E) {
    TPending& pending = FPending[AJob];
    if (pending.Outcome.AttemptFailed(E, FContext)) {
        pending.Done = true;
        --FInPool;
        return -1;
    }
    return pending.Outcome.RetryPauseMs;
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
    pending.Done = true;
    --FInPool;
    SetAside(AJob, pending);
}

int TFetchAhead::StartDelayMs(int AJob, const QString& AURL) {
    (void)AJob;
    return FPacing ? FPacing->Reserve(RobotsOrigin(AURL)) : 0;
}

} // namespace tarrow
