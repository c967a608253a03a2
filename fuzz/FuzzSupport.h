#pragma once
// Shared pieces of the fuzz targets: a reader that splits the input into small numbers and
// NUL-separated fields (so seed files stay readable), a check that aborts with a message, and the
// output-path acceptance of the crawl with an independent oracle for "below the output folder".

#include "base/uPathUtils.h"
#include "base/uURLUtils.h"
#include "engine/uFileUtils.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tarrow::fuzz {

// The path reading of the current input (a harness has one input at a time).
inline TPathReading& FuzzReading() {
    static TPathReading reading = NativePathReading();
    return reading;
}

[[noreturn]] inline void Fail(const char* AWhat, const QString& ADetail) {
    std::fprintf(stderr, "check failed: %s\n  %s\n", AWhat, ADetail.toUtf8().constData());
    std::abort();
}

#define FUZZ_CHECK(cond, detail)                                                                   \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::tarrow::fuzz::Fail(#cond, (detail));                                                 \
    } while (false)

// Reads the input front to back: single bytes for choices, then fields up to the next NUL byte.
// Reading past the end yields zeros and empty fields.
class TFuzzInput final {
public:
    TFuzzInput(const uint8_t* AData, size_t ASize)
        : FData(reinterpret_cast<const char*>(AData)), FSize(qsizetype(ASize)) {}

    uint8_t Byte() { return FPos < FSize ? uint8_t(FData[FPos++]) : 0; }
    // A position that may be negative or lie past any text, as callers may pass them.
    qsizetype Position() { return qsizetype(int16_t(uint16_t(Byte() << 8 | Byte()))); }
    QByteArray Field() {
        qsizetype end = FPos;
        while (end < FSize && FData[end] != '\0')
            ++end;
        QByteArray field(FData + FPos, end - FPos);
        FPos = end < FSize ? end + 1 : end;
        return field;
    }
    QString Text() { return QString::fromUtf8(Field()); }
    QByteArray Rest() {
        QByteArray rest(FData + FPos, FSize - FPos);
        FPos = FSize;
        return rest;
    }
    QString RestText() { return QString::fromUtf8(Rest()); }

private:
    const char* FData;
    qsizetype FSize;
    qsizetype FPos = 0;
};

// What the crawl does with an entry's output path before it writes (TWebsiteCrawl::CheckFolder):
// decode, place under the output folder, normalise, and accept only a path below the folder.
inline bool CrawlAcceptsPath(const QString& AOutFilePath, const QString& AOutFolder,
                             QString& ALocalPath) {
    const QString path = ExpandPath(PercentDecodePath(AOutFilePath), AOutFolder, FuzzReading());
    QString normalized;
    if (path.endsWith(PathDelim(FuzzReading())) ||
        !NormalizeLocalPath(path, normalized, FuzzReading()) ||
        !IsPathBelow(normalized, AOutFolder, FuzzReading()))
        return false;
    ALocalPath = normalized;
    return true;
}

// The oracle, written without the path module: Qt's own clean-up of "/" paths after turning
// "\" into "/" in the Windows reading, letter case folded there as Windows does.
inline QString OracleCanonical(const QString& APath, bool AWindows) {
    QString path = APath;
    if (AWindows)
        path.replace(u'\\', u'/');
    path = QDir::cleanPath(path);
    return AWindows ? path.toLower() : path;
}

inline void CheckInsideOutputFolder(const QString& ALocalPath, const QString& AOutFolder) {
    const bool windows = FuzzReading() == TPathReading::prWindows;
    const QString detail = QStringLiteral("path \"%1\", folder \"%2\", %3 reading")
                               .arg(ALocalPath, AOutFolder,
                                    windows ? QStringLiteral("Windows") : QStringLiteral("Linux"));
    for (QChar c : ALocalPath)
        FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7F, detail);
    // No stream names and no second drive below the folder (a root may hold a ":").
    if (windows)
        FUZZ_CHECK(
            !QStringView(ALocalPath).mid(std::max<qsizetype>(AOutFolder.size(), 2)).contains(u':'),
            detail);
    const QString path = OracleCanonical(ALocalPath, windows);
    const auto climbs = [](const QString& ARelative) {
        return ARelative.split(u'/').contains(QLatin1String(".."));
    };
    QString folder = OracleCanonical(AOutFolder, windows);
    if (AOutFolder.isEmpty() || folder == QLatin1String(".")) {
        const bool absolute =
            path.startsWith(u'/') || (windows && path.size() >= 2 && path[1] == u':');
        FUZZ_CHECK(!absolute && path != QLatin1String(".") && !climbs(path), detail);
        return;
    }
    if (!folder.endsWith(u'/'))
        folder.append(u'/');
    FUZZ_CHECK(path.size() > folder.size() && path.startsWith(folder), detail);
    FUZZ_CHECK(!climbs(path.mid(folder.size())), detail);
}

} // namespace tarrow::fuzz
