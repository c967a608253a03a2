// The text rules of a request, as tables.
#include "http/HTTPClientUnit.h"
#include "http/uCurlFailure.h"
#include "http/uHTTPErrors.h"

#include <gtest/gtest.h>

#include <QTimeZone>

#include <cerrno>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

struct TTextRow {
    const char16_t* In;
    const char16_t* Expected;
};

TEST(NormalizeURL, SpacesAndRootBeforeQuery) {
    const TTextRow rows[] = {
        {u"http://h/a b/c d.html", u"http://h/a%20b/c%20d.html"},
        {u"http://h?x=1", u"http://h/?x=1"},
        {u"https://h:8080?x=1&y=/z", u"https://h:8080/?x=1&y=/z"},
        {u"http://h/a?x=1", u"http://h/a?x=1"},
        {u"http://h/?x=1", u"http://h/?x=1"},
        {u"http://h", u"http://h"},
        {u"", u""},
        // Without "://" nothing is inserted: a relative target stays intact.
        {u"page?x=1", u"page?x=1"},
        {u"?x=1", u"?x=1"},
        {u"a b?c d", u"a%20b?c%20d"},
    };
    for (const TTextRow& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.In).toStdString());
        EXPECT_EQ(NormalizeURL(QString::fromUtf16(row.In)), QString::fromUtf16(row.Expected));
    }
}

TEST(RequestHeaderProblem, NameValueLinesThatTheTransferDoesNotFrame) {
    struct TRow {
        const char16_t* Line;
        bool Accepted;
        const char* Sent; // as RequestHeaderLines sends it
    };
    const TRow rows[] = {
        {u"X-Token: abc", true, "X-Token: abc"},
        {u"  Accept-Language:  de  ", true, "Accept-Language: de"},
        {u"X-Space : v", false, nullptr}, // no space may precede the colon
        {u"User-Agent: Mine/2 (x; y)", true, "User-Agent: Mine/2 (x; y)"},
        {u"X-Empty:", false, nullptr},
        {u"no colon here", false, nullptr},
        {u": value", false, nullptr},
        {u"Bad Name: v", false, nullptr},
        {u"X-Ctl: a\tb", false, nullptr},
        {u"X-Utf8-Name\u00e9: v", false, nullptr},
        {u"host: example.org", false, nullptr},
        {u"Content-Length: 5", false, nullptr},
        {u"TRANSFER-ENCODING: chunked", false, nullptr},
        {u"Accept-Encoding: br", false, nullptr},
    };
    for (const TRow& row : rows) {
        const QString line = QString::fromUtf16(row.Line);
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(RequestHeaderProblem(line).isEmpty(), row.Accepted);
        const QList<QByteArray> sent = RequestHeaderLines({line});
        EXPECT_EQ(sent, row.Sent ? QList<QByteArray>{row.Sent} : QList<QByteArray>{});
    }
    // A user's header replaces the built-in one of the same name; the others stay.
    const QList<QByteArray> headers =
        RequestHeaders(true, QString(), QString(), {"accept-language: de", "X-A: 1"});
    EXPECT_FALSE(headers.contains("Accept-Language: en"));
    EXPECT_TRUE(headers.contains("accept-language: de"));
    EXPECT_TRUE(headers.contains("Accept-Encoding: gzip, deflate"));
    EXPECT_EQ(headers.back(), "X-A: 1");
}

