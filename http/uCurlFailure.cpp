#include "http/uCurlFailure.h"

#include <cerrno>
#include <memory>

namespace tarrow {

namespace {

struct TURLDeleter {
    void operator()(CURLU* U) const { curl_url_cleanup(U); }
};
struct TCurlText {
    char* P = nullptr;
    ~TCurlText() { curl_free(P); }
};

QString Part(CURLU* AURL, CURLUPart APart, unsigned AFlags = 0) {
    TCurlText text;
    if (curl_url_get(AURL, APart, &text.P, AFlags) != CURLUE_OK || !text.P)
        return {};
    return QString::fromUtf8(text.P);
}

struct TKind {
    TTransportFault Fault;
    QString What;
    bool WithDetail;
};

TKind ProxyKindOf(const TCurlFailure& F) {
    if (F.ProxyKind != TProxyKind::pkSOCKS4 && F.ProxyKind != TProxyKind::pkSOCKS5)
        return {TTransportFault::tfOtherSocketError, QStringLiteral("Proxy failed"), true};
    const bool refused = F.ProxyError == CURLPX_REQUEST_FAILED ||
                         (F.ProxyError >= CURLPX_REPLY_ADDRESS_TYPE_NOT_SUPPORTED &&
                          F.ProxyError <= CURLPX_REPLY_UNASSIGNED);
    if (refused)
        return {TTransportFault::tfSocksRefused, QStringLiteral("SOCKS proxy refused the request"),
                true};
    return {TTransportFault::tfSocksFailure, QStringLiteral("SOCKS proxy failed"), true};
}

TKind ConnectKindOf(const TCurlFailure& F) {
    switch (F.OSErrno) {
    case ECONNREFUSED:
        return {TTransportFault::tfConnectRefused, QStringLiteral("Connection refused"), false};
    case EHOSTUNREACH:
    case ENETUNREACH:
        return {TTransportFault::tfHostUnreachable, QStringLiteral("Host unreachable"), false};
    case ETIMEDOUT:
        return {TTransportFault::tfConnectTimedOut, QStringLiteral("Connect timed out"), false};
    default:
        return {TTransportFault::tfOtherSocketError, QStringLiteral("Could not connect"), true};
    }
}

TKind KindOf(const TCurlFailure& F) {
    if (F.ReadTimedOut)
        return {TTransportFault::tfReadTimedOut, QStringLiteral("Read timed out"), false};
    if (F.TooLarge)
        return {TTransportFault::tfTooLarge,
                QStringLiteral("Response body exceeds the limit of %1 bytes").arg(F.MaxBodySize),
                false};
    switch (F.Code) {
    case CURLE_OPERATION_TIMEDOUT:
        if (F.Connected)
            return {TTransportFault::tfReadTimedOut, QStringLiteral("Read timed out"), false};
        return {TTransportFault::tfConnectTimedOut, QStringLiteral("Connect timed out"), false};
    case CURLE_COULDNT_CONNECT:
        return ConnectKindOf(F);
    case CURLE_COULDNT_RESOLVE_HOST:
        return {TTransportFault::tfHostNotFound, QStringLiteral("Host not found"), false};
    case CURLE_COULDNT_RESOLVE_PROXY:
        return {TTransportFault::tfHostNotFound, QStringLiteral("Proxy host not found"), false};
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return {TTransportFault::tfPeerClosed, QStringLiteral("Connection closed by the server"),
                false};
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        // A socket error is the peer going away, and so are connections that died before an
        // answer each time libcurl sent the request again; otherwise libcurl rejected what it
        // read.
        if (F.OSErrno != 0 || F.Detail.startsWith(u"Connection died"))
            return {TTransportFault::tfPeerClosed,
                    QStringLiteral("Connection closed by the server"), true};
        return {TTransportFault::tfBadReply, QStringLiteral("Invalid reply"), true};
    case CURLE_PROXY:
        return ProxyKindOf(F);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_PEER_FAILED_VERIFICATION:
        return {TTransportFault::tfTLSFailure, QStringLiteral("TLS handshake failed"), true};
    case CURLE_INTERFACE_FAILED:
        return {TTransportFault::tfOtherSocketError,
                QStringLiteral("Could not bind to %1").arg(F.BoundIP), false};
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        if (!F.URL.startsWith("http://") && !F.URL.startsWith("https://"))
            return {TTransportFault::tfUnsupportedURL, QStringLiteral("Unsupported URL"), true};
        return {TTransportFault::tfBadReply, QStringLiteral("Invalid reply"), true};
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_OUT_OF_MEMORY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP_RETURNED_ERROR:
        return {TTransportFault::tfBadReply, QStringLiteral("Invalid reply"), true};
    default:
        return {TTransportFault::tfOther, QStringLiteral("Transfer failed"), true};
    }
}

} // namespace

QString URLHostPort(const QByteArray& AURL) {
    std::unique_ptr<CURLU, TURLDeleter> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, AURL.constData(),
                             CURLU_NON_SUPPORT_SCHEME | CURLU_GUESS_SCHEME) != CURLUE_OK)
        return QString::fromUtf8(AURL);
    const QString host = Part(url.get(), CURLUPART_HOST);
    if (host.isEmpty())
        return QString::fromUtf8(AURL);
    const QString port = Part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    return port.isEmpty() ? host : host + u':' + port;
}

ETransportError TransportErrorFor(const TCurlFailure& AFailure) {
    const bool https = AFailure.URL.left(6).compare("https:", Qt::CaseInsensitive) == 0;
    if (https && !AFailure.TLSAvailable &&
        (AFailure.Code == CURLE_UNSUPPORTED_PROTOCOL || AFailure.Code == CURLE_NOT_BUILT_IN))
        return ETransportError(TTransportFault::tfTLSUnavailable, SSLLibraryMissingMessage());
    if (AFailure.Code == CURLE_PEER_FAILED_VERIFICATION) {
        const QByteArray host = URLHostPort(AFailure.URL).toUtf8();
        const qsizetype colon = host.lastIndexOf(':');
        return ETransportError(TTransportFault::tfTLSFailure,
                               QStringLiteral("Certificate not trusted: ") +
                                   QString::fromUtf8(colon > 0 ? host.left(colon) : host) +
                                   QStringLiteral(": ") + AFailure.Detail.trimmed());
    }
    const TKind kind = KindOf(AFailure);
    QString message = kind.What + QStringLiteral(": ") + URLHostPort(AFailure.URL);
    if (AFailure.ProxyKind != TProxyKind::pkNone)
        message +=
            QStringLiteral(" via proxy %1:%2").arg(AFailure.ProxyHost).arg(AFailure.ProxyPort);
    QString detail = AFailure.Detail.trimmed();
    if (detail.isEmpty())
        detail = QString::fromUtf8(curl_easy_strerror(AFailure.Code));
    if (kind.WithDetail && !detail.isEmpty())
        message += QStringLiteral(" (") + detail + u')';
    return ETransportError(kind.Fault, message);
}

} // namespace tarrow
