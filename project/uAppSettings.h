#pragma once

#include "base/uFileIO.h"

#include "project/VHashedStringList.h"

#include <QFileDevice>
#include <QString>

namespace tarrow {

// The mode of a settings file the program creates: read and write for its owner only.
constexpr QFileDevice::Permissions PrivateFilePermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The settings store: the name=value lines of tarrow.ini. The file is UTF-8; saving writes the
// byte-order mark and CR LF after every line (a CR LF, CR or LF inside a line is written as one
// blank), reading skips a mark and accepts CR LF, LF or CR.
class TAppSettings final {
public:
    TAppSettings() : FStrings(256) {}

    TVHashedStringList& Strings() { return FStrings; }
    const TVHashedStringList& Strings() const { return FStrings; }

    // Replaces the lines by those of the file; EFOpenError "Cannot open file ..." when the file
    // cannot be opened or read.
    void LoadFromFile(const QString& AFileName);
    // Replaces the file atomically: a save that fails leaves the previous file as it was.
    // EFCreateError "Cannot create file ..." when it cannot be created or written. A new file is
    // created with PrivateFilePermissions; an existing one keeps its mode.
    void SaveToFile(const QString& AFileName) const;

    // The lines of a file's text: a leading byte-order mark is skipped, invalid UTF-8 becomes
    // U+FFFD, and CR LF, LF or CR ends a line (a final line end adds no empty line).
    static QStringList DecodeLines(const QByteArray& AData);
    static QByteArray EncodeLines(const QStringList& ALines);

private:
    TVHashedStringList FStrings;
};

} // namespace tarrow
