#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tarrow {

// The text of ABody read in the character set named ACharset (any name iconv knows, letter case
// ignored). An empty or unknown name reads each byte as the character with the same code
// (ISO-8859-1); so does UTF-7, which no browser decodes and which would turn harmless text into
// markup. A byte-order mark decides before ACharset. Bytes that are not valid in the character set
// become U+FFFD and the rest of the text still decodes.
QString DecodeCharset(const QByteArray& ABody, const QString& ACharset);

// The character set a byte-order mark at the start of ABytes names ("UTF-8", "UTF-16LE" or
// "UTF-16BE"), or empty. Decoding reads a marked text in that set whatever its label says, as
// browsers do; the mark itself is not part of the text.
QString ByteOrderMarkCharset(QByteArrayView ABytes);

// DecodeCharset with a ceiling: false (AText then empty) when the text would take more than
// ALimit UTF-16 code units; the decoding stops there instead of building the whole text.
bool DecodePageText(const QByteArray& ABody, const QString& ACharset, qint64 ALimit,
                    QString& AText);

// Whether ACharset names UTF-8 (so the bytes need no conversion to be saved as UTF-8).
bool IsUTF8Charset(const QString& ACharset);

} // namespace tarrow
