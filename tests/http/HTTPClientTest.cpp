// HTTPGet against the scripted server: request headers, redirects, referer chain, cookies,
// replies, decoding and charsets. Reply in, request out.
#include "tests/http/HTTPTestFixture.h"

#include <QStringList>

using namespace tarrow;
using namespace tarrow::test;

namespace {

class HTTPClientTest : public ::testing::Test {
protected:
    TScriptedServer Server;
    std::unique_ptr<THTTPClient> Client = NewTestClient();

    TGetResult Fetch(QStringView APath, bool AUpdateReferer = true, bool ANoGZipDeflate = false,
                     int AMaxRedirects = -1) {
        return Get(*Client, Server.URL(APath), AUpdateReferer, ANoGZipDeflate, AMaxRedirects);
    }
};

TEST_F(HTTPClientTest, RequestHeaders) {
    Server.Queue(OkReply("a"));
    Server.Queue(OkReply("b"));
    Server.Queue(OkReply("c"));
    ASSERT_FALSE(Fetch(u"/index.html").Failed);
    const TRequest first = Server.Requests()[0];
    EXPECT_EQ(first.Method, "GET");
    EXPECT_EQ(first.Target, "/index.html");
    EXPECT_EQ(first.Version, "HTTP/1.1");
    EXPECT_EQ(first.Header("Host"), Server.HostPort().toLatin1());
    EXPECT_EQ(first.Header("User-Agent"), kTestUserAgent.toLatin1());
    EXPECT_EQ(first.Header("Accept"),
              "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    EXPECT_EQ(first.Header("Accept-Language"), "en");
    EXPECT_EQ(first.Header("Accept-Encoding"), "gzip, deflate");
    EXPECT_FALSE(first.HasHeader("Referer"));
    EXPECT_FALSE(first.HasHeader("Cookie"));
    EXPECT_FALSE(first.HasHeader("Proxy-Connection"));
    for (const auto& header : first.Headers)
        EXPECT_EQ(first.HeaderCount(header.first), 1) << header.first.constData();

    // Compression is asked for only when it is on and the call allows it.
    ASSERT_FALSE(Fetch(u"/b", true, true).Failed);
    EXPECT_FALSE(Server.Requests()[1].HasHeader("Accept-Encoding"));
    Client->SetGZipDeflate(false);
    ASSERT_FALSE(Fetch(u"/c").Failed);
    EXPECT_FALSE(Server.Requests()[2].HasHeader("Accept-Encoding"));
}

TEST_F(HTTPClientTest, BodyIsAppendedAndTypeLosesItsCharset) {
    Server.Queue(MakeReply(200, "OK", {{"Content-Type", "text/html; charset=UTF-8"}}, "<p>x</p>"));
    QByteArray out("kept:");
    QString type;
    Client->HTTPGet(Server.URL(u"/"), out, type);
    EXPECT_EQ(out, "kept:<p>x</p>");
    EXPECT_EQ(type, QStringLiteral("text/html"));
    EXPECT_EQ(Client->GetResponseCharset(), QStringLiteral("UTF-8"));
}

TEST_F(HTTPClientTest, URLNormalisation) {
    Server.SetHandler([](const TRequest&) { return OkReply("ok"); });
    ASSERT_FALSE(Get(*Client, Server.URL(u"/a b/c d.html")).Failed);
    ASSERT_FALSE(Get(*Client, Server.URL(u"?x=1")).Failed);
    ASSERT_FALSE(Get(*Client, Server.URL(u"/a?x=1")).Failed);
    const QList<TRequest> requests = Server.Requests();
    EXPECT_EQ(requests[0].Target, "/a%20b/c%20d.html");
    EXPECT_EQ(requests[1].Target, "/?x=1");
    EXPECT_EQ(requests[2].Target, "/a?x=1");
}

TEST_F(HTTPClientTest, FollowedRedirectKinds) {
    for (int code : {301, 302, 303, 307}) {
        SCOPED_TRACE(code);
        TScriptedServer server;
        server.Queue(MakeReply(code, ReasonPhrase(code), {{"Location", "/target"}}, "moved body"));
        server.Queue(OkReply("final", "text/plain"));
        auto client = NewTestClient();
        const TGetResult result = Get(*client, server.URL(u"/start"));
        EXPECT_FALSE(result.Failed) << result.Error.toStdString();
        EXPECT_EQ(result.Body, "final"); // the redirect's own body is never written
        EXPECT_EQ(result.ContentType, QStringLiteral("text/plain"));
        ASSERT_EQ(server.RequestCount(), 2);
        EXPECT_EQ(server.Requests()[1].Target, "/target");
    }
}

TEST_F(HTTPClientTest, RepliesThatAreNotFollowed) {
    for (int code : {300, 304, 305, 308}) {
        SCOPED_TRACE(code);
        TScriptedServer server;
        const QByteArray body = code == 304 ? QByteArray() : QByteArray("moved body");
        server.Queue(MakeReply(code, ReasonPhrase(code), {{"Location", "/target"}}, body));
        auto client = NewTestClient();
        const TGetResult result = Get(*client, server.URL(u"/start"));
        EXPECT_TRUE(result.Failed);
        EXPECT_EQ(result.Error, QStringLiteral("HTTP/1.1 ") + QString::number(code) + u' ' +
                                    QString::fromLatin1(ReasonPhrase(code)));
        EXPECT_EQ(result.ErrorClass, QStringLiteral("EHTTPProtocolError"));
        EXPECT_EQ(result.ReplyCode, code);
        EXPECT_EQ(result.Body, QByteArray());
        EXPECT_EQ(server.RequestCount(), 1);
    }
}

TEST_F(HTTPClientTest, ErrorReplyCarriesTheStatusLineAsReceived) {
    Server.Queue(MakeReply(404, "Not Found", {{"Content-Type", "text/html"}}, "<h1>gone</h1>"));
    Server.Queue("HTTP/1.1 503 Try  Later \r\nContent-Length: 0\r\n\r\n");
    const TGetResult notFound = Fetch(u"/missing");
    EXPECT_EQ(notFound.Error, QStringLiteral("HTTP/1.1 404 Not Found"));
    EXPECT_EQ(notFound.ReplyCode, 404);
    EXPECT_FALSE(notFound.Retryable);
    EXPECT_EQ(notFound.Body, QByteArray());
    EXPECT_EQ(Fetch(u"/busy").Error, QStringLiteral("HTTP/1.1 503 Try  Later "));
}

TEST_F(HTTPClientTest, RedirectLimits) {
    // A chain /r0 -> /r1 -> ... that ends in a page at /r<AEnd>.
    const auto chain = [](int AEnd) {
        return [AEnd](const TRequest& R) {
            const int n = R.Path().mid(2).toInt();
            return n >= AEnd ? OkReply("end") : Redirect(302, "/r" + QByteArray::number(n + 1));
        };
    };
    Server.SetHandler(chain(1));
    const TGetResult none = Fetch(u"/r0", true, false, 0);
    EXPECT_EQ(none.Error, QStringLiteral("HTTP/1.1 302 Found"));
    EXPECT_EQ(Server.RequestCount(), 1);

    TScriptedServer fifteen;
    fifteen.SetHandler(chain(15));
    EXPECT_EQ(Get(*Client, fifteen.URL(u"/r0")).Body, "end");
    EXPECT_EQ(fifteen.RequestCount(), 16);

    TScriptedServer sixteen;
    sixteen.SetHandler(chain(16));
    EXPECT_EQ(Get(*Client, sixteen.URL(u"/r0")).Error, QStringLiteral("HTTP/1.1 302 Found"));
    EXPECT_EQ(sixteen.RequestCount(), 16);

    TScriptedServer two;
    two.SetHandler(chain(3));
    Client->SetMaxRedirects(2);
    EXPECT_TRUE(Get(*Client, two.URL(u"/r0")).Failed);
    EXPECT_EQ(Get(*Client, two.URL(u"/r0"), true, false, 3).Body, "end");
    // A negative default still makes one request.
    Client->SetMaxRedirects(-5);
    EXPECT_EQ(Get(*Client, two.URL(u"/r3")).Body, "end");
}

TEST_F(HTTPClientTest, RedirectEventsSeeTheLocationAsSent) {
    Server.Queue(Redirect(302, "../b c/x.html?q=1"));
    Server.Queue(OkReply("done"));
    QStringList calls;
    Client->SetOnRedirect([&](THTTPClient& Sender, const QString& ALocation) {
        EXPECT_EQ(&Sender, Client.get());
        calls << QStringLiteral("redirect: ") + ALocation << RedirectLogLine(ALocation);
    });
    EXPECT_EQ(Fetch(u"/a/p.html").Body, "done");
    EXPECT_EQ(calls, QStringList({QStringLiteral("redirect: ../b c/x.html?q=1"),
                                  QStringLiteral("Redirect to: ../b c/x.html?q=1")}));
    EXPECT_EQ(Server.Requests()[1].Target, "/a/../b%20c/x.html?q=1");

    // Cleared events are not called.
    Client->SetOnRedirect({});
    Server.Queue(Redirect(301, "/z"));
    Server.Queue(OkReply("z"));
    EXPECT_EQ(Fetch(u"/y").Body, "z");
    EXPECT_EQ(calls.size(), 2);
}

TEST_F(HTTPClientTest, RelativeLocations) {
    struct TRow {
        const char16_t* Start;
        const char* Location;
        const char* Target;
    };
    const TRow rows[] = {
        {u"/a/x.html?q=1", "/b/c.html", "/b/c.html"},
        {u"/a/x.html?q=1", "c.html", "/a/c.html"},
        {u"", "c.html", "/c.html"},
        {u"/a/x.html", "page?x=1", "/a/page?x=1"},
        {u"/a/x.html", "?y=2", "/a/?y=2"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Location);
        TScriptedServer server;
        server.Queue(Redirect(302, row.Location));
        server.Queue(OkReply("ok"));
        auto client = NewTestClient();
        EXPECT_EQ(Get(*client, server.URL(QString::fromUtf16(row.Start))).Body, "ok");
        ASSERT_EQ(server.RequestCount(), 2);
        EXPECT_EQ(server.Requests()[1].Target, row.Target);
        EXPECT_EQ(client->CurURL(), server.URL(QString::fromLatin1(row.Target)));
    }
}

TEST_F(HTTPClientTest, RefererChain) {
    Server.SetHandler(
        [](const TRequest& R) { return R.Path() == "/b" ? Redirect(302, "/c") : OkReply("page"); });
    ASSERT_FALSE(Fetch(u"/a").Failed);
    ASSERT_FALSE(Fetch(u"/b").Failed); // redirects to /c
    ASSERT_FALSE(Fetch(u"/d", false).Failed);
    ASSERT_FALSE(Fetch(u"/e").Failed);
    ASSERT_FALSE(Fetch(u"/f").Failed);
    const QList<TRequest> r = Server.Requests();
    ASSERT_EQ(r.size(), 6);
    EXPECT_FALSE(r[0].HasHeader("Referer"));
    EXPECT_EQ(r[1].Header("Referer"), Server.URL(u"/a").toLatin1());
    EXPECT_EQ(r[2].Header("Referer"), Server.URL(u"/b").toLatin1()); // the redirect hop
    EXPECT_EQ(r[3].Header("Referer"), Server.URL(u"/c").toLatin1());
    EXPECT_EQ(r[4].Header("Referer"), Server.URL(u"/c").toLatin1()); // /d did not update it
    EXPECT_EQ(r[5].Header("Referer"), Server.URL(u"/e").toLatin1());
    EXPECT_EQ(Client->Referer(), Server.URL(u"/f"));
}

TEST_F(HTTPClientTest, FragmentsAndUserInfoStayOutOfRefererAndRedirectBase) {
    Server.SetHandler([](const TRequest& R) {
        return R.Path() == "/a/x.html" ? Redirect(302, "c.html") : OkReply("page");
    });
    const QString start =
        Server.URL(u"/a/x.html#f/g")
            .replace(QStringLiteral("http://"), QStringLiteral("http://user:pw@"));
    ASSERT_FALSE(Get(*Client, start).Failed);
    ASSERT_FALSE(Fetch(u"/next").Failed);
    const QList<TRequest> r = Server.Requests();
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[1].Path(), QByteArray("/a/c.html")); // resolved against /a/x.html, not the fragment
    EXPECT_EQ(r[1].Header("Referer"), Server.URL(u"/a/x.html").toLatin1());
    EXPECT_EQ(r[2].Header("Referer"), Server.URL(u"/a/c.html").toLatin1());
}

TEST_F(HTTPClientTest, CookiesLiveAsLongAsTheClient) {
    Server.SetHandler([](const TRequest& R) {
        if (R.Path() == "/set")
            return MakeReply(200, "OK", {{"Set-Cookie", "s=1; Path=/"}}, "set");
        return OkReply("page");
    });
    ASSERT_FALSE(Fetch(u"/set").Failed);
    ASSERT_FALSE(Fetch(u"/check").Failed);
    auto other = NewTestClient();
    ASSERT_FALSE(Get(*other, Server.URL(u"/other")).Failed);
    Client->SetCustomCookie(QStringLiteral("mine=2"));
    ASSERT_FALSE(Fetch(u"/custom").Failed);
    Client->SetCustomCookie({});
    ASSERT_FALSE(Fetch(u"/again").Failed);

    const QList<TRequest> r = Server.Requests();
    EXPECT_FALSE(r[0].HasHeader("Cookie"));
    EXPECT_EQ(r[1].Header("Cookie"), "s=1");
    EXPECT_FALSE(r[2].HasHeader("Cookie")); // another client, another store
    EXPECT_EQ(r[3].Header("Cookie"), "mine=2");
    EXPECT_EQ(r[3].HeaderCount("Cookie"), 1);
    EXPECT_EQ(r[4].Header("Cookie"), "s=1"); // the store kept its cookie while it was off
}

TEST_F(HTTPClientTest, CookieSetByARedirectIsSentToItsTarget) {
    Server.Queue(MakeReply(302, "Found", {{"Location", "/in"}, {"Set-Cookie", "sid=abc; Path=/"}}));
    Server.Queue(OkReply("in"));
    EXPECT_EQ(Fetch(u"/login").Body, "in");
    EXPECT_EQ(Server.Requests()[1].Header("Cookie"), "sid=abc");
}

TEST_F(HTTPClientTest, CompressedBodies) {
    const QByteArray page = "<html><body>" + QByteArray(5000, 'z') + "</body></html>";
    struct TRow {
        const char* Name;
        QByteArray Coding;
        QByteArray Body;
        bool NoGZipDeflate;
        QByteArray Expected;
    };
    const TRow rows[] = {
        {"gzip", "gzip", GzipCompress(page), false, page},
        {"deflate", "deflate", ZlibCompress(page), false, page},
        {"gzip that is not gzip", "gzip", page, false, ""},
        {"unknown coding is copied", "br", "raw", false, "raw"},
        {"compression off: as received", "gzip", GzipCompress(page), true, GzipCompress(page)},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Server.Queue(MakeReply(200, "OK",
                               {{"Content-Type", "text/html"}, {"Content-Encoding", row.Coding}},
                               row.Body));
        const TGetResult result = Fetch(u"/page", true, row.NoGZipDeflate);
        EXPECT_FALSE(result.Failed) << result.Error.toStdString();
        EXPECT_EQ(result.Body, row.Expected);
        EXPECT_EQ(result.ContentType, QStringLiteral("text/html"));
    }
}

TEST_F(HTTPClientTest, ChunkedBodyIsJoined) {
    Server.Queue(ChunkedReply({{"Content-Type", "text/plain"}}, {"Hello, ", "chunked ", "world"}));
    Server.Queue(
        ChunkedReply({{"Content-Encoding", "gzip"}}, {GzipCompress("zipped and chunked").left(10),
                                                      GzipCompress("zipped and chunked").mid(10)}));
    EXPECT_EQ(Fetch(u"/c").Body, "Hello, chunked world");
    EXPECT_EQ(Fetch(u"/z").Body, "zipped and chunked");
}

TEST_F(HTTPClientTest, ContentLengthZeroWritesNothing) {
    // Only a declared length counts: a chunked empty body is not a declared 0.
    const QByteArray gzipEmpty = GzipCompress("");
    Server.Queue(MakeReply(200, "OK", {{"Content-Type", "text/html"}, {"Content-Length", "0"}}));
    Server.Queue(MakeReply(200, "OK", {{"Content-Encoding", "gzip"}, {"Content-Length", "0"}}));
    Server.Queue(MakeReply(200, "OK", {{"Content-Length", "0"}}));
    Server.Queue(ChunkedReply({{"Content-Encoding", "gzip"}}, {gzipEmpty}));
    const TGetResult plain = Fetch(u"/1");
    EXPECT_FALSE(plain.Failed);
    EXPECT_EQ(plain.Body, QByteArray());
    EXPECT_EQ(plain.ContentType, QStringLiteral("text/html"));
    EXPECT_EQ(Fetch(u"/2").Body, QByteArray());
    EXPECT_EQ(Fetch(u"/3", true, true).Body, QByteArray());
    const TGetResult chunked = Fetch(u"/4");
    EXPECT_FALSE(chunked.Failed);
    EXPECT_EQ(chunked.Body, QByteArray());
}

TEST_F(HTTPClientTest, ResponseCharset) {
    const QByteArray metaPage =
        "<html><head><meta charset=\"windows-1251\"></head><body>x</body></html>";
    const QByteArray equivPage =
        "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\"></head>";
    struct TRow {
        const char* Name;
        THeaderList Headers;
        QByteArray Body;
        const char16_t* Charset;
        const char16_t* ContentType;
    };
    const TRow rows[] = {
        {"header", {{"Content-Type", "text/html; charset=utf-8"}}, "<p>", u"utf-8", u"text/html"},
        {"text default", {{"Content-Type", "text/html"}}, "<p>", u"ISO-8859-1", u"text/html"},
        {"xml default", {{"Content-Type", "text/xml"}}, "<a/>", u"us-ascii", u"text/xml"},
        {"no text type", {{"Content-Type", "image/png"}}, "\x89PNG", u"", u"image/png"},
        {"no content type", {}, "data", u"", u""},
        {"meta charset", {{"Content-Type", "text/html"}}, metaPage, u"windows-1251", u"text/html"},
        {"meta wins over header",
         {{"Content-Type", "text/html; charset=utf-8"}},
         metaPage,
         u"windows-1251",
         u"text/html"},
        {"meta http-equiv", {{"Content-Type", "text/html"}}, equivPage, u"koi8-r", u"text/html"},
        // The page is read after decompression, so its own declaration counts.
        {"meta in a gzip body",
         {{"Content-Type", "text/html"}, {"Content-Encoding", "gzip"}},
         GzipCompress(metaPage),
         u"windows-1251",
         u"text/html"},
        {"meta in a deflate body",
         {{"Content-Type", "text/html"}, {"Content-Encoding", "deflate"}},
         ZlibCompress(equivPage),
         u"koi8-r",
         u"text/html"},
        // Meta elements are read in HTML only.
        {"meta in plain text",
         {{"Content-Type", "text/plain"}},
         metaPage,
         u"ISO-8859-1",
         u"text/plain"},
        // A page the header calls a page stays one; the meta still names the charset.
        {"xhtml declared as html",
         {{"Content-Type", "application/xhtml+xml"}},
         "<meta http-equiv='Content-Type' content='text/html'>",
         u"",
         u"application/xhtml+xml"},
        {"html declared as plain text",
         {{"Content-Type", "text/html"}},
         "<meta http-equiv='Content-Type' content='text/plain; charset=koi8-r'>",
         u"koi8-r",
         u"text/html"},
        // Another HTML type takes the declared one.
        {"sandboxed html declared as plain text",
         {{"Content-Type", "text/html-sandboxed"}},
         "<meta http-equiv='Content-Type' content='text/plain'>",
         u"ISO-8859-1",
         u"text/plain"},
        {"xhtml with a charset",
         {{"Content-Type", "application/xhtml+xml"}},
         "<meta charset=utf-8>",
         u"utf-8",
         u"application/xhtml+xml"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Server.Queue(MakeReply(200, "OK", row.Headers, row.Body));
        const TGetResult result = Fetch(u"/p");
        EXPECT_FALSE(result.Failed) << result.Error.toStdString();
        EXPECT_EQ(result.ContentType, QString::fromUtf16(row.ContentType));
        EXPECT_EQ(Client->GetResponseCharset(), QString::fromUtf16(row.Charset));
    }
}

} // namespace
