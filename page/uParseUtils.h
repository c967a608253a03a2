#pragma once

#include "base/uStrUtils.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>

namespace tarrow {

// A forgiving scanner for opening tags, matching closing tags and attribute values. No tree is
// built and nothing raises: a search that cannot complete returns 0 (or an empty string) and the
// caller copies the rest unchanged.
//
// Positions count UTF-16 code units from 1, as the rules of the markup are written; 0 means "not
// found". Names compare ignoring ASCII letter case only. Every function reads within its text
// whatever the positions passed in, and keeps no state.

// How an attribute value was written: '"' or '\'' for quoted values, '\\' for a value between
// backslash-escaped double quotes (markup inside a script string), QChar(0) for an unquoted one.
constexpr char16_t NoQuoteChar = 0;

// The Count characters from Pos1 in S1 equal those from Pos2 in S2, ignoring ASCII case; false
// when either range runs past its string.
bool SameTextAt(QStringView S1, QStringView S2, qsizetype Count, qsizetype Pos1, qsizetype Pos2);

// Position of the "<" of the first opening tag at or after StartPos whose name is one of
// TagNames (followed by whitespace, "/" or ">"), or 0. TagIndex is set only on success.
qsizetype FindTag(QStringView Text, const QStringList& TagNames, int32_t& TagIndex,
                  qsizetype StartPos);

// Position of the first ">" at or after StartPos, or 0 (quotes are not honoured).
qsizetype FindTagEnd(QStringView Text, qsizetype StartPos);

// Position of the "<" of the "</TagName>" that balances the element opened before StartPos,
// counting nested opening tags of the same name, or 0.
qsizetype FindCloseTag(QStringView Text, QStringView TagName, qsizetype StartPos);

// Position of the first character of AttrName's value in the tag text that begins at StartPos,
// or 0. On success ValueEnd is the position just after the value and QuoteChar tells how it was
// written; on failure both are left unchanged.
qsizetype FindAttrValue(QStringView TagText, QStringView AttrName, qsizetype& ValueEnd,
                        QChar& QuoteChar, qsizetype StartPos);

// The decoded value of AttrName, or an empty string when it is not found.
QString GetAttrValue(QStringView TagText, QStringView AttrName, qsizetype StartPos);

// The Count characters of S from Index, backslash escapes decoded when QuoteChar is '\\', then
// the character references &amp; &gt; &lt; &nbsp; &quot; and &#N; decoded (each only once).
QString DecodeAttrValue(QStringView S, qsizetype Index, qsizetype Count, QChar QuoteChar);

// The Count characters of S from Index with \r \n \t \xHH \uHHHH, octal and other backslash
// escapes decoded; a trailing lone backslash is dropped.
QString UnescapeBackslashes(QStringView S, qsizetype Index, qsizetype Count);

} // namespace tarrow
