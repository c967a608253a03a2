#pragma once

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

// ASegment with "-" + ANumber put before its extension: "style.css" and 2 give "style-2.css".
QString NumberedName(QStringView ASegment, int ANumber);

} // namespace tarrow
