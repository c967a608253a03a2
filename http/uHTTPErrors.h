#pragma once

#include "base/uExceptions.h"

#include <QDateTime>
#include <QString>
#include <exception>

namespace tarrow {

// Base of every error the HTTP client raises.
TARROW_DECLARE_EXCEPTION(EHTTPError, Exception)

// A reply outside 2xx that was not followed. The message is the status line as received, or
// "Reply Error # " and the code when that line is empty.
class EHTTPProtocolError : public EHTTPError {
public:
    EHTTPProtocolError(int AErrorCode, const QString& AMessage, int ARetryAfterSec = -1)
        : EHTTPError(AMessage), FErrorCode(AErrorCode), FRetryAfterSec(ARetryAfterSec) {}
    int ErrorCode() const noexcept { return FErrorCode; }
    // The wait a 429 or 503 reply asked for in its Retry-After header, in seconds; -1 without.
    int RetryAfterSec() const noexcept { return FRetryAfterSec; }
    QString ClassName() const override { return QStringLiteral("EHTTPProtocolError"); }

private:
    int FErrorCode;
    int FRetryAfterSec;
};

// What went wrong below HTTP; decides whether a time-out retry may repeat the request.
enum class TTransportFault {
    tfConnectTimedOut,
    tfConnectRefused,
    tfHostUnreachable,
    tfReadTimedOut,
    tfPeerClosed,
    tfCutShort, // the body ended before its end: a compressed stream stopped part way
    tfSocksRefused,
    tfSocksFailure,
    tfOtherSocketError,
    tfHostNotFound,
    tfTLSFailure,
    tfTLSUnavailable,
    tfUnsupportedURL,
    tfBadReply,
    tfTooLarge,
    tfAborted, // the run's break flag stopped the transfer
    tfOther,
};

// A failure of the connection or of the transfer. The message names what failed and where.
class ETransportError : public EHTTPError {
public:
    ETransportError(TTransportFault AFault, const QString& AMessage)
        : EHTTPError(AMessage), FFault(AFault) {}
    TTransportFault Fault() const noexcept { return FFault; }
    // The status line of a reply had arrived when the transfer failed (a body cut short).
    bool ReplyStarted() const noexcept { return FReplyStarted; }
    void SetReplyStarted(bool AStarted) noexcept { FReplyStarted = AStarted; }
    QString ClassName() const override { return QStringLiteral("ETransportError"); }

private:
    TTransportFault FFault;
    bool FReplyStarted = false;
};

// The error of a transfer or pause that the break flag cut short.
inline ETransportError AbortedError() {
    return ETransportError(TTransportFault::tfAborted, QStringLiteral("Aborted."));
}

// The text of an HTTPS request when no TLS library is available.
inline QString SSLLibraryMissingMessage() {
    return QStringLiteral("Could not load SSL library.");
}

// True for the failures a time-out retry repeats: a connection that timed out, was refused or found
// no route, a read time-out, the peer closing the connection, a body cut short, and a SOCKS
// refusal or failure.
bool IsRetryableError(const std::exception& E);

// True for a failure that another attempt cannot change: a body or decoded size over a ceiling,
// a URL (or redirect target) of a scheme the client does not speak, a reply whose framing is
// invalid, a transfer the break flag stopped, and running out of memory. The crawl does not retry
// these.
bool IsFinalFailure(const std::exception& E);

// True for a failure another attempt may change: a transport failure a time-out retry repeats,
// and the replies 408, 425, 429, 500, 502, 503 and 504.
bool IsTransientFailure(const std::exception& E);

// True for a failure that left no HTTP reply at all: no connection (refused, no route, host not
// found, time-out, SOCKS), a TLS handshake or certificate that failed, no TLS library, and a
// connection closed or a read timed out before a status line came.
bool IsNoReplyFailure(const std::exception& E);

// The longest Retry-After wait honoured, in seconds.
inline constexpr int kMaxRetryAfterSec = 120;
// The seconds a Retry-After value (delay seconds or an HTTP date, against ANowUTC) asks for,
// capped at kMaxRetryAfterSec; -1 when the value is neither.
int RetryAfterSeconds(const QString& AValue, const QDateTime& ANowUTC);

} // namespace tarrow
