#include "base/uPathUtils.h"

#include "base/uStrUtils.h"

#include <QStringList>
#include <atomic>

namespace tarrow {

namespace {
std::atomic<TPathReading> GPathReading{NativePathReading()};
}

TPathReading NativePathReading() {
#ifdef Q_OS_WIN
    return TPathReading::prWindows;
#else
    return TPathReading::prLinux;
#endif
}

TPathReading PathReading() {
    return GPathReading.load(std::memory_order_relaxed);
}

void SetPathReading(TPathReading AReading) {
    GPathReading.store(AReading, std::memory_order_relaxed);
}

static bool IsWindowsReading() {
    return PathReading() == TPathReading::prWindows;
}

QChar PathDelim() {
    return IsWindowsReading() ? u'\\' : u'/';
}

QChar ForeignPathDelim() {
    return IsWindowsReading() ? u'/' : u'\\';
}

QString ToReadingSeparators(QString AFolder) {
    return AFolder.replace(ForeignPathDelim(), PathDelim());
}

bool IsAbsolutePath(QStringView APath) {
    if (IsWindowsReading())
        return APath.contains(u':');
    return APath.startsWith(u'/');
}

QString DrivePart(QStringView APath) {
    if (IsWindowsReading() && APath.size() >= 2 && APath[1] == u':')
        return APath.left(2).toString();
    return QString();
}

QString FileURLFromPath(QStringView APath) {
    QString path = APath.toString();
    if (IsWindowsReading())
        return QStringLiteral("file:///") + path.replace(u'\\', u'/');
    // An absolute Linux path already begins with the third "/".
    return (path.startsWith(u'/') ? QStringLiteral("file://") : QStringLiteral("file:///")) + path;
}

namespace {

bool IsSeparator(QChar C) {
    return C == u'/' || (IsWindowsReading() && C == u'\\');
}

bool HasControlChar(QStringView APath) {
    for (QChar c : APath)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

// The root of a path: "C:" or "C:\" or a UNC "\\server\share\" (Windows), "/" (Linux), or empty.
qsizetype RootLength(QStringView APath) {
    if (!IsWindowsReading())
        return APath.startsWith(u'/') ? 1 : 0;
    if (APath.size() >= 2 && APath[1] == u':')
        return (APath.size() >= 3 && IsSeparator(APath[2])) ? 3 : 2;
    if (APath.size() >= 2 && IsSeparator(APath[0]) && IsSeparator(APath[1])) {
        qsizetype p = 2;
        for (int parts = 0; parts < 2 && p < APath.size(); ++parts) {
            while (p < APath.size() && !IsSeparator(APath[p]))
                ++p;
            if (p < APath.size())
                ++p;
        }
        return p;
    }
    return IsSeparator(APath[0]) ? 1 : 0;
}

} // namespace

bool NormalizeLocalPath(QStringView APath, QString& AResult) {
    if (HasControlChar(APath))
        return false;
    const QChar delim = PathDelim();
    const qsizetype rootLength = APath.isEmpty() ? 0 : RootLength(APath);
    QString root = APath.left(rootLength).toString();
    if (IsWindowsReading())
        root.replace(u'/', u'\\');
    QStringView rest = APath.mid(rootLength);
    if (IsWindowsReading() && rest.contains(u':'))
        return false;
    QList<QStringView> segments;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && !IsSeparator(rest[i]))
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

bool IsPathBelow(QStringView APath, QStringView AFolder) {
    QString path;
    QString folder;
    if (!NormalizeLocalPath(APath, path) || !NormalizeLocalPath(AFolder, folder))
        return false;
    if (folder.isEmpty())
        return !path.isEmpty() && RootLength(path) == 0;
    const bool windows = IsWindowsReading();
    // A network path is never below a folder on a drive (the folder "\" included), nor the
    // other way round, although one text may begin with the other.
    const auto isUNC = [](QStringView p) {
        return p.size() >= 2 && IsSeparator(p[0]) && IsSeparator(p[1]);
    };
    if (windows && isUNC(path) != isUNC(folder))
        return false;
    const auto same = [windows](QStringView a, QStringView b) {
        return windows ? AsciiSameText(a, b) : a == b;
    };
    if (!folder.endsWith(PathDelim()))
        folder.append(PathDelim());
    return path.size() > folder.size() && same(QStringView(path).left(folder.size()), folder);
}

} // namespace tarrow
