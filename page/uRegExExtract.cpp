#include "page/uRegExExtract.h"

#include <algorithm>

namespace tarrow {

void TRegExExtractRule::SetText(const QString& AText) {
    FText = AText;
    FTextUtf8 = AText.toUtf8();
}

std::optional<QByteArray> TRegExExtractRule::ExtractValueUpTo(const TRegExMatch& AMatch,
                                                              qsizetype AMaxSize) const {
    if (!AMatch.Matched())
        throw ERegExError(QStringLiteral("Successful match required"));
    QByteArray result = FTextUtf8;
    if (result.size() > AMaxSize)
        return std::nullopt;
    // A group's text may bring "$K" of its own, which the later steps expand too. Each step's
    // size is known before it is made, so a value past the ceiling is never built.
    for (int k = 0; k < AMatch.GroupCount() && result.contains('$'); ++k) {
        const QByteArray reference = QByteArray(1, '$') + QByteArray::number(k);
        const qsizetype count = result.count(reference);
        if (count == 0)
            continue;
        const QByteArrayView group = AMatch.Group(k);
        if (result.size() + count * (group.size() - reference.size()) > AMaxSize)
            return std::nullopt;
        result.replace(reference, group);
    }
    return result;
}

QByteArray TRegExExtractRule::ExtractValue(const TRegExMatch& AMatch) const {
    std::optional<QByteArray> value = ExtractValueUpTo(AMatch, MaxValueSize);
    if (!value)
        throw ERegExError(
            QStringLiteral("Replacement text exceeds the limit of %1 bytes").arg(MaxValueSize));
    return *std::move(value);
}

} // namespace tarrow
