#include "page/uStrUtils.h"

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
