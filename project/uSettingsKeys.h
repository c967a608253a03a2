#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace tarrow {

class TVHashedStringList;

// Helpers of the settings file's key scheme (name=value lines, counts and numbered entries).

// AP + AName + ANumber, e.g. "TarrowProjects[2]." + "WebPages" + "3".
QString SettingsKey(const QString& AP, const char* AName, const QString& ANumber = QString());
// The integer value of a key, or ADefault when it is missing or not an integer.
int32_t ReadSettingsInt(const TVHashedStringList& ALst, const QString& AName, int32_t ADefault);
// A start page's depth: an integer of 0 or more, else 1000 for "yes" (any letter case), else 0.
int32_t SettingsDepth(const QString& AText);
// "1" or "0".
QString SettingsBoolText(bool AValue);
// Calls AVisit with n = 1 .. ACount (in decimal) for every n whose entry AStem + n + ASuffix the
// list may hold. A count in a file is no loop bound to trust: up to ADirectLimit every number is
// tried; a larger count visits only the numbers that occur in the list's names, which gives the
// same entries in time bounded by the list.
constexpr int32_t SettingsDirectCountLimit = 16;
void ForEachSettingsNumber(const TVHashedStringList& ALst, int32_t ACount, const QString& AStem,
                           const QString& ASuffix,
                           const std::function<void(const QString&)>& AVisit,
                           int32_t ADirectLimit = SettingsDirectCountLimit);

} // namespace tarrow
