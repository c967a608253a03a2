#include "engine/uFetchOutcome.h"

#include "http/HTTPClientUnit.h"
#include "http/uHTTPErrors.h"

#include <algorithm>

namespace tarrow {

bool IsLastAttempt(int AAttempt, const std::exception& E, const TRunContext& AContext) {
    return AAttempt >= AContext.Options().HTTPRetries || AContext.IsTerminated() ||
           IsFinalFailure(E) || (AContext.Options().RetryTransientOnly && !IsTransientFailure(E));
}

int RetryAfterWait(const std::exception& E, const TRunContext& AContext) {
    const auto* reply = dynamic_cast<const EHTTPProtocolError*>(&E);
    return reply && AContext.Options().RetryTransientOnly ? reply->RetryAfterSec() : -1;
}

QString RetryLine(int AAttempt, int ARetryAfterSec) {
    if (ARetryAfterSec >= 0)
        return QStringLiteral("Retry #%1 in %2 s...").arg(AAttempt + 1).arg(ARetryAfterSec);
    return QStringLiteral("Retry #%1...").arg(AAttempt + 1);
}

void TFetchOutcome::Redirected(const QString& ALocation) {
    Fetched.Location = ALocation;
    Lines.append(RedirectLogLine(ALocation));
}

bool TFetchOutcome::AttemptFailed(const std::exception& E, const TRunContext& AContext) {
    Lines.append(TRunContext::ExceptionLine(E));
    const int attempt = Attempts;
    if (IsLastAttempt(attempt, E, AContext)) {
        Failed = true;
        return true;
    }
    ++Attempts;
    const int wait = RetryAfterWait(E, AContext);
    RetryPauseMs = std::max(AContext.Options().RetryPauseMs, wait * 1000);
    Lines.append(RetryLine(attempt, wait));
    return false;
}

void TFetchOutcome::Received(QByteArray&& ABody) {
    Empty = ABody.isEmpty();
    Fetched.Succeeded = !ABody.isEmpty();
    Fetched.Body = std::move(ABody);
}

void TFetchOutcome::Unchanged() {
    Empty = false;
    Fetched.Succeeded = false;
    Fetched.NotModified = true;
}

} // namespace tarrow
