#pragma once

#include "base/uPathUtils.h"

#include <QString>
#include <QStringView>

namespace tarrow {

// Plain text rules, not a URL parser: what they do not recognise they pass through or turn into an
// empty string, which callers read as "no URL" or "no path". None of them raises.

// The link AURL made absolute against the page URL ABaseURL, or empty.
QString ResolveURL(const QString& AURL, const QString& ABaseURL);
// A URL naming a host with no path gains the root path: "http://h" -> "http://h/",
// "http://h?x" -> "http://h/?x". Anything else, relative text included, is returned unchanged.
QString WithRootPath(const QString& AURL);
// Why AURL cannot be requested ("not an http or https URL", "no host name"), or empty when it
// can: an http:// or https:// URL (ASCII case ignored) with a host.
QString UnloadableURLReason(const QString& AURL);
// The URL with every UTF-8 byte of 0x80 or above written as "%" and two upper-case hex digits.
QString EncodeNonASCIIChars(const QString& AURL);
// AURL cut just before its first "#".
QString RemoveURLFragment(const QString& AURL);
// APath placed under ABaseDir when it is relative in AReading.
QString ExpandPath(const QString& APath, const QString& ABaseDir, TPathReading AReading);

} // namespace tarrow
