#include "http/uHTTPErrors.h"

#include "http/uHTTPContent.h"

#include <algorithm>
#include <new>

namespace tarrow {

bool IsRetryableError(const std::exception& E) {
    const auto* transport = dynamic_cast<const ETransportError*>(&E);
    if (!transport)
        return false;
    switch (transport->Fault()) {
    case TTransportFault::tfConnectTimedOut:
    case TTransportFault::tfConnectRefused:
    case TTransportFault::tfHostUnreachable:
    case TTransportFault::tfReadTimedOut:
    case TTransportFault::tfPeerClosed:
    case TTransportFault::tfCutShort:
    case TTransportFault::tfSocksRefused:
    case TTransportFault::tfSocksFailure:
        return true;
    default:
        return false;
    }
}

bool IsFinalFailure(const std::exception& E) {
    if (dynamic_cast<const EContentTooLarge*>(&E) || dynamic_cast<const std::bad_alloc*>(&E))
        return true;
    const auto* transport = dynamic_cast<const ETransportError*>(&E);
    if (!transport)
        return false;
    switch (transport->Fault()) {
    case TTransportFault::tfTooLarge:
    case TTransportFault::tfUnsupportedURL:
    case TTransportFault::tfBadReply:
    case TTransportFault::tfAborted:
        return true;
    default:
        return false;
    }
}

bool IsTransientFailure(const std::exception& E) {
    if (const auto* reply = dynamic_cast<const EHTTPProtocolError*>(&E)) {
        switch (reply->ErrorCode()) {
        case 408:
        case 425:
        case 429:
        case 500:
        case 502:
        case 503:
        case 504:
            return true;
        default:
            return false;
        }
    }
    return IsRetryableError(E);
}

bool IsNoReplyFailure(const std::exception& E) {
    const auto* transport = dynamic_cast<const ETransportError*>(&E);
    if (!transport || transport->ReplyStarted())
        return false;
    switch (transport->Fault()) {
    case TTransportFault::tfConnectTimedOut:
    case TTransportFault::tfConnectRefused:
    case TTransportFault::tfHostUnreachable:
    case TTransportFault::tfReadTimedOut:
    case TTransportFault::tfPeerClosed:
    case TTransportFault::tfSocksRefused:
    case TTransportFault::tfSocksFailure:
    case TTransportFault::tfOtherSocketError:
    case TTransportFault::tfHostNotFound:
    case TTransportFault::tfTLSFailure:
    case TTransportFault::tfTLSUnavailable:
        return true;
    default:
        return false;
    }
}

int RetryAfterSeconds(const QString& AValue, const QDateTime& ANowUTC) {
    const QString value = AValue.trimmed();
    if (value.isEmpty())
        return -1;
    qint64 seconds = -1;
    if (std::all_of(value.begin(), value.end(), [](QChar C) { return C.isDigit(); })) {
        bool ok = false;
        seconds = value.toLongLong(&ok);
        if (!ok) // more digits than a number holds: far beyond the cap
            seconds = kMaxRetryAfterSec;
    } else {
        // An HTTP date ends in "GMT", which the RFC 2822 reading wants as an offset.
        QString date = value;
        if (date.endsWith(QLatin1String(" GMT")))
            date = date.chopped(4) + QLatin1String(" +0000");
        const QDateTime when = QDateTime::fromString(date, Qt::RFC2822Date);
        if (!when.isValid())
            return -1;
        seconds = std::max<qint64>(ANowUTC.secsTo(when), 0);
    }
    return int(std::min<qint64>(seconds, kMaxRetryAfterSec));
}

} // namespace tarrow
