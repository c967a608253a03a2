#pragma once

#include <QString>
#include <QStringView>

namespace tarrow {

// Letter case is ignored for the ASCII letters only: "A".."Z" fold to "a".."z", every other
// character (non-ASCII letters included) must match exactly.
inline char16_t AsciiFold(char16_t C) { return (C >= u'A' && C <= u'Z') ? char16_t(C | 0x20) : C; }

QString AsciiLower(QStringView S);
bool AsciiSameText(QStringView S1, QStringView S2);
bool AsciiStartsText(QStringView S, QStringView Prefix);
bool AsciiEndsText(QStringView S, QStringView Suffix);
// Index (from 0) of the first occurrence of Sub at or after From, or -1; empty Sub gives -1.
qsizetype AsciiIndexOfText(QStringView S, QStringView Sub, qsizetype From = 0);

} // namespace tarrow
