#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

namespace tarrow {

// The image candidates of an img or source element's srcset value (its character references
// already decoded). Pure functions, safe on any input, linear in its size, never throwing.

struct TSrcSetCandidate {
    qsizetype Start = 0; // 0-based: first character of the URL in the value
    qsizetype End = 0;   // one past its last character
    QString URL;
};

// The candidates as HTML splits them: commas and whitespace between candidates are skipped, a URL
// runs to the next whitespace (so "a.png,b.png" is one URL) and trailing commas end it and its
// candidate; otherwise descriptors run to the next comma outside parentheses. Descriptors are
// not checked, so a candidate a browser would drop for a bad descriptor is still reported.
QList<TSrcSetCandidate> ParseSrcSet(QStringView AValue);

// AValue with each candidate URL replaced by AMap's result when it returns a value; descriptors,
// commas and whitespace are kept exactly as written.
QString RewriteSrcSet(QStringView AValue,
                      const std::function<std::optional<QString>(const QString&)>& AMap);

} // namespace tarrow
