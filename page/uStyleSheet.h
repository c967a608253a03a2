#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

namespace tarrow {

// The references a style sheet makes to other files, read with the tokenizing rules of CSS but
// without building anything: pure functions over the text, safe on any input, linear in its size,
// never throwing.
//
// A value may be empty, a "data:" URL or a fragment ("#..."): callers decide what to follow and
// skip those; nothing is filtered here.

enum class TCSSRefKind { crURL, crImport }; // url(...) anywhere, or @import "string"

struct TCSSReference {
    qsizetype Start = 0; // 0-based: first character of the text to replace
    qsizetype End = 0;   // one past the last character to replace
    QString URL;         // the value with CSS escapes decoded and surrounding whitespace dropped
    TCSSRefKind Kind = TCSSRefKind::crURL;
};

// Every url(...) token (quoted or unquoted) and every @import given as a string, in text order.
// For url(...) the range covers "url( ... )"; for @import "x" it covers the string with its
// quotes (@import url(x) is a crURL reference). "url" and "@import" match ignoring ASCII case and
// only as whole names. Comments and strings are skipped, so a "url(" inside them is no reference.
// Escapes are decoded: "\" and 1 to 6 hex digits (and one whitespace after them) give that code
// point, or U+FFFD for 0, a surrogate or one past U+10FFFF; "\" and another character give that
// character; "\" and a line break inside a string is dropped. Only whitespace written as such is
// dropped around the value, so an escaped space stays part of it.
// What the CSS rules call a bad string (a raw line break) or a bad url (a quote, "(" or control
// character in an unquoted value) gives no reference and the scan goes on after it; a string,
// comment or url( that the text ends inside ends the scan.
QList<TCSSReference> FindStyleSheetReferences(QStringView ACss);

// ACss with each reference for which AMap returns a value replaced by url("VALUE") (crURL) or
// "VALUE" (crImport), the value escaped so it stays one CSS string that reads back as itself.
// References mapped to std::nullopt and all other text are copied unchanged.
QString RewriteStyleSheet(QStringView ACss,
                          const std::function<std::optional<QString>(const TCSSReference&)>& AMap);

// The name of an @charset rule at the very start of the sheet's bytes (after an optional UTF-8
// BOM), read as CSS does: exactly `@charset "NAME";` within the first 1024 bytes. The name must
// be printable ASCII; the result is empty when the rule is absent or malformed. A name of UTF-16
// gives "UTF-8" (the rule itself is ASCII), one of UTF-32 nothing.
QString StyleSheetCharset(QByteArrayView ABytes);

} // namespace tarrow
