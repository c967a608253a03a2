#include "http/uProxyAddress.h"

namespace tarrow {

namespace {

qsizetype HostStart(const QString& AText) {
    const qsizetype at = AText.indexOf(u'@');
    return at < 0 ? 0 : at + 1;
}

} // namespace

qsizetype ProxyFieldLength(const QString& AText, qsizetype AStart) {
    qsizetype i = AStart;
    while (i < AText.size()) {
        const QChar c = AText[i];
        if (c == u'\t' || c == u',' || c == u':' || c == u';')
            break;
        ++i;
    }
    return i - AStart;
}

QString ExtractProxyHost(const QString& AText) {
    const qsizetype start = HostStart(AText);
    const qsizetype colon = AText.indexOf(u':', start);
    QString host = colon >= 0 ? AText.mid(start, colon - start)
                              : AText.mid(start, ProxyFieldLength(AText, start));
    if (!host.isEmpty() && (host[0] == u'#' || host[0] == u'+' || host[0] == u'*'))
        host.remove(0, 1);
    return host;
}

int ExtractProxyPort(const QString& AText) {
    const qsizetype colon = AText.indexOf(u':', HostStart(AText));
    if (colon < 0)
        return 0;
    bool ok = false;
    const int port = AText.mid(colon + 1, ProxyFieldLength(AText, colon + 1)).toInt(&ok, 10);
    return ok ? port : 0;
}

TProxyKind ProxyKindFor(const QString& AText, TProxyType AType) {
    if (AText.isEmpty())
        return TProxyKind::pkNone;
    switch (AType) {
    case ptNoProxy:
        return TProxyKind::pkNone;
    case ptHTTPS:
        return TProxyKind::pkHTTP;
    case ptSOCKS4:
        return TProxyKind::pkSOCKS4;
    case ptSOCKS5:
        return TProxyKind::pkSOCKS5;
    case ptAUTO:
        break;
    }
    if (AText[0] == u'+')
        return TProxyKind::pkSOCKS4;
    if (AText[0] == u'*')
        return TProxyKind::pkSOCKS5;
    return TProxyKind::pkHTTP;
}

} // namespace tarrow
