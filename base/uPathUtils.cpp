#include "base/uPathUtils.h"

#include "base/uStrUtils.h"

#include <QStringList>

namespace tarrow {

TPathReading NativePathReading() {
#ifdef Q_OS_WIN
    return TPathReading::prWindows;
#else
    return TPathReading::prLinux;
#endif
}

static bool IsWindows(TPathReading R) {
    return R == TPathReading::prWindows;
}

QChar PathDelim(TPathReading R) {
    return IsWindows(R) ? u'\\' : u'/';
}

QChar ForeignPathDelim(TPathReading R) {
    return IsWindows(R) ? u'/' : u'\\';
}

QString ToReadingSeparators(QString AFolder, TPathReading R) {
    return AFolder.replace(ForeignPathDelim(R), PathDelim(R));
}

bool IsAbsolutePath(QStringView APath, TPathReading R) {
    if (IsWindows(R))
        return APath.contains(u':');
    return APath.startsWith(u'/');
}

QString DrivePart(QStringView APath, TPathReading R) {
    if (IsWindows(R) && APath.size() >= 2 && APath[1] == u':')
        return APath.left(2).toString();
    return QString();
}

QString FileURLFromPath(QStringView APath, TPathReading R) {
    QString path = APath.toString();
    if (IsWindows(R))
        return QStringLiteral("file:///") + path.replace(u'\\', u'/');
    // An absolute Linux path already begins with the third "/".
    return (path.startsWith(u'/') ? QStringLiteral("file://") : QStringLiteral("file:///")) + path;
}

namespace {

bool IsSeparator(QChar C, TPathReading R) {
    return C == u'/' || (IsWindows(R) && C == u'\\');
}

bool HasControlChar(QStringView APath) {
    for (QChar c : APath)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

// The root of a path: "C:" or "C:\" or a UNC "\\server\share\" (Windows), "/" (Linux), or empty.
qsizetype RootLength(QStringView APath, TPathReading R) {
    if (!IsWindows(R))
        return APath.startsWith(u'/') ? 1 : 0;
    if (APath.size() >= 2 && APath[1] == u':')
        return (APath.size() >= 3 && IsSeparator(APath[2], R)) ? 3 : 2;
    if (APath.size() >= 2 && IsSeparator(APath[0], R) && IsSeparator(APath[1], R)) {
        qsizetype p = 2;
        for (int parts = 0; parts < 2 && p < APath.size(); ++parts) {
            while (p < APath.size() && !IsSeparator(APath[p], R))
                ++p;
            if (p < APath.size())
                ++p;
        }
        return p;
    }
    return IsSeparator(APath[0], R) ? 1 : 0;
}

} // namespace

bool NormalizeLocalPath(QStringView APath, QString& AResult, TPathReading R) {
    if (HasControlChar(APath))
        return false;
    const QChar delim = PathDelim(R);
    const qsizetype rootLength = APath.isEmpty() ? 0 : RootLength(APath, R);
    QString root = APath.left(rootLength).toString();
    if (IsWindows(R))
        root.replace(u'/', u'\\');
    QStringView rest = APath.mid(rootLength);
    if (IsWindows(R) && rest.contains(u':'))
        return false;
    QList<QStringView> segments;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && !IsSeparator(rest[i], R))
            continue;
        const QStringView segment = rest.mid(start, i - start);
        start = i + 1;
        if (segment.isEmpty() || segment == u".")
            continue;
        if (segment == u"..") {
            if (segments.isEmpty())
                return false;
            segments.removeLast();
            continue;
        }
        segments.append(segment);
    }
    AResult = root;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (i > 0)
            AResult.append(delim);
        AResult.append(segments[i]);
    }
    return true;
}

bool IsPathBelow(QStringView APath, QStringView AFolder, TPathReading R) {
    QString path;
    QString folder;
    if (!NormalizeLocalPath(APath, path, R) || !NormalizeLocalPath(AFolder, folder, R))
        return false;
    if (folder.isEmpty())
        return !path.isEmpty() && RootLength(path, R) == 0;
    const bool windows = IsWindows(R);
    // A network path is never below a folder on a drive (the folder "\" included), nor the
    // other way round, although one text may begin with the other.
    const auto isUNC = [R](QStringView p) {
        return p.size() >= 2 && IsSeparator(p[0], R) && IsSeparator(p[1], R);
    };
    if (windows && isUNC(path) != isUNC(folder))
        return false;
    const auto same = [windows](QStringView a, QStringView b) {
        return windows ? AsciiSameText(a, b) : a == b;
    };
    if (!folder.endsWith(PathDelim(R)))
        folder.append(PathDelim(R));
    return path.size() > folder.size() && same(QStringView(path).left(folder.size()), folder);
}

} // namespace tarrow
