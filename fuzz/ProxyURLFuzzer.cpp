// The proxy URL reader on any text: it never crashes, refuses only with its own error, and what it
// accepts is a usable proxy that reads back the same when written out again.
#include "fuzz/FuzzSupport.h"
#include "http/uProxyURL.h"

#include <QUrl>

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

QString SchemeOf(TProxyKind AKind) {
    switch (AKind) {
    case TProxyKind::pkSOCKS4:
        return QStringLiteral("socks4");
    case TProxyKind::pkSOCKS5:
        return QStringLiteral("socks5");
    default:
        return QStringLiteral("http");
    }
}

// The proxy written out in the plainest accepted form.
QString Written(const TProxySettings& AProxy) {
    QString text = SchemeOf(AProxy.Kind) + QStringLiteral("://");
    if (!AProxy.User.isEmpty())
        text += QString::fromLatin1(QUrl::toPercentEncoding(AProxy.User)) + u':' +
                QString::fromLatin1(QUrl::toPercentEncoding(AProxy.Password)) + u'@';
    const QString host = AProxy.Host.contains(u':') ? u'[' + AProxy.Host + u']' : AProxy.Host;
    return text + host + u':' + QString::number(AProxy.Port);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(AData),
                                           qsizetype(std::min<size_t>(ASize, 4096)));
    TProxySettings proxy;
    try {
        proxy = ParseProxyURL(text);
    } catch (const EProxyURLError& E) {
        FUZZ_CHECK(E.Message().startsWith(QStringLiteral("Malformed proxy address: ")),
                   E.Message());
        return 0;
    }
    if (text.isEmpty()) {
        FUZZ_CHECK(proxy == TProxySettings(), text);
        return 0;
    }
    FUZZ_CHECK(proxy.Kind != TProxyKind::pkNone, text);
    FUZZ_CHECK(!proxy.Host.isEmpty(), text);
    FUZZ_CHECK(proxy.Port >= 1 && proxy.Port <= 65535, text);
    for (QChar c : proxy.Host)
        FUZZ_CHECK(c.unicode() > 0x20 && c.unicode() < 0x7F && c != u'@' && c != u'/', text);
    const QString again = Written(proxy);
    try {
        FUZZ_CHECK(ParseProxyURL(again) == proxy, text + QStringLiteral(" -> ") + again);
    } catch (const EProxyURLError& E) {
        Fail("a written proxy reads back", again + QStringLiteral(": ") + E.Message());
    }
    return 0;
}