TEST(ExpandRefererURL, RelativeAgainstReferer) {
    struct TRow {
        const char16_t* URL;
        const char16_t* Referer;
        const char16_t* Expected;
    };
    const TRow rows[] = {
        {u"/b/c.html", u"http://h/a/x.html?q=1", u"http://h/b/c.html"},
        {u"c.html", u"http://h/a/x.html?q=1", u"http://h/a/c.html"},
        {u"c.html", u"http://h", u"http://h/c.html"},
        {u"/c.html", u"http://h", u"http://h/c.html"},
        // The query is cut before the last "/" is looked for.
        {u"c.html", u"http://h/a/x?u=/p/q", u"http://h/a/c.html"},
        {u"c.html", u"http://h?u=/p/q", u"http://h/c.html"},
        // So is a fragment, which never takes part in resolution.
        {u"c.html", u"http://h/a/x.html#f/g", u"http://h/a/c.html"},
        {u"c.html", u"http://h/a/x.html#f?q/r", u"http://h/a/c.html"},
        // No dot segments are processed here.
        {u"../c.html", u"http://h/a/x.html", u"http://h/a/../c.html"},
        {u"?y=2", u"http://h/a/x.html", u"http://h/a/?y=2"},
        // A network-path reference names another host under the referer's scheme.
        {u"//o/p?q", u"https://h/a/x.html", u"https://o/p?q"},
        // Without a usable referer the URL stays.
        {u"c.html", u"", u"c.html"},
        {u"c.html", u"h/a/x.html", u"c.html"},
        {u"c.html", u"?http://h/", u"c.html"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.URL).toStdString() + " against " +
                     QString::fromUtf16(row.Referer).toStdString());
        EXPECT_EQ(ExpandRefererURL(QString::fromUtf16(row.URL), QString::fromUtf16(row.Referer)),
                  QString::fromUtf16(row.Expected));
    }
}

TEST(RefererHeaderURL, WithoutFragmentAndUserInfo) {
    const std::pair<const char16_t*, const char16_t*> rows[] = {
        {u"http://h/a/x.html", u"http://h/a/x.html"},
        {u"http://h/a/x.html#sec/1", u"http://h/a/x.html"},
        {u"https://user:pw@h:8080/a?q=1#f", u"https://h:8080/a?q=1"},
        {u"http://user@h", u"http://h"},
        {u"http://h/a?mail=x@y", u"http://h/a?mail=x@y"},
        {u"http://h/p@q/", u"http://h/p@q/"},
    };
    for (const auto& [url, expected] : rows) {
        SCOPED_TRACE(QString::fromUtf16(url).toStdString());
        EXPECT_EQ(RefererHeaderURL(QString::fromUtf16(url)), QString::fromUtf16(expected));
    }
}

TEST(MustCloseConnection, PrefixUpToOnePastTheFirstSlash) {
    struct TRow {
        const char16_t* URL;
        const char16_t* CurURL;
        bool Close;
    };
    const TRow rows[] = {
        {u"http://h/a1", u"http://h/a2", false},
        {u"http://h/a1", u"http://h/b1", true},
        {u"http://h/a1", u"HTTP://H/A9", false},
        {u"http://h/a", u"http://other/a", true},
        {u"http://h/", u"http://h/a", true}, // the prefix "http://h/" plus one more character
        {u"http://h/", u"http://h/", false},
        {u"http://h", u"http://h", false},
        {u"http://h", u"http://h2", false}, // no "/" after the host: the whole URL is compared
        {u"http://h/a", u"", true},
        {u"https://h/a1", u"https://h/a1", true},
        {u"HTTPS://h/a1", u"http://h/a1", true},
        {u"", u"http://h/a", false},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.URL).toStdString() + " after " +
                     QString::fromUtf16(row.CurURL).toStdString());
        EXPECT_EQ(MustCloseConnection(QString::fromUtf16(row.URL), QString::fromUtf16(row.CurURL)),
                  row.Close);
    }
}

TEST(IsRedirectReply, OnlyTheFollowedCodes) {
    for (int code = 100; code < 600; ++code) {
        SCOPED_TRACE(code);
        const bool expected = code == 301 || code == 302 || code == 303 || code == 307;
        EXPECT_EQ(IsRedirectReply(code), expected);
    }
}

