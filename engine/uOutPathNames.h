#pragma once

#include "base/uPathUtils.h"

#include <QString>
#include <QStringView>

namespace tarrow {

// Whether a file name's extension says what the file is, so a complete copy keeps the name the
// server gives it: page extensions and well-known non-page files (documents, archives, packages,
// images, audio, video, fonts, text and data). ASCII letters are compared without regard to case.
bool IsKeptFileExtension(QStringView AExtension);

// The extension of the last segment of a URL path (without the dot), or empty when it has none.
QStringView LastSegmentExtension(QStringView APath);

// AFileName with "@" + AQuery (every "/" made "_") put before its extension:
// "q.css" and "v=3" give "q@v=3.css".
QString FileNameWithQuery(QStringView AFileName, QStringView AQuery);

// A query as part of a file or folder name: every "/" and every escape of a separator ("%2F",
// and "%5C" in the Windows reading) is made "_", so decoding never turns it into a folder step.
QString QueryAsName(QString AQuery, TPathReading AReading);

// The output path APath with its part past AFrom (the output prefix) settled on the text that is
// written: decoded, every segment that decodes to nothing or "." dropped and every ".." removed
// with the segment before it, so the decoded text is the normalised path and the names of two
// paths compare as their files do. The kept segments stay as they were written. False, with APath
// unchanged, when the path climbs above the prefix or its last segment names no file: the save
// then refuses it.
bool SettleOutPath(QString& APath, qsizetype AFrom, TPathReading AReading);

// APath (settled) with every segment past AFrom whose written name would be longer than a file
// system allows shortened: its start, "-" and eight hexadecimal digits of a digest of the whole
// segment, and its extension when it has a short one.
QString ShortenLongNames(const QString& APath, qsizetype AFrom, TPathReading AReading);

// ASegment with "-" + ANumber put before its extension: "style.css" and 2 give "style-2.css".
QString NumberedName(QStringView ASegment, int ANumber);

} // namespace tarrow
