#pragma once

#include <QChar>
#include <QString>
#include <QStringView>
#include <cstdint>

namespace tarrow {

// The value of one hexadecimal digit, or -1.
int HexDigitValue(char16_t C);

// Markup whitespace: TAB, LF, CR and space only (no form feed, no no-break space).
constexpr bool IsSpaceChar(char16_t C) {
    return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r';
}
constexpr bool IsSpaceChar(QChar C) {
    return IsSpaceChar(C.unicode());
}

// The one integer reader of the system (numeric character references, settings, dialogs):
// leading spaces, an optional "+" or "-", then decimal digits, or hexadecimal digits after "$",
// "x", "X", "0x" or "0X". The digits must run to the end. A decimal value outside the signed
// 32-bit range fails; a hexadecimal value of up to 32 bits is taken as its bit pattern.
bool TryStrToInt(QStringView S, int32_t& AValue);

// Letter case is ignored for the ASCII letters only: "A".."Z" fold to "a".."z", every other
// character (non-ASCII letters included) must match exactly.
inline char16_t AsciiFold(char16_t C) {
    return (C >= u'A' && C <= u'Z') ? char16_t(C | 0x20) : C;
}

QString AsciiLower(QStringView S);
bool AsciiSameText(QStringView S1, QStringView S2);
bool AsciiStartsText(QStringView S, QStringView Prefix);
bool AsciiEndsText(QStringView S, QStringView Suffix);
// Index (from 0) of the first occurrence of Sub at or after From, or -1; empty Sub gives -1.
qsizetype AsciiIndexOfText(QStringView S, QStringView Sub, qsizetype From = 0);

// A log line that cannot be taken for two lines or steer a terminal: every C0 control character
// (below 0x20), DEL and every C1 control (0x80..0x9F) becomes "%" and two upper-case hexadecimal
// digits ("%0A", "%1B", "%9B"); every other character, non-ASCII text included, stays.
QString EscapeLogControls(const QString& AText);

} // namespace tarrow
