#pragma once

#include "base/uExceptions.h"

#include <QString>

namespace tarrow {

TARROW_DECLARE_EXCEPTION(EProxyURLError, Exception)

// The proxy a client uses.
enum class TProxyKind { pkNone, pkHTTP, pkSOCKS4, pkSOCKS5 };

// The proxy of a run, as the "Proxy" setting and tarrow-cli's -proxy give it.
struct TProxySettings {
    TProxyKind Kind = TProxyKind::pkNone;
    QString Host; // an IPv6 address without its brackets
    int Port = 0;
    QString User; // percent-decoded
    QString Password;

    bool operator==(const TProxySettings&) const = default;
};

// Reads "http://host:port", "socks4://host:port" or "socks5://host:port" (scheme in any letter
// case), each optionally with "user:password@" (percent-encoded) before the host and one "/"
// after the port; an IPv6 host is written in brackets. An empty text is no proxy. Anything else
// raises EProxyURLError with a message that says what is wrong.
TProxySettings ParseProxyURL(const QString& AURL);

} // namespace tarrow
