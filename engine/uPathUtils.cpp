#include "engine/uPathUtils.h"

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

TPathReading PathReading() { return GPathReading.load(std::memory_order_relaxed); }

void SetPathReading(TPathReading AReading) {
    GPathReading.store(AReading, std::memory_order_relaxed);
}

static bool IsWindowsReading() { return PathReading() == TPathReading::prWindows; }

QChar PathDelim() { return IsWindowsReading() ? u'\\' : u'/'; }

QChar ForeignPathDelim() { return IsWindowsReading() ? u'/' : u'\\'; }

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

} // namespace tarrow
