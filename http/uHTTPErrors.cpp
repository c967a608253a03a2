#include "http/uHTTPErrors.h"

#include "http/uHTTPContent.h"

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

} // namespace tarrow