TEST(EncodeRequestURL, OnlyWhatCannotStandInARequestLine) {
    EXPECT_EQ(EncodeRequestURL(QStringLiteral("http://h/a%20b?x=1&y=2#f")),
              QByteArray("http://h/a%20b?x=1&y=2#f"));
    EXPECT_EQ(EncodeRequestURL(u"http://h/caf\u00e9?q=\u00fc"_s),
              QByteArray("http://h/caf%C3%A9?q=%C3%BC"));
    EXPECT_EQ(EncodeRequestURL(QStringLiteral("http://h/a\r\nX: y")),
              QByteArray("http://h/a%0D%0AX:%20y"));
    // The host keeps its UTF-8 for name lookup.
    EXPECT_EQ(EncodeRequestURL(u"http://b\u00fccher.example/\u00e4"_s),
              QByteArray("http://b\xC3\xBC"
                         "cher.example/%C3%A4"));
}

TEST(IsRetryableError, TransportFaults) {
    struct TRow {
        TTransportFault Fault;
        bool Retryable;
    };
    const TRow rows[] = {
        {TTransportFault::tfConnectTimedOut, true}, {TTransportFault::tfConnectRefused, true},
        {TTransportFault::tfHostUnreachable, true}, {TTransportFault::tfReadTimedOut, true},
        {TTransportFault::tfPeerClosed, true},      {TTransportFault::tfSocksRefused, true},
        {TTransportFault::tfSocksFailure, true},    {TTransportFault::tfOtherSocketError, false},
        {TTransportFault::tfHostNotFound, false},   {TTransportFault::tfTLSFailure, false},
        {TTransportFault::tfTLSUnavailable, false}, {TTransportFault::tfUnsupportedURL, false},
        {TTransportFault::tfBadReply, false},       {TTransportFault::tfTooLarge, false},
        {TTransportFault::tfOther, false},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(int(row.Fault));
        EXPECT_EQ(IsRetryableError(ETransportError(row.Fault, QStringLiteral("x"))), row.Retryable);
    }
    EXPECT_FALSE(
        IsRetryableError(EHTTPProtocolError(404, QStringLiteral("HTTP/1.1 404 Not Found"))));
    EXPECT_FALSE(IsRetryableError(EContentTooLarge(QStringLiteral("x"))));
    EXPECT_FALSE(IsRetryableError(std::runtime_error("x")));
}

