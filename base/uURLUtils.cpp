#include "base/uURLUtils.h"

#include "base/uPathUtils.h"

#include <algorithm>

namespace tarrow {

namespace {

QString CutAtFirst(const QString& S, QChar C) {
    const qsizetype p = S.indexOf(C);
    return p < 0 ? S : S.left(p);
}

// Joins a relative link to the base (which holds no query).
QString JoinToBase(const QString& ABase, const QString& AURL) {
    const qsizetype scheme = ABase.indexOf(QLatin1String("://"));
    const qsizetype hostStart = scheme < 0 ? 0 : scheme + 3;
    if (AURL.startsWith(u'/')) {
        const qsizetype slash = ABase.indexOf(u'/', hostStart);
        return slash < 0 ? ABase + AURL : ABase.left(slash) + AURL;
    }
    const QStringView link =
        AURL.startsWith(QLatin1String("./")) ? QStringView(AURL).mid(2) : QStringView(AURL);
    const qsizetype slash = ABase.lastIndexOf(u'/');
    QString result = slash < hostStart ? ABase + u'/' : ABase.left(slash + 1);
    return result.append(link);
}

// Collapses every "/../" that stands before the first "?" with the segment before it, in one
// pass: the part already written never holds "/../", so each new occurrence ends at the "/"
// being written, and removing a segment cannot create an occurrence further left.
QString CollapseDotDotSegments(const QString& R) {
    if (!R.contains(QLatin1String("/../")))
        return R;
    QString out;
    out.reserve(R.size());
    qsizetype i = 0;
    for (; i < R.size(); ++i) {
        const QChar c = R[i];
        if (c == u'?')
            break;
        if (c == u'/' && out.endsWith(QLatin1String("/.."))) {
            const qsizetype d = out.size() - 3;
            const qsizetype s = d > 0 ? out.lastIndexOf(u'/', d - 1) : -1;
            if (s < 0)
                return QString();
            out.truncate(s);
        }
        out.append(c);
    }
    out.append(QStringView(R).mid(i));
    return out;
}

// R with its path's "." segments removed and a last ".." segment ended by "/", so that
// "/a/./b" is "/a/b", "/a/." is "/a/" and "/a/b/.." is collapsed as "/a/b/../" is.
QString EndDotSegments(const QString& R) {
    const qsizetype scheme = R.indexOf(QLatin1String("://"));
    const qsizetype hostStart = scheme < 0 ? 0 : scheme + 3;
    qsizetype end = 0;
    while (end < R.size() && R[end] != u'?' && R[end] != u'#')
        ++end;
    QString out;
    out.reserve(R.size() + 1);
    for (qsizetype i = 0; i < end; ++i) {
        if (R[i] == u'/' && out.size() > hostStart && out.endsWith(QLatin1String("/.")))
            out.chop(1);
        else
            out.append(R[i]);
    }
    if (out.size() > hostStart && out.endsWith(QLatin1String("/.")))
        out.chop(1);
    else if (out.size() > hostStart && out.endsWith(QLatin1String("/..")))
        out.append(u'/');
    return out.append(QStringView(R).mid(end));
}

} // namespace

QString ResolveURL(const QString& AURL, const QString& ABaseURL) {
    const QString base = CutAtFirst(ABaseURL, u'?');
    if (AURL.startsWith(QLatin1String("//"))) {
        const qsizetype scheme = base.indexOf(QLatin1String("://"));
        return (scheme < 0 ? QStringLiteral("http:") : base.left(scheme + 1)) + AURL;
    }
    if (AURL.isEmpty() || AURL.contains(QLatin1String("://")))
        return AURL;
    if (AURL.startsWith(u'#') || AURL.contains(u':'))
        return QString();

    QString r = JoinToBase(base, AURL);
    if (r.startsWith(QLatin1String("../")))
        return QString();
    if (r.startsWith(QLatin1String("./")))
        r.remove(0, 2);
    return CollapseDotDotSegments(EndDotSegments(r));
}

QString UnloadableURLReason(const QString& AURL) {
    const bool http = AURL.startsWith(QLatin1String("http://"), Qt::CaseInsensitive);
    if (!http && !AURL.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return QStringLiteral("not an http or https URL");
    const qsizetype start = http ? 7 : 8;
    qsizetype end = start;
    while (end < AURL.size() && !QStringView(u"/?#").contains(AURL[end]))
        ++end;
    const QStringView authority = QStringView(AURL).mid(start, end - start);
    QStringView host = authority.mid(authority.lastIndexOf(u'@') + 1);
    if (!host.startsWith(u'['))
        host = host.left(host.indexOf(u':') < 0 ? host.size() : host.indexOf(u':'));
    if (host.isEmpty())
        return QStringLiteral("no host name");
    return QString();
}

QString EncodeNonASCIIChars(const QString& AURL) {
    // Asked of every URL several times over; most are ASCII, seen without a conversion.
    if (std::all_of(AURL.cbegin(), AURL.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return AURL;
    const QByteArray utf8 = AURL.toUtf8();
    static const char Hex[] = "0123456789ABCDEF";
    QString result;
    result.reserve(utf8.size() * 3);
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            result.append(QLatin1Char(char(b)));
        } else {
            result.append(u'%');
            result.append(QLatin1Char(Hex[b >> 4]));
            result.append(QLatin1Char(Hex[b & 15]));
        }
    }
    return result;
}

QString RemoveURLFragment(const QString& AURL) {
    return CutAtFirst(AURL, u'#');
}

QString ExpandPath(const QString& APath, const QString& ABaseDir, TPathReading AReading) {
    if (ABaseDir.isEmpty() || IsAbsolutePath(APath, AReading))
        return APath;
    if (APath.isEmpty())
        return ABaseDir;
    const QChar delim = PathDelim(AReading);
    QString folder = ToReadingSeparators(ABaseDir, AReading);
    if (!folder.endsWith(delim))
        folder.append(delim);
    // In the Linux reading a leading "/" made the path absolute above, and "\" is a name character.
    if (AReading == TPathReading::prWindows && (APath.startsWith(u'\\') || APath.startsWith(u'/')))
        return folder.append(QStringView(APath).mid(1));
    return folder + APath;
}

QString WithRootPath(const QString& AURL) {
    const qsizetype sep = AURL.indexOf(QLatin1String("://"));
    if (sep < 0)
        return AURL;
    qsizetype end = sep + 3;
    while (end < AURL.size() && AURL[end] != u'/' && AURL[end] != u'?' && AURL[end] != u'#')
        ++end;
    if (end < AURL.size() && AURL[end] == u'/')
        return AURL;
    QString url = AURL;
    url.insert(end, u'/');
    return url;
}

} // namespace tarrow
