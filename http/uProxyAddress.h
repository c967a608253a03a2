#pragma once

#include <QString>

namespace tarrow {

// ptHTTPS is an HTTP proxy (plain and TLS requests alike); ptAUTO picks the kind from the address.
enum TProxyType { ptNoProxy, ptHTTPS, ptSOCKS4, ptSOCKS5, ptAUTO };

// The proxy a client actually uses.
enum class TProxyKind { pkNone, pkHTTP, pkSOCKS4, pkSOCKS5 };

// The proxy address text is "[prefix@]host:port"; the prefix is skipped and unused.

// Characters from AStart (from 0) up to, not including, the first TAB, ",", ":" or ";".
qsizetype ProxyFieldLength(const QString& AText, qsizetype AStart);
// The host, with a leading "#", "+" or "*" dropped.
QString ExtractProxyHost(const QString& AText);
// The port; 0 when there is none or it is not a number.
int ExtractProxyPort(const QString& AText);
// No proxy for an empty text; ptAUTO gives SOCKS 4 for a leading "+", SOCKS 5 for "*", else HTTP.
TProxyKind ProxyKindFor(const QString& AText, TProxyType AType);

} // namespace tarrow