TEST(TransportErrorFor, NamesWhatFailedAndWhere) {
    struct TRow {
        CURLcode Code;
        long OSErrno;
        long ProxyError;
        TProxyKind Proxy;
        bool Connected;
        TTransportFault Fault;
        const char16_t* Message;
    };
    const TRow rows[] = {
        {CURLE_COULDNT_CONNECT, ECONNREFUSED, 0, TProxyKind::pkNone, false,
         TTransportFault::tfConnectRefused, u"Connection refused: h:8080"},
        {CURLE_COULDNT_CONNECT, EHOSTUNREACH, 0, TProxyKind::pkNone, false,
         TTransportFault::tfHostUnreachable, u"Host unreachable: h:8080"},
        {CURLE_COULDNT_CONNECT, ENETUNREACH, 0, TProxyKind::pkNone, false,
         TTransportFault::tfHostUnreachable, u"Host unreachable: h:8080"},
        {CURLE_COULDNT_CONNECT, EACCES, 0, TProxyKind::pkNone, false,
         TTransportFault::tfOtherSocketError, u"Could not connect: h:8080 (detail)"},
        {CURLE_OPERATION_TIMEDOUT, 0, 0, TProxyKind::pkNone, false,
         TTransportFault::tfConnectTimedOut, u"Connect timed out: h:8080"},
        {CURLE_OPERATION_TIMEDOUT, 0, 0, TProxyKind::pkNone, true, TTransportFault::tfReadTimedOut,
         u"Read timed out: h:8080"},
        {CURLE_PARTIAL_FILE, 0, 0, TProxyKind::pkNone, true, TTransportFault::tfPeerClosed,
         u"Connection closed by the server: h:8080"},
        {CURLE_PROXY, 0, CURLPX_REQUEST_FAILED, TProxyKind::pkSOCKS4, false,
         TTransportFault::tfSocksRefused,
         u"SOCKS proxy refused the request: h:8080 via proxy p:1080 (detail)"},
        {CURLE_PROXY, 0, CURLPX_REPLY_NOT_ALLOWED, TProxyKind::pkSOCKS5, false,
         TTransportFault::tfSocksRefused,
         u"SOCKS proxy refused the request: h:8080 via proxy p:1080 (detail)"},
        {CURLE_PROXY, 0, CURLPX_RECV_CONNECT, TProxyKind::pkSOCKS5, false,
         TTransportFault::tfSocksFailure, u"SOCKS proxy failed: h:8080 via proxy p:1080 (detail)"},
        {CURLE_COULDNT_RESOLVE_HOST, 0, 0, TProxyKind::pkNone, false,
         TTransportFault::tfHostNotFound, u"Host not found: h:8080"},
        {CURLE_SSL_CONNECT_ERROR, 0, 0, TProxyKind::pkNone, false, TTransportFault::tfTLSFailure,
         u"TLS handshake failed: h:8080 (detail)"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Message).toStdString());
        TCurlFailure failure;
        failure.Code = row.Code;
        failure.OSErrno = row.OSErrno;
        failure.ProxyError = row.ProxyError;
        failure.ProxyKind = row.Proxy;
        failure.ProxyHost = QStringLiteral("p");
        failure.ProxyPort = 1080;
        failure.Connected = row.Connected;
        failure.Detail = QStringLiteral("detail");
        failure.URL = "http://h:8080/x";
        const ETransportError error = TransportErrorFor(failure);
        EXPECT_EQ(error.Fault(), row.Fault);
        EXPECT_EQ(error.Message(), QString::fromUtf16(row.Message));
    }

    // Without a socket error, a send or receive failure is a closed connection only when every
    // connection tried died before an answer.
    TCurlFailure failure;
    failure.Code = CURLE_SEND_ERROR;
    failure.URL = "http://h:8080/x";
    failure.Detail = QStringLiteral("Connection died, tried 5 times before giving up");
    EXPECT_EQ(TransportErrorFor(failure).Fault(), TTransportFault::tfPeerClosed);
    failure.Detail = QStringLiteral("Malformed encoding found in chunked-encoding");
    EXPECT_EQ(TransportErrorFor(failure).Fault(), TTransportFault::tfBadReply);
}

TEST(TransportErrorFor, DefaultPortsAndMissingTLS) {
    TCurlFailure failure;
    failure.Code = CURLE_GOT_NOTHING;
    failure.URL = "https://site/x";
    EXPECT_EQ(TransportErrorFor(failure).Message(),
              QStringLiteral("Connection closed by the server: site:443"));
    failure.URL = "http://site";
    EXPECT_EQ(TransportErrorFor(failure).Message(),
              QStringLiteral("Connection closed by the server: site:80"));

    failure.Code = CURLE_UNSUPPORTED_PROTOCOL;
    failure.URL = "https://site/x";
    failure.TLSAvailable = false;
    const ETransportError error = TransportErrorFor(failure);
    EXPECT_EQ(error.Message(), QStringLiteral("Could not load SSL library."));
    EXPECT_EQ(error.Fault(), TTransportFault::tfTLSUnavailable);
}

} // namespace

TEST(RetryAfterSeconds, DelaySecondsOrADateCapped) {
    const QDateTime now = QDateTime(QDate(2026, 12, 11), QTime(4, 0), QTimeZone::utc());
    const struct {
        const char16_t* Value;
        int Seconds;
    } rows[] = {
        {u"30", 30},
        {u" 0 ", 0},
        {u"121", kMaxRetryAfterSec},
        {u"99999999999999999999999", kMaxRetryAfterSec},
        {u"Fri, 11 Dec 2026 04:00:45 GMT", 45},
        {u"Fri, 11 Dec 2026 05:00:00 GMT", kMaxRetryAfterSec},
        {u"Thu, 10 Dec 2026 04:00:00 GMT", 0},
        {u"", -1},
        {u"-5", -1},
        {u"soon", -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Value).toStdString());
        EXPECT_EQ(RetryAfterSeconds(QString::fromUtf16(row.Value), now), row.Seconds);
    }
}
