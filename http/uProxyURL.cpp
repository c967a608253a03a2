#include "http/uProxyURL.h"

#include <QByteArray>

namespace tarrow {

namespace {

const QString kExpected = QStringLiteral(
    "Expected http://host:port, socks4://host:port or socks5://host:port, optionally with "
    "user:password@ before the host.");

// The message never repeats the text: it may hold a password.
[[noreturn]] void Malformed(const QString& AWhat) {
    throw EProxyURLError(QStringLiteral("Malformed proxy address: ") + AWhat +
                         QStringLiteral(". ") + kExpected);
}

TProxyKind KindOfScheme(const QString& AScheme) {
    if (AScheme.compare(u"http", Qt::CaseInsensitive) == 0)
        return TProxyKind::pkHTTP;
    if (AScheme.compare(u"socks4", Qt::CaseInsensitive) == 0)
        return TProxyKind::pkSOCKS4;
    if (AScheme.compare(u"socks5", Qt::CaseInsensitive) == 0)
        return TProxyKind::pkSOCKS5;
    Malformed(AScheme.isEmpty()
                  ? QStringLiteral("the scheme is missing")
                  : QStringLiteral("unknown scheme \"") + AScheme.left(16) + QStringLiteral("\""));
}

bool IsHex(QChar AChar) {
    return (AChar >= u'0' && AChar <= u'9') || (AChar >= u'a' && AChar <= u'f') ||
           (AChar >= u'A' && AChar <= u'F');
}

// Percent-decoded UTF-8; a "%" not followed by two hex digits is malformed.
QString DecodePart(const QString& AText, const QString& AName) {
    for (qsizetype i = 0; i < AText.size(); ++i) {
        const QChar c = AText[i];
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F)
            Malformed(QStringLiteral("the ") + AName +
                      QStringLiteral(" holds a space or control character"));
        if (c == u'%' && (i + 2 >= AText.size() || !IsHex(AText[i + 1]) || !IsHex(AText[i + 2])))
            Malformed(QStringLiteral("the ") + AName + QStringLiteral(" holds a bad %-escape"));
    }
    return QString::fromUtf8(QByteArray::fromPercentEncoding(AText.toUtf8()));
}

bool IsHostChar(QChar AChar) {
    return (AChar >= u'a' && AChar <= u'z') || (AChar >= u'A' && AChar <= u'Z') ||
           (AChar >= u'0' && AChar <= u'9') || AChar == u'-' || AChar == u'.' || AChar == u'_';
}

// "host" or "[v6]"; returns the host without brackets.
QString ReadHost(const QString& AText) {
    if (AText.isEmpty())
        Malformed(QStringLiteral("the host is missing"));
    if (AText.startsWith(u'[')) {
        if (!AText.endsWith(u']') || AText.size() < 4)
            Malformed(QStringLiteral("the IPv6 address is not closed by \"]\""));
        const QString inner = AText.mid(1, AText.size() - 2);
        for (QChar c : inner)
            if (!IsHex(c) && c != u':' && c != u'.')
                Malformed(QStringLiteral("the IPv6 address holds a character it cannot have"));
        if (!inner.contains(u':'))
            Malformed(QStringLiteral("the address in brackets is no IPv6 address"));
        return inner;
    }
    for (QChar c : AText)
        if (!IsHostChar(c))
            Malformed(QStringLiteral("the host holds a character it cannot have"));
    return AText;
}

int ReadPort(const QString& AText) {
    if (AText.isEmpty())
        Malformed(QStringLiteral("the port is missing"));
    int port = 0;
    for (QChar c : AText) {
        if (c < u'0' || c > u'9')
            Malformed(QStringLiteral("the port is not a number"));
        port = port * 10 + (c.unicode() - u'0');
        if (port > 65535)
            break;
    }
    if (port < 1 || port > 65535)
        Malformed(QStringLiteral("the port is not between 1 and 65535"));
    return port;
}

// "user[:password]" before the host.
void ReadUserInfo(const QString& AText, TProxySettings& AProxy) {
    const qsizetype colon = AText.indexOf(u':');
    AProxy.User = DecodePart(colon < 0 ? AText : AText.left(colon), QStringLiteral("user name"));
    if (colon >= 0)
        AProxy.Password = DecodePart(AText.mid(colon + 1), QStringLiteral("password"));
    if (AProxy.User.isEmpty())
        Malformed(QStringLiteral("the user name before \"@\" is empty"));
}

} // namespace

TProxySettings ParseProxyURL(const QString& AURL) {
    TProxySettings proxy;
    if (AURL.isEmpty())
        return proxy;
    const qsizetype sep = AURL.indexOf(u"://");
    if (sep < 0)
        Malformed(QStringLiteral("\"://\" is missing"));
    proxy.Kind = KindOfScheme(AURL.left(sep));
    QString authority = AURL.mid(sep + 3);
    if (authority.endsWith(u'/'))
        authority.chop(1);
    if (authority.contains(u'/') || authority.contains(u'?') || authority.contains(u'#'))
        Malformed(QStringLiteral("a proxy address has no path, query or fragment"));
    // The last "@" ends the user part: a password may hold an unencoded "@".
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        ReadUserInfo(authority.left(at), proxy);
        authority.remove(0, at + 1);
    }
    const qsizetype colon = authority.lastIndexOf(u':');
    if (colon < 0 || authority.endsWith(u']'))
        Malformed(QStringLiteral("the port is missing"));
    proxy.Host = ReadHost(authority.left(colon));
    proxy.Port = ReadPort(authority.mid(colon + 1));
    return proxy;
}

} // namespace tarrow
