#include "http/uHTTPErrors.h"

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
    case TTransportFault::tfSocksRefused:
    case TTransportFault::tfSocksFailure:
        return true;
    default:
        return false;
    }
}

} // namespace tarrow
