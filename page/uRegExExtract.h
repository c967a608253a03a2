#pragma once

#include "page/uRegEx.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tarrow {

// One replacement text: "$K" (K in decimal, no leading zeros) stands for what group K matched.
// References are replaced as text, K = 0, 1, 2 ... up to the highest group that took part, so
// there is no escape: "$10" with two or more groups is group 1 followed by "0", and a reference
// beyond the highest group stays as written.
class TRegExExtractRule final {
public:
    // A group's own "$K" is expanded again by the later steps, so a hostile page could make a
    // value the product of its groups' sizes: no value may pass this many bytes.
    static constexpr qsizetype MaxValueSize = qsizetype(256) << 20;

    const QString& Text() const { return FText; }
    void SetText(const QString& AText);

    // The text expanded against the current match of AMatch, in UTF-8 like the subject.
    // Throws ERegExError "Successful match required" when AMatch holds no match, and
    // "Replacement text exceeds the limit of %d bytes" past MaxValueSize.
    QByteArray ExtractValue(const TRegExMatch& AMatch) const;
    // The same expansion; nothing when the value would pass AMaxSize bytes.
    std::optional<QByteArray> ExtractValueUpTo(const TRegExMatch& AMatch, qsizetype AMaxSize) const;

private:
    QString FText;
    QByteArray FTextUtf8;
};

} // namespace tarrow
