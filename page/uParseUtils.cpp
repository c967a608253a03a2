#include "page/uParseUtils.h"

#include <algorithm>

namespace tarrow {

// The functions take 1-based positions; inside, indexes count from 0.

namespace {

bool EndsConstruct(QChar C) {
    return C == u'/' || C == u'>';
}

qsizetype SkipSpaces(QStringView T, qsizetype I) {
    while (I < T.size() && IsSpaceChar(T[I]))
        ++I;
    return I;
}

// Index of the first name of ANames that the "<" at AIndex opens, or -1.
int32_t MatchTagName(QStringView AText, const QStringList& ANames, qsizetype AIndex) {
    const qsizetype n = AText.size();
    for (qsizetype k = 0; k < ANames.size(); ++k) {
        const QString& name = ANames.at(k);
        const qsizetype after = AIndex + 1 + name.size();
        if (name.isEmpty() || after >= n)
            continue;
        const QChar c = AText[after];
        if ((IsSpaceChar(c) || EndsConstruct(c)) &&
            AsciiSameText(AText.mid(AIndex + 1, name.size()), name))
            return int32_t(k);
    }
    return -1;
}

struct TValueSpan {
    qsizetype Start = 0; // index of the first character of the value
    qsizetype End = 0;   // index of the delimiter after it
    char16_t Quote = NoQuoteChar;
};

// Reads the attribute value that begins at AIndex (a character that is neither whitespace nor
// "/" nor ">"); false when the text ends before the value does.
bool ReadValue(QStringView T, qsizetype AIndex, TValueSpan& AValue) {
    const qsizetype n = T.size();
    const char16_t c = T[AIndex].unicode();
    if (c == u'"' || c == u'\'') {
        const qsizetype close = T.indexOf(QChar(c), AIndex + 1);
        if (close < 0)
            return false;
        AValue = {AIndex + 1, close, c};
        return true;
    }
    if (c == u'\\' && AIndex + 1 < n && T[AIndex + 1] == u'"') {
        for (qsizetype j = AIndex + 2; j < n;) {
            if (T[j] != u'\\') {
                ++j;
                continue;
            }
            if (j + 1 >= n)
                return false;
            if (T[j + 1] == u'"') {
                AValue = {AIndex + 2, j, u'\\'};
                return true;
            }
            j += 2;
        }
        return false;
    }
    qsizetype j = AIndex;
    while (j < n && T[j] != u'>' && !IsSpaceChar(T[j]))
        ++j;
    if (j >= n)
        return false;
    AValue = {AIndex, j, NoQuoteChar};
    return true;
}

// Reads one attribute name from AIndex up to its "=" (AIndex then stands on the "="), passing
// over names that have no value. False when "/", ">" or the end of the text comes first.
bool ReadAttrName(QStringView T, qsizetype& AIndex, qsizetype& ANameStart, qsizetype& ANameEnd) {
    qsizetype i = AIndex;
    ANameStart = i;
    for (;;) {
        if (i >= T.size() || EndsConstruct(T[i]))
            return false;
        if (T[i] == u'=') {
            ANameEnd = i;
            break;
        }
        if (!IsSpaceChar(T[i])) {
            ++i;
            continue;
        }
        ANameEnd = i;
        i = SkipSpaces(T, i);
        if (i >= T.size() || EndsConstruct(T[i]))
            return false;
        if (T[i] == u'=')
            break;
        ANameStart = i; // the previous attribute had no value
    }
    AIndex = i;
    return true;
}

// Whether the Count characters from the 1-based APos end after a text of ASize characters
// (APos + ACount - 1 > ASize), without overflow for any arguments.
bool RunsPast(qsizetype APos, qsizetype ACount, qsizetype ASize) {
    qsizetype limit = 0;
    if (__builtin_sub_overflow(ASize + 1, ACount, &limit))
        return false; // ACount so negative that the range ends before any text
    return APos > limit;
}

// The Count characters from the 1-based Index, fewer when the text ends first.
QStringView Slice(QStringView S, qsizetype Index, qsizetype Count) {
    if (Index < 1 || Index > S.size() || Count < 1)
        return {};
    return S.mid(Index - 1, std::min(Count, S.size() - Index + 1));
}

// The character a reference stands for; ABody is what lies between "&" and ";".
bool DecodeReference(QStringView ABody, char16_t& AChar) {
    if (ABody.isEmpty())
        return false;
    const char16_t k = AsciiFold(ABody[0].unicode());
    const QStringView rest = ABody.mid(1);
    if (k == u'#') {
        int32_t value = 0;
        if (!TryStrToInt(rest, value))
            return false;
        AChar = char16_t(uint32_t(value) & 0xFFFFu);
        return true;
    }
    struct TNamed {
        char16_t K;
        const char16_t* Rest;
        char16_t Char;
    };
    static constexpr TNamed Named[] = {
        {u'a', u"mp", u'&'},  {u'g', u"t", u'>'},   {u'l', u"t", u'<'},
        {u'n', u"bsp", u' '}, {u'q', u"uot", u'"'},
    };
    for (const TNamed& named : Named)
        if (k == named.K && AsciiSameText(rest, QStringView(named.Rest))) {
            AChar = named.Char;
            return true;
        }
    return false;
}

// Decodes each reference once, left to right: the character a reference produces is never part
// of a later one, so "&amp;lt;" gives "&lt;".
QString DecodeCharRefs(QStringView R) {
    QString out;
    qsizetype copied = 0;
    qsizetype semicolon = -1; // first ";" after the current "&", found once per run of "&"s
    for (qsizetype from = 0;;) {
        const qsizetype amp = R.indexOf(u'&', from);
        if (amp < 0)
            break;
        from = amp + 1;
        if (semicolon <= amp) {
            semicolon = R.indexOf(u';', amp + 1);
            if (semicolon < 0)
                break;
        }
        char16_t c = 0;
        if (!DecodeReference(R.mid(amp + 1, semicolon - amp - 1), c))
            continue;
        out.append(R.mid(copied, amp - copied)).append(QChar(c));
        copied = from = semicolon + 1;
    }
    if (copied == 0)
        return R.toString();
    return out.append(R.mid(copied));
}

// Reads up to AMaxDigits digits of ABase from AIndex (within V) and advances past them.
uint32_t ReadDigits(QStringView V, qsizetype& AIndex, int AMaxDigits, uint32_t ABase) {
    uint32_t value = 0;
    for (int k = 0; k < AMaxDigits && AIndex < V.size(); ++k, ++AIndex) {
        const char16_t c = V[AIndex].unicode();
        uint32_t d = ABase;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        if (d >= ABase)
            break;
        value = value * ABase + d;
    }
    return value;
}

// Decodes the escape whose character follows a backslash; AIndex stands after that character.
void AppendEscape(QStringView V, qsizetype& AIndex, char16_t AEscape, QString& AOut) {
    uint32_t code = 0;
    switch (AEscape) {
    case u'r':
        AOut.append(u'\r');
        return;
    case u'n':
        AOut.append(u'\n');
        return;
    case u't':
        AOut.append(u'\t');
        return;
    case u'x':
        code = ReadDigits(V, AIndex, 2, 16);
        break;
    case u'u':
        code = ReadDigits(V, AIndex, 4, 16);
        break;
    default:
        if (AEscape < u'0' || AEscape > u'9') {
            AOut.append(QChar(AEscape));
            return;
        }
        code = AEscape - u'0';
        for (int k = 0; k < 2 && AIndex < V.size(); ++k, ++AIndex) {
            const char16_t c = V[AIndex].unicode();
            if (c < u'0' || c > u'7')
                break;
            code = code * 8 + (c - u'0');
        }
        if (code > 255)
            return;
    }
    if (code > 0)
        AOut.append(QChar(char16_t(code)));
}

} // namespace

bool SameTextAt(QStringView S1, QStringView S2, qsizetype Count, qsizetype Pos1, qsizetype Pos2) {
    if (RunsPast(Pos1, Count, S1.size()) || RunsPast(Pos2, Count, S2.size()))
        return false;
    if (Count <= 0)
        return true;
    if (Pos1 < 1 || Pos2 < 1)
        return false;
    return AsciiSameText(S1.mid(Pos1 - 1, Count), S2.mid(Pos2 - 1, Count));
}

qsizetype FindTag(QStringView Text, const QStringList& TagNames, int32_t& TagIndex,
                  qsizetype StartPos) {
    for (qsizetype i = std::max<qsizetype>(StartPos, 1) - 1;; ++i) {
        i = Text.indexOf(u'<', i);
        if (i < 0)
            return 0;
        const int32_t index = MatchTagName(Text, TagNames, i);
        if (index >= 0) {
            TagIndex = index;
            return i + 1;
        }
    }
}

qsizetype FindTagEnd(QStringView Text, qsizetype StartPos) {
    return Text.indexOf(u'>', std::max<qsizetype>(StartPos, 1) - 1) + 1;
}

qsizetype FindCloseTag(QStringView Text, QStringView TagName, qsizetype StartPos) {
    const qsizetype n = Text.size();
    const qsizetype len = TagName.size();
    qsizetype level = 1;
    qsizetype p = std::max<qsizetype>(StartPos, 1) - 1;
    if (p >= n)
        return 0; // a start beyond the text must not push the sums below past the type's range
    while (p + len + 2 < n) {
        if (Text[p] != u'<') {
            p = Text.indexOf(u'<', p + 1);
            if (p < 0)
                return 0;
            continue;
        }
        if (Text[p + 1] == u'/' && Text[p + len + 2] == u'>') {
            if (AsciiSameText(Text.mid(p + 2, len), TagName)) {
                if (--level == 0)
                    return p + 1;
                p += len + 2;
            }
        } else if ((IsSpaceChar(Text[p + len + 1]) || Text[p + len + 1] == u'>') &&
                   AsciiSameText(Text.mid(p + 1, len), TagName)) {
            ++level;
            p += len + 1;
        }
        ++p;
    }
    return 0;
}

qsizetype FindAttrValue(QStringView TagText, QStringView AttrName, qsizetype& ValueEnd,
                        QChar& QuoteChar, qsizetype StartPos) {
    const QStringView t = TagText;
    qsizetype i = std::max<qsizetype>(StartPos, 1) - 1;
    for (; i < t.size() && !IsSpaceChar(t[i]); ++i) // the tag name
        if (EndsConstruct(t[i]))
            return 0;
    for (;;) {
        i = SkipSpaces(t, i);
        if (i >= t.size() || EndsConstruct(t[i]))
            return 0;
        qsizetype nameStart = 0;
        qsizetype nameEnd = 0;
        if (!ReadAttrName(t, i, nameStart, nameEnd))
            return 0;
        i = SkipSpaces(t, i + 1);
        if (i >= t.size() || EndsConstruct(t[i]))
            return 0;
        TValueSpan value;
        if (!ReadValue(t, i, value))
            return 0;
        if (AsciiSameText(t.mid(nameStart, nameEnd - nameStart), AttrName)) {
            ValueEnd = value.End + 1;
            QuoteChar = QChar(value.Quote);
            return value.Start + 1;
        }
        // Step past the closing delimiter: "\"" is two characters, a quote one, an unquoted
        // value ends at whitespace or ">", which the next round reads.
        i = value.End + (value.Quote == u'\\' ? 2 : value.Quote == NoQuoteChar ? 0 : 1);
    }
}

QString GetAttrValue(QStringView TagText, QStringView AttrName, qsizetype StartPos) {
    qsizetype valueEnd = 0;
    QChar quote;
    const qsizetype start = FindAttrValue(TagText, AttrName, valueEnd, quote, StartPos);
    if (start == 0)
        return QString();
    return DecodeAttrValue(TagText, start, valueEnd - start, quote);
}

QString DecodeAttrValue(QStringView S, qsizetype Index, qsizetype Count, QChar QuoteChar) {
    if (QuoteChar == u'\\')
        return DecodeCharRefs(UnescapeBackslashes(S, Index, Count));
    return DecodeCharRefs(Slice(S, Index, Count));
}

QString UnescapeBackslashes(QStringView S, qsizetype Index, qsizetype Count) {
    const QStringView v = Slice(S, Index, Count);
    QString out;
    out.reserve(v.size());
    qsizetype i = 0;
    while (i < v.size()) {
        const qsizetype backslash = v.indexOf(u'\\', i);
        if (backslash < 0) {
            out.append(v.mid(i));
            break;
        }
        out.append(v.mid(i, backslash - i));
        if (backslash + 1 >= v.size())
            break; // a lone backslash at the end is dropped
        i = backslash + 2;
        AppendEscape(v, i, v[backslash + 1].unicode(), out);
    }
    return out;
}

} // namespace tarrow
