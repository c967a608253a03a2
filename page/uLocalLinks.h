#pragma once

#include "base/uPathUtils.h"

#include <QChar>
#include <QString>

namespace tarrow {

// How a rewritten link reaches a saved file. Paths are in the given path reading
// (base/uPathUtils.h): "\" and drive letters in the Windows reading, "/" in the Linux one.

// The path from the folder of APageFile to ATargetFile, with the reading's separators; the target
// itself when the drive parts differ. Folder names compare ignoring ASCII case in the Windows
// reading and exactly in the Linux reading, where "Img" and "img" are different folders.
QString RelativeFilePath(const QString& APageFile, const QString& ATargetFile,
                         TPathReading AReading);

struct TLocalLinkOptions {
    bool RelativePathLinks = false;
    QString BaseURL;   // "/" separators, ending with "/", or empty
    QString IndexFile; // cut off a link under BaseURL, so a folder's index page links to the folder
    QString OutDir;    // the output prefix that a link under BaseURL leaves out
    TPathReading PathReading = NativePathReading();
};

// The link to the saved file APath from the page saved as APageOutFilePath: a relative path, a
// "file:///" URL, or the path below the output folder under the base URL.
QString LocalLinkForm(const QString& APath, const QString& APageOutFilePath,
                      const TLocalLinkOptions& AOptions);

// ALink made safe to stand between the delimiters of an attribute value written with AQuote (a
// quote indicator of the markup scanner): the characters that would end the value are
// percent-encoded, and a backslash inside a "\"-quoted value is escaped as the script string
// around it expects.
QString EncodeLinkForAttr(const QString& ALink, QChar AQuote);

} // namespace tarrow
