#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

namespace tarrow {

// How local paths are read. The Windows reading is the one the rules are written in: "\" separates
// folders and a path holding ":" is absolute. The Linux reading (used by the Linux build) separates
// with "/", reads "\" in folder texts as "/", and treats a path as absolute when it begins with
// "/"; a "\" that comes from a URL stays an ordinary character of a file name.
enum class TPathReading { prWindows, prLinux };

TPathReading NativePathReading();
TPathReading PathReading();
void SetPathReading(TPathReading AReading);

// Switches the reading for the life of the object (tests run both readings in one process).
class TPathReadingScope final {
public:
    explicit TPathReadingScope(TPathReading AReading) : FSaved(PathReading()) {
        SetPathReading(AReading);
    }
    ~TPathReadingScope() { SetPathReading(FSaved); }
    TPathReadingScope(const TPathReadingScope&) = delete;
    TPathReadingScope& operator=(const TPathReadingScope&) = delete;

private:
    TPathReading FSaved;
};

// The folder separator of the current reading.
QChar PathDelim();
// The separator a folder text is converted from: "/" in the Windows reading, "\" in the Linux one.
QChar ForeignPathDelim();
// A folder text with the foreign separator turned into the separator of the reading.
QString ToReadingSeparators(QString AFolder);
// The rules' absolute-path test: a ":" anywhere (Windows), a leading "/" (Linux).
bool IsAbsolutePath(QStringView APath);
// The drive part of a path: its first two characters when the second is ":" (Windows); always
// empty in the Linux reading.
QString DrivePart(QStringView APath);
// "file:///" followed by the path with "/" separators, as a browser reads a local file.
QString FileURLFromPath(QStringView APath);

// A local path with ".", ".." and repeated separators resolved, written with the reading's
// separator. False for a path that holds a control character (NUL included), a ".." that climbs
// above its root, or (Windows reading) a ":" anywhere but after the drive letter.
bool NormalizeLocalPath(QStringView APath, QString& AResult);
// Whether APath lies below AFolder (never AFolder itself); with an empty AFolder, whether it is a
// relative path that stays inside the current folder. Both are normalised first. The Windows
// reading compares ASCII letters without regard to case, the Linux reading exactly.
bool IsPathBelow(QStringView APath, QStringView AFolder);

} // namespace tarrow
