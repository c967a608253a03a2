#pragma once

#include "page/uLinkTable.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

namespace tarrow {

// Turns the value of a link found in style text into the link the copy uses, or nothing when it
// stays as written. AKind is utImg for url() and utLink for @import.
using TStyleLinkMapper =
    std::function<std::optional<QString>(const QString& AValue, TURLTag AKind)>;

// Style-sheet text with every url() and @import rewritten through AMap. Empty, "data:" and
// fragment-only values stay as written, and so does everything the reader cannot read.
QString RewriteStyleText(QStringView ACss, const TStyleLinkMapper& AMap);

// A page's text with the references in its <style> elements and its style="..." attributes
// rewritten through AMap; every other character stays as it is.
QString RewriteInlineStyles(QStringView APage, const TStyleLinkMapper& AMap);

} // namespace tarrow
