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

namespace {

bool IsHeader(QStringView AName, const char* AHeader) {
    return AName.compare(QLatin1String(AHeader), Qt::CaseInsensitive) == 0;
}

// "a=1; b=2" as "a=***; b=***"; with AFirstOnly (Set-Cookie) only the cookie itself, its
// attributes stay readable.
QString MaskedCookies(const QString& AValue, bool AFirstOnly) {
    QStringList parts = AValue.split(u';');
    for (qsizetype i = 0; i < parts.size() && (i == 0 || !AFirstOnly); ++i) {
        const qsizetype equals = parts[i].indexOf(u'=');
        parts[i] =
            equals < 0 ? QStringLiteral("***") : parts[i].left(equals + 1) + QStringLiteral("***");
    }
    return parts.join(u';');
}

QString MaskedHeaderLine(const QString& ALine) {
    const qsizetype colon = ALine.indexOf(u':');
    if (colon <= 0)
        return HideURLPasswords(ALine);
    const QStringView name = QStringView(ALine).left(colon).trimmed();
    const QString value = ALine.mid(colon + 1).trimmed();
    const QString head = ALine.left(colon + 1) + u' ';
    if (IsHeader(name, "Authorization") || IsHeader(name, "Proxy-Authorization")) {
        const qsizetype space = value.indexOf(u' ');
        return head + (space < 0 ? QString() : value.left(space + 1)) + QStringLiteral("***");
    }
    if (IsHeader(name, "Cookie") || IsHeader(name, "Set-Cookie"))
        return head + MaskedCookies(value, IsHeader(name, "Set-Cookie"));
    return HideURLPasswords(ALine);
}

} // namespace

QStringList WireHeadLines(const QByteArray& AHead, QLatin1String APrefix) {
    QStringList lines;
    for (QByteArray line : AHead.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines.append(APrefix + MaskedHeaderLine(QString::fromUtf8(line)));
    }
    return lines;
}

void TFetchOutcome::Exchanged(const TWireHeads& AHeads) {
    Lines += WireHeadLines(AHeads.Request, QLatin1String("> "));
    Lines += WireHeadLines(AHeads.Reply, QLatin1String("< "));
}

void TFetchOutcome::Redirected(const QString& ALocation) {
    Fetched.Location = ALocation;
    Replied = true;
    Lines.append(RedirectLogLine(ALocation));
}

bool TFetchOutcome::AttemptFailed(const std::exception& E, const TRunContext& AContext) {
    Lines.append(TRunContext::ExceptionLine(E));
    if (dynamic_cast<const EHTTPProtocolError*>(&E))
        Replied = true;
    const int attempt = Attempts;
    if (IsLastAttempt(attempt, E, AContext)) {
        Failed = true;
        NoReply = IsNoReplyFailure(E);
        return true;
    }
    ++Attempts;
    const int wait = RetryAfterWait(E, AContext);
    RetryPauseMs = std::max(AContext.Options().RetryPauseMs, wait * 1000);
    Lines.append(RetryLine(attempt, wait));
    return false;
}

void TFetchOutcome::Received(QByteArray&& ABody) {
    Replied = true;
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
