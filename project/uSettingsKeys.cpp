#include "project/uSettingsKeys.h"

#include "base/uStrUtils.h"
#include "project/VHashedStringList.h"

namespace tarrow {

QString SettingsKey(const QString& AP, const char* AName, const QString& ANumber) {
    return AP + QLatin1String(AName) + ANumber;
}

int32_t ReadSettingsInt(const TVHashedStringList& ALst, const QString& AName, int32_t ADefault) {
    int32_t value = 0;
    return TryStrToInt(ALst.Values(AName), value) ? value : ADefault;
}

int32_t SettingsDepth(const QString& AText) {
    int32_t depth = -1;
    if (!TryStrToInt(AText, depth))
        depth = -1;
    if (depth < 0)
        depth = AsciiSameText(AText, u"yes") ? 1000 : 0;
    return depth;
}

QString SettingsBoolText(bool AValue) {
    return AValue ? QStringLiteral("1") : QStringLiteral("0");
}

void ForEachSettingsNumber(const TVHashedStringList& ALst, int32_t ACount, const QString& AStem,
                           const QString& ASuffix,
                           const std::function<void(const QString&)>& AVisit,
                           int32_t ADirectLimit) {
    if (ACount <= ADirectLimit) {
        for (int32_t n = 1; n <= ACount; ++n)
            AVisit(QString::number(n));
        return;
    }
    for (int32_t n : ALst.NumberedNames(AStem, ASuffix)) {
        if (n > ACount)
            break;
        AVisit(QString::number(n));
    }
}

} // namespace tarrow
