#pragma once

#include "http/uHTTPErrors.h"

#include <QByteArray>
#include <QString>

namespace tarrow {

// Ceilings against hostile servers: the bytes of one response body as received, and the bytes
// that decompressing one body may produce.
inline constexpr qint64 kMaxBodySize = qint64(1) << 30;
inline constexpr qint64 kMaxDecodedSize = qint64(1) << 30;
// The UTF-16 code units that one page's text may take after charset decoding: a small body in a
// one-to-many character set (or a compressed one) could otherwise need gigabytes as text.
inline constexpr qint64 kMaxPageTextChars = qint64(64) << 20;

// Raised when a body or its decompressed form passes its ceiling.
TARROW_DECLARE_EXCEPTION(EContentTooLarge, EHTTPError)

// A Content-Type value split into the media type with the charset parameter removed (other
// parameters stay) and the charset parameter's value (unquoted; empty when there is none).
struct TContentType {
    QString MediaType;
    QString Charset;
};
TContentType ParseContentType(const QString& AValue);

// The charset a media type implies when its header names none: "us-ascii" for text/xml,
// text/xml-external-parsed-entity and text/*+xml, "ISO-8859-1" for other text/*, else empty.
QString DefaultCharset(const QString& AMediaType);

// text/html, text/html-sandboxed and application/xhtml+xml (letter case ignored).
bool IsHTMLMediaType(const QString& AMediaType);

// What the meta elements at the head of an HTML page declare. ContentType comes from the first
// meta http-equiv="Content-Type" with a non-empty content; Charset from the first meta that
// declares one (a charset attribute, or the charset parameter of such a content). The scan stops
// at "</head", "<body" or after kMetaScanLimit bytes; comments are skipped.
struct TMetaDeclaration {
    QString ContentType;
    QString Charset;
};
inline constexpr qsizetype kMetaScanLimit = 1 << 20;
TMetaDeclaration ReadMetaDeclaration(const char* AData, qsizetype ASize);

// Appends ABuffer to AOutStream, decoded by its Content-Encoding: exactly "deflate" is a zlib
// stream, exactly "gzip" a gzip member (CRC and length checked); anything else is copied. A
// decoding failure is swallowed and keeps what was decoded before it. False when a non-empty
// compressed stream stops before its end: the body was cut short. Raises EContentTooLarge when
// the decoded bytes would pass ALimit (what was decoded up to the limit stays).
bool DecodeContent(const QByteArray& ABuffer, const QString& AContentEncoding,
                   QByteArray& AOutStream, qint64 ALimit = kMaxDecodedSize);

} // namespace tarrow
