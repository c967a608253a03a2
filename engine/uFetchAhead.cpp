#include "engine/uFetchAhead.h"

#include "engine/URLListUnit.h"
#include "engine/WebsiteCrawlUnit.h"

namespace tarrow {

namespace {

// Responses held (fetched or in flight) per connection beyond the entry being taken.
constexpr int kHeldPerConnection = 4;

} // namespace

TFetchAhead::TFetchAhead(const THTTPRequestSettings& ASettings, int AConnections,
                         bool ALogRedirects, const QString& ASpillFolder,
                         const TRunContext& AContext)
    : FContext(AContext), FLogRedirects(ALogRedirects), FSpillFolder(ASpillFolder),
      FWindow(std::max(AConnections, 1) * kHeldPerConnection),
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
        FPending.emplace(FNext, TPending());
        FPool.Add(FNext, EncodeNonASCIIChars(ATable.URL(FNext)), AReferers.value(FNext));
        ++FNext;
    }
}

void TFetchAhead::TakeBack(TPending& APending) {
    if (!APending.Spilled)
        return;
    TFetchOutcome& outcome = APending.Outcome;
    if (!APending.Spilled->Read(outcome.Fetched.Body)) {
        outcome.Lines.append(QStringLiteral("Cannot read the received data back: ") +
                             outcome.Fetched.URL);
        outcome.Fetched.Succeeded = false;
        outcome.Failed = true;
    }
    APending.Spilled.reset();
}

void TFetchAhead::Redirected(int AJob, const QString& ALocation) {
    if (FLogRedirects)
        FPending[AJob].Outcome.Lines.append(RedirectLogLine(ALocation));
}

int TFetchAhead::Failed(int AJob, const std::exception& E) {
    TPending& pending = FPending[AJob];
    pending.Outcome.Lines.append(TRunContext::ExceptionLine(E));
    const int attempt = pending.Attempts;
    if (attempt >= FContext.Options().HTTPRetries || FContext.IsTerminated() ||
        IsFinalFailure(E)) {
        pending.Outcome.Failed = true;
        pending.Done = true;
        return -1;
    }
    ++pending.Attempts;
    pending.Outcome.Lines.append(QStringLiteral("Retry #%1...").arg(attempt + 1));
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
    pending.Done = true;
    if (AJob != FTaking && fetched.Body.size() > kSpillBytes) {
        pending.Spilled = TSpillFile::Write(FSpillFolder, fetched.Body);
        if (pending.Spilled)
            fetched.Body = QByteArray();
    }
}

} // namespace tarrow
