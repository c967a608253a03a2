#pragma once

#include "http/uHTTPErrors.h"
#include "http/uProxyURL.h"

#include <QByteArray>
#include <QString>
#include <curl/curl.h>

namespace tarrow {

// Everything known about a failed transfer, gathered so that one function turns it into the error
// the client raises.
struct TCurlFailure {
    CURLcode Code = CURLE_OK;
    long OSErrno = 0;    // CURLINFO_OS_ERRNO
    long ProxyError = 0; // CURLINFO_PROXY_ERROR (CURLproxycode)
    QString Detail;      // libcurl's error text
    QByteArray URL;      // as requested
    TProxyKind ProxyKind = TProxyKind::pkNone;
    QString ProxyHost;
    int ProxyPort = 0;
    QString BoundIP;
    bool Connected = false;    // the connection stood (a request was about to be sent)
    bool ReadTimedOut = false; // the client's read time-out ended the transfer
    bool TooLarge = false;     // the body ceiling ended it
    qint64 MaxBodySize = 0;
    bool TLSAvailable = true;
};

// "host:port" of a URL (default ports filled in), or the URL itself when it has no host.
QString URLHostPort(const QByteArray& AURL);

// The error for a failure: "<what failed>: <host>:<port>", with " via proxy <host>:<port>" when a
// proxy is in use and libcurl's own text in parentheses where the kind alone says too little.
ETransportError TransportErrorFor(const TCurlFailure& AFailure);

} // namespace tarrow
