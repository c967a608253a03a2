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

// The reading of the platform the program was built for.
TPathReading NativePathReading();

// Every function below reads paths as AReading says: the run carries its reading (a run
// context), so tests can run both readings side by side.

// The folder separator of the reading.
QChar PathDelim(TPathReading AReading);
// The separator a folder text is converted from: "/" in the Windows reading, "\" in the Linux one.
QChar ForeignPathDelim(TPathReading AReading);
// A folder text with the foreign separator turned into the separator of the reading.
QString ToReadingSeparators(QString AFolder, TPathReading AReading);
// The rules' absolute-path test: a ":" anywhere (Windows), a leading "/" (Linux).
bool IsAbsolutePath(QStringView APath, TPathReading AReading);
// The drive part of a path: its first two characters when the second is ":" (Windows); always
// empty in the Linux reading.
QString DrivePart(QStringView APath, TPathReading AReading);
// "file:///" followed by the path with "/" separators, as a browser reads a local file.
QString FileURLFromPath(QStringView APath, TPathReading AReading);

// A local path with ".", ".." and repeated separators resolved, written with the reading's
// separator. False for a path that holds a control character (NUL included), a ".." that climbs
// above its root, or (Windows reading) a ":" anywhere but after the drive letter.
bool NormalizeLocalPath(QStringView APath, QString& AResult, TPathReading AReading);
// Whether APath lies below AFolder (never AFolder itself); with an empty AFolder, whether it is a
// relative path that stays inside the current folder. Both are normalised first. The Windows
// reading compares ASCII letters without regard to case, the Linux reading exactly.
bool IsPathBelow(QStringView APath, QStringView AFolder, TPathReading AReading);

} // namespace tarrow
