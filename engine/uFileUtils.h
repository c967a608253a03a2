#pragma once

#include <QByteArray>
#include <QString>

namespace tarrow {

class TRunContext;

// The output path with its percent escapes decoded: each "%" and two hexadecimal digits is one
// byte and runs of such bytes are read as UTF-8 (invalid bytes become U+FFFD). An escape whose two
// characters are not hexadecimal is dropped with them; a "%" with fewer than two characters after
// it is dropped. Other characters stay (a non-ASCII one is carried as its UTF-8 bytes).
QString PercentDecodePath(const QString& APath);

// True when the file's content differs from AContent (MD5 digests), or when the file cannot be
// read; in that case the error is logged through AContext (when given).
bool FileChanged(const QString& AFileName, const QByteArray& AContent, const TRunContext* AContext);

// Creates AFolder with every missing parent; false when that fails.
bool ForceDirectories(const QString& AFolder);

// Replaces (or creates) the file atomically: the content goes to a temporary file beside it, which
// is then renamed over it, so a failed or interrupted write leaves any older copy intact.
// Raises EFCreateError "Cannot create file \"%s\". %s" on failure.
void WriteFileAtomically(const QString& AFileName, const QByteArray& AContent);

} // namespace tarrow
