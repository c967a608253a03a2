#include "engine/uFetchOutcome.h"

#include "http/HTTPClientUnit.h"
#include "http/uHTTPErrors.h"

namespace tarrow {

bool IsLastAttempt(int AAttempt, const std::exception& E, const TRunContext& AContext) {
    return AAttempt >= AContext.Options().HTTPRetries || AContext.IsTerminated() ||
           IsFinalFailure(E);
}

QString RetryLine(int AAttempt) {
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
    Lines.append(RetryLine(attempt));
    return false;
}

void TFetchOutcome::Received(QByteArray&& ABody) {
    Empty = ABody.isEmpty();
    Fetched.Succeeded = !ABody.isEmpty();
    Fetched.Body = std::move(ABody);
}

} // namespace tarrow
