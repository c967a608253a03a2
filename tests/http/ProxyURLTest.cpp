// Reading the proxy setting: the accepted forms and a clear refusal of everything else.
#include "http/uProxyURL.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

TEST(ProxyURL, AcceptedForms) {
    const struct {
        const char16_t* Text;
        TProxySettings Proxy;
    } rows[] = {
        {u"", {}},
        {u"http://proxy.lan:3128", {TProxyKind::pkHTTP, u"proxy.lan"_s, 3128, {}, {}}},
        {u"HTTP://127.0.0.1:8080/", {TProxyKind::pkHTTP, u"127.0.0.1"_s, 8080, {}, {}}},
        {u"socks4://10.0.0.1:1080", {TProxyKind::pkSOCKS4, u"10.0.0.1"_s, 1080, {}, {}}},
        {u"Socks5://h:1", {TProxyKind::pkSOCKS5, u"h"_s, 1, {}, {}}},
        {u"socks5://[::1]:65535", {TProxyKind::pkSOCKS5, u"::1"_s, 65535, {}, {}}},
        {u"http://me:pw@p:80", {TProxyKind::pkHTTP, u"p"_s, 80, u"me"_s, u"pw"_s}},
        {u"socks4://alice@p:1080", {TProxyKind::pkSOCKS4, u"p"_s, 1080, u"alice"_s, {}}},
        // Percent-escapes decode; the last "@" ends the user part; ":" may follow in the password.
        {u"socks5://a%20b:p%3Aw%40d@p:1", {TProxyKind::pkSOCKS5, u"p"_s, 1, u"a b"_s, u"p:w@d"_s}},
        {u"http://u:a@b:c@p:2", {TProxyKind::pkHTTP, u"p"_s, 2, u"u"_s, u"a@b:c"_s}},
        {u"http://u%C3%A9:@[fe80::1]:3", {TProxyKind::pkHTTP, u"fe80::1"_s, 3, u"u\u00e9"_s, {}}},
    };
    for (const auto& row : rows) {
        const QString text = QString::fromUtf16(row.Text);
        SCOPED_TRACE(text.toStdString());
        TProxySettings proxy;
        ASSERT_NO_THROW(proxy = ParseProxyURL(text));
        EXPECT_EQ(proxy, row.Proxy)
            << proxy.Host.toStdString() << " " << proxy.Port << " " << proxy.User.toStdString();
    }
}

TEST(ProxyURL, MalformedTextsSayWhatIsWrong) {
    const struct {
        const char16_t* Text;
        const char* Reason;
    } rows[] = {
        {u"proxy.lan:3128", "\"://\" is missing"},
        {u"https://p:443", "unknown scheme \"https\""},
        {u"socks://p:1080", "unknown scheme \"socks\""},
        {u"://p:1", "the scheme is missing"},
        {u"http://p", "the port is missing"},
        {u"http://p:", "the port is missing"},
        {u"http://[::1]", "the port is missing"},
        {u"http://:80", "the host is missing"},
        {u"http://p:0", "the port is not between 1 and 65535"},
        {u"http://p:65536", "the port is not between 1 and 65535"},
        {u"http://p:99999999999999999999", "the port is not between 1 and 65535"},
        {u"http://p:-1", "the port is not a number"},
        {u"http://p:80a", "the port is not a number"},
        {u"http://p:8 0", "the port is not a number"},
        {u"http://p q:80", "the host holds a character it cannot have"},
        {u"http://h\u00f6st:80", "the host holds a character it cannot have"},
        {u"http://[::1:80", "the IPv6 address is not closed by \"]\""},
        {u"http://[g::1]:80", "the IPv6 address holds a character it cannot have"},
        {u"http://[1.2.3.4]:80", "the address in brackets is no IPv6 address"},
        {u"http://p:80/path", "a proxy address has no path, query or fragment"},
        {u"http://p:80?x", "a proxy address has no path, query or fragment"},
        {u"http://@p:80", "the user name before \"@\" is empty"},
        {u"http://:pw@p:80", "the user name before \"@\" is empty"},
        {u"http://u%2:pw@p:80", "the user name holds a bad %-escape"},
        {u"http://u:p%zz@p:80", "the password holds a bad %-escape"},
        {u"http://u:p w@p:80", "the password holds a space or control character"},
        {u" http://p:80", "unknown scheme \" http\""},
    };
    for (const auto& row : rows) {
        const QString text = QString::fromUtf16(row.Text);
        SCOPED_TRACE(text.toStdString());
        try {
            ParseProxyURL(text);
            ADD_FAILURE() << "accepted";
        } catch (const EProxyURLError& E) {
            EXPECT_TRUE(E.Message().startsWith(u"Malformed proxy address: "_s +
                                               QString::fromUtf8(row.Reason) + u". Expected "_s))
                << E.Message().toStdString();
        }
    }
    // The message never shows the password it was given.
    try {
        ParseProxyURL(u"http://u:secret@p"_s);
        ADD_FAILURE() << "accepted";
    } catch (const EProxyURLError& E) {
        EXPECT_FALSE(E.Message().contains(u"secret"_s));
    }
}

} // namespace
