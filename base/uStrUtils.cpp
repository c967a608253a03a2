#include "base/uStrUtils.h"

#include <algorithm>

namespace tarrow {

QString AsciiLower(QStringView S) {
    QString result(S.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    const char16_t* in = S.utf16();
    for (qsizetype i = 0; i < S.size(); ++i)
        out[i] = AsciiFold(in[i]);
    return result;
}

static bool SameFolded(const char16_t* A, const char16_t* B, qsizetype N) {
    for (qsizetype i = 0; i < N; ++i)
        if (A[i] != B[i] && AsciiFold(A[i]) != AsciiFold(B[i]))
            return false;
    return true;
}

bool AsciiSameText(QStringView S1, QStringView S2) {
    return S1.size() == S2.size() && SameFolded(S1.utf16(), S2.utf16(), S1.size());
}

bool AsciiStartsText(QStringView S, QStringView Prefix) {
    return S.size() >= Prefix.size() && SameFolded(S.utf16(), Prefix.utf16(), Prefix.size());
}

bool AsciiEndsText(QStringView S, QStringView Suffix) {
    return S.size() >= Suffix.size() &&
           SameFolded(S.utf16() + (S.size() - Suffix.size()), Suffix.utf16(), Suffix.size());
}

qsizetype AsciiIndexOfText(QStringView S, QStringView Sub, qsizetype From) {
    const qsizetype n = Sub.size();
    if (n == 0 || From < 0)
        return -1;
    const char16_t* s = S.utf16();
    const char16_t* sub = Sub.utf16();
    const char16_t first = AsciiFold(sub[0]);
    for (qsizetype i = From; i + n <= S.size(); ++i) {
        if (AsciiFold(s[i]) == first && SameFolded(s + i + 1, sub + 1, n - 1))
            return i;
    }
    return -1;
}

} // namespace tarrow

namespace tarrow {

int HexDigitValue(char16_t C) {
    if (C >= u'0' && C <= u'9')
        return C - u'0';
    if (C >= u'a' && C <= u'f')
        return C - u'a' + 10;
    if (C >= u'A' && C <= u'F')
        return C - u'A' + 10;
    return -1;
}

namespace {

// Digits only, to the end; the limit is checked as each digit arrives, so no overflow.
bool ReadMagnitude(QStringView ADigits, int ABase, uint64_t ALimit, uint64_t& AValue) {
    if (ADigits.isEmpty())
        return false;
    uint64_t value = 0;
    for (QChar c : ADigits) {
        const int d = HexDigitValue(c.unicode());
        if (d < 0 || d >= ABase)
            return false;
        value = value * uint64_t(ABase) + uint64_t(d);
        if (value > ALimit)
            return false;
    }
    AValue = value;
    return true;
}

} // namespace

bool TryStrToInt(QStringView S, int32_t& AValue) {
    qsizetype i = 0;
    while (i < S.size() && S[i] == u' ')
        ++i;
    bool negative = false;
    if (i < S.size() && (S[i] == u'+' || S[i] == u'-')) {
        negative = S[i] == u'-';
        ++i;
    }
    QStringView rest = S.mid(i);
    uint64_t magnitude = 0;
    if (rest.startsWith(u'$') || rest.startsWith(u'x') || rest.startsWith(u'X') ||
        rest.startsWith(u"0x") || rest.startsWith(u"0X")) {
        rest = rest.mid(rest.startsWith(u'0') ? 2 : 1);
        if (!ReadMagnitude(rest, 16, 0xFFFFFFFFu, magnitude))
            return false;
        const uint32_t bits = negative ? 0u - uint32_t(magnitude) : uint32_t(magnitude);
        AValue = int32_t(bits);
        return true;
    }
    const uint64_t limit = negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX);
    if (!ReadMagnitude(rest, 10, limit, magnitude))
        return false;
    AValue = negative ? int32_t(0 - int64_t(magnitude)) : int32_t(magnitude);
    return true;
}

static bool IsLogControl(char16_t C) {
    return C < 0x20 || (C >= 0x7F && C <= 0x9F);
}

QString EscapeLogControls(const QString& AText) {
    const auto first = std::find_if(AText.cbegin(), AText.cend(),
                                    [](QChar C) { return IsLogControl(C.unicode()); });
    if (first == AText.cend())
        return AText;
    static const char Hex[] = "0123456789ABCDEF";
    QString result;
    result.reserve(AText.size() + 16);
    for (QChar c : AText) {
        const char16_t u = c.unicode();
        if (!IsLogControl(u)) {
            result.append(c);
            continue;
        }
        result.append(u'%');
        result.append(QLatin1Char(Hex[u >> 4]));
        result.append(QLatin1Char(Hex[u & 15]));
    }
    return result;
}

} // namespace tarrow
