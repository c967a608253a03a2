#include "engine/uFetchAhead.h"

#include "base/uURLUtils.h"

#include "engine/URLListUnit.h"
#include "engine/WebsiteCrawlUnit.h"

namespace tarrow {

bool IsLastAttempt(int AAttempt, const std::exception& E, const TRunContext& AContext) {
    return AAttempt >= AContext.Options().HTTPRetries || AContext.IsTerminated() ||
           IsFinalFailure(E);
}

QString RetryLine(int AAttempt) {
    return QStringLiteral("Retry #%1...").arg(AAttempt + 1);
}

TFetchAhead::TFetchAhead(const THTTPRequestSettings& ASettings, int AConnections,
                         bool ALogRedirects, const QString& ASpillFolder,
                         const TRunContext& AContext)
    : FContext(AContext), FLogRedirects(ALogRedirects), FSpill(ASpillFolder),
      FMemoryBudget(std::max(AConnections, 1) * kHeldPerConnection),
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
    while (FNext < ATable.Count() && FNext <= AIndex + FWindow) {
        const QString url = EncodeNonASCIIChars(ATable.URL(FNext));
        if (UnloadableURLReason(url).isEmpty()) { // the crawl fails the others without a request
            FPending.emplace(FNext, TPending());
            FPool.Add(FNext, url, AReferers.value(FNext));
        }
        ++FNext;
    }
}

void TFetchAhead::TakeBack(TPending& APending) {
    if (APending.InMemory)
        --FInMemory;
    if (!APending.Spilled.IsValid())
        return;
    TFetchOutcome& outcome = APending.Outcome;
    if (!FSpill.Take(APending.Spilled, outcome.Fetched.Body)) {
        outcome.Lines.append(QStringLiteral("Cannot read the received data back: ") +
                             outcome.Fetched.URL);
        outcome.Fetched.Succeeded = false;
        outcome.Failed = true;
    }
}

// A body waits in memory while the budget allows, on disk beyond it and when it is large; the
// one being waited for is processed at once.
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
    }
    APending.InMemory = true;
    ++FInMemory;
}

void TFetchAhead::Redirected(int AJob, const QString& ALocation) {
    if (FLogRedirects)
        FPending[AJob].Outcome.Lines.append(RedirectLogLine(ALocation));
}

int TFetchAhead::Failed(int AJob, const std::exception& E) {
    TPending& pending = FPending[AJob];
    pending.Outcome.Lines.append(TRunContext::ExceptionLine(E));
    const int attempt = pending.Attempts;
    if (IsLastAttempt(attempt, E, FContext)) {
        pending.Outcome.Failed = true;
        pending.Done = true;
        return -1;
    }
    ++pending.Attempts;
    pending.Outcome.Lines.append(RetryLine(attempt));
    return FContext.Options().RetryPauseMs;
}

void TFetchAhead::Finished(int AJob, THTTPResponse&& AResponse) {
    TPending& pending = FPending[AJob];
    TFetched& fetched = pending.Outcome.Fetched;
    pending.Outcome.Empty = AResponse.Body.isEmpty();
    fetched.Succeeded = !AResponse.Body.isEmpty();
    fetched.Body = std::move(AResponse.Body);
    fetched.ContentType = AResponse.ContentType;
    fetched.Charset = AResponse.Charset;
    fetched.URL = AResponse.URL;
    fetched.Location = AResponse.Location;
    fetched.ContentDisposition = AResponse.ContentDisposition;
    pending.Done = true;
    SetAside(AJob, pending);
}

} // namespace tarrow
