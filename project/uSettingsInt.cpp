#include "project/uSettingsInt.h"

namespace tarrow {

namespace {

int HexDigit(char16_t C) {
    if (C >= u'0' && C <= u'9')
        return C - u'0';
    if (C >= u'a' && C <= u'f')
        return C - u'a' + 10;
    if (C >= u'A' && C <= u'F')
        return C - u'A' + 10;
    return -1;
}

// Length of the hexadecimal prefix at APos, 0 when there is none.
qsizetype HexPrefixLength(QStringView S, qsizetype APos) {
    if (APos >= S.size())
        return 0;
    const char16_t c = S[APos].unicode();
    if (c == u'$' || c == u'x' || c == u'X')
        return 1;
    if (c == u'0' && APos + 1 < S.size() && (S[APos + 1] == u'x' || S[APos + 1] == u'X'))
        return 2;
    return 0;
}

bool ReadDigits(QStringView S, qsizetype APos, bool AHex, bool ANegative, int32_t& AValue) {
    if (APos >= S.size())
        return false;
    const uint64_t base = AHex ? 16 : 10;
    // Decimal may reach 2^31 for a negative value; hexadecimal is a 32-bit pattern.
    const uint64_t limit = AHex ? 0xFFFFFFFFull : (ANegative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t acc = 0;
    for (qsizetype i = APos; i < S.size(); ++i) {
        const int d = HexDigit(S[i].unicode());
        if (d < 0 || uint64_t(d) >= base)
            return false;
        acc = acc * base + uint64_t(d);
        if (acc > limit)
            return false;
    }
    const auto pattern = uint32_t(acc);
    AValue = ANegative ? int32_t(0u - pattern) : int32_t(pattern);
    return true;
}

} // namespace

bool SettingsTryStrToInt(QStringView S, int32_t& AValue) {
    qsizetype pos = 0;
    while (pos < S.size() && S[pos] == u' ')
        ++pos;
    bool negative = false;
    if (pos < S.size() && (S[pos] == u'-' || S[pos] == u'+')) {
        negative = S[pos] == u'-';
        ++pos;
    }
    const qsizetype hexPrefix = HexPrefixLength(S, pos);
    return ReadDigits(S, pos + hexPrefix, hexPrefix > 0, negative, AValue);
}

} // namespace tarrow
