#pragma once

#include <QStringView>
#include <cstdint>

namespace tarrow {

// "Read as an integer" for the settings file: leading blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X". Decimal values outside the
// signed 32-bit range fail; hexadecimal values are taken as a 32-bit pattern (up to FFFFFFFF).
// Anything after the digits, trailing blanks included, fails. AValue is set only on success.
bool SettingsTryStrToInt(QStringView S, int32_t& AValue);

} // namespace tarrow
