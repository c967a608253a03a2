#pragma once

#include "base/uPathUtils.h"

#include <QByteArray>
#include <QString>

namespace tarrow {

class TRunContext;

// The output path with its percent escapes decoded: each "%" and two hexadecimal digits is one
// byte and runs of such bytes are read as UTF-8 (invalid bytes become U+FFFD). An escape whose two
// characters are not hexadecimal is dropped with them; a "%" with fewer than two characters after
// it is dropped. Other characters stay (a non-ASCII one is carried as its UTF-8 bytes).
QString PercentDecodePath(const QString& APath);

// The local path of an entry's output path: only the part below the output prefix AOutDir is
// percent-decoded (an output folder named "My%20Sites" stays so), then the path is placed under
// AOutFolder when it is relative. With no output folder every file goes below the current folder:
// a leading separator of the mapped path does not make it absolute.
QString LocalOutputPath(const QString& AOutFilePath, const QString& AOutDir,
                        const QString& AOutFolder, TPathReading AReading);

// True when the file's content differs from AContent (MD5 digests), or when the file cannot be
// read; in that case the error is logged through AContext (when given).
bool FileChanged(const QString& AFileName, const QByteArray& AContent, const TRunContext* AContext);

// True when a regular file stands at APath (a folder or a device there is no file).
bool IsRegularFile(const QString& APath);

// Creates AFolder with every missing parent; false when that fails.
bool ForceDirectories(const QString& AFolder);

// What creating the folders of a file below the output folder came to.
enum class TFolderResult { frReady, frSymbolicLink, frFailed };

// Creates AFolder (a normalised path below AOutFolder, or AOutFolder itself; relative to the
// current folder when AOutFolder is empty) one component at a time relative to the opened output
// folder, never following a symbolic link: frSymbolicLink when a component is one. The output
// folder itself is the user's choice and may be a link.
TFolderResult ForceDirectoriesBelow(const QString& AOutFolder, const QString& AFolder);

// WriteFileAtomically for a file below AOutFolder: every folder on the way is opened with no link
// followed, and the temporary file is created and renamed within the file's opened folder, so no
// write ever passes a symbolic link inside the output folder (a link standing in the file's place
// is replaced, its target left alone). Raises EFCreateError as WriteFileAtomically does.
void WriteFileBelow(const QString& AOutFolder, const QString& AFileName,
                    const QByteArray& AContent);

// Removes the temporary file of the save under way, if any. Async-signal-safe: for a handler
// that ends the process at once, so no hidden temporary stays behind.
void RemoveActiveTemporaryFile() noexcept;

// Replaces (or creates) the file atomically: the content goes to a temporary file beside it, which
// is then renamed over it, so a failed or interrupted write leaves any older copy intact.
// Raises EFCreateError "Cannot create file \"%s\". %s" on failure.
void WriteFileAtomically(const QString& AFileName, const QByteArray& AContent);

} // namespace tarrow
