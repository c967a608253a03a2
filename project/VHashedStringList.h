#pragma once

#include "project/VStringHash.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarrow {

// An ordered list of name=value lines with lookup by name. The name of a line is the text before
// its first "=" (a line without "=" has none), its value the text after it. Names are compared
// ignoring letter case by upper-casing both sides; of several lines with one name the last wins.
// Appending, replacing and deleting a line keep the name index in step; every other change marks it
// stale and the next lookup rebuilds it. Not thread safe: lookups update internal caches.
class TVHashedStringList final {
public:
    // ABucketsSize: the initial size of the name index (it grows with the lines).
    explicit TVHashedStringList(int ABucketsSize = 256);

    qsizetype Count() const { return FLines.size(); }
    // The I-th line; a bad index raises the list's index error.
    const QString& Strings(qsizetype I) const;
    const QStringList& Lines() const { return FLines; }

    qsizetype Add(const QString& ALine);
    void Put(qsizetype I, const QString& ALine);
    void Insert(qsizetype I, const QString& ALine);
    void Delete(qsizetype I);
    void Clear();
    // Replaces every line at once (loading a file).
    void SetLines(QStringList ALines);

    // Index of the last line whose name matches AName, or -1.
    qsizetype IndexOfName(const QString& AName) const;
    // The value of the line found by name; empty when none is found.
    QString Values(const QString& AName) const;
    // An empty value deletes the line found by name; otherwise that line becomes name=value, or
    // a new line name=value is appended when there is none.
    void SetValues(const QString& AName, const QString& AValue);

    // Candidate numbers n (ascending, 1 .. 2^31-1, decimal without leading zeros) for lines named
    // APrefix + n + ASuffix: every number that has such a line is there, and rarely one that has
    // not (the names are matched by hash). Lets a reader visit only the entries a file can hold,
    // checking each by name as usual.
    QList<int32_t> NumberedNames(const QString& APrefix, const QString& ASuffix) const;

private:
    void InvalidateIndex();
    void LinesChanged();
    void IndexLine(qsizetype I);
    void UnindexLine(qsizetype I);
    void RebuildNameHash() const;
    // IndexOfName; AHash receives the name's hash when it had to be computed.
    qsizetype FindName(const QString& AName, uint32_t* AHash) const;
    void RebuildNumberedNames() const;

    QStringList FLines;
    mutable TVStringHash FNameHash;
    mutable bool FNameHashValid = false;
    // Readers look names up mostly in the order of the lines: while the lines are unchanged since
    // the index was built, the line after the last one found is tried first. FIsLast tells
    // whether a line is the last of its name, the one a lookup must answer.
    mutable std::vector<bool> FIsLast;
    mutable bool FIsLastValid = false;
    mutable qsizetype FHint = -1;
    // Hashes of (the name before a number, the name after it) -> the numbers; built on demand,
    // dropped on any change.
    using TNumbered = QHash<quint64, QList<int32_t>>;
    mutable TNumbered FNumbered;
    mutable bool FNumberedValid = false;
};

} // namespace tarrow
