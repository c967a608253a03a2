#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>
#include <cstdint>

namespace tarrow {

// Index from a key (an upper-cased line name) to the indices of the lines that bear it. Several
// lines may share a key; ValueOf answers the highest index, so the last line of a name wins.
class TVStringHash final {
public:
    explicit TVStringHash(int ASize = 256);

    void Add(const QString& AKey, int32_t AValue);
    // The highest value added under AKey, or -1 when there is none.
    int32_t ValueOf(const QString& AKey) const;
    // Removes the item (AKey, AValue) when it is there.
    void Remove(const QString& AKey, int32_t AValue);
    // Lowers by one every value above AValue (a line before them was deleted).
    void ShiftDownAbove(int32_t AValue);
    void Clear();

private:
    using TIndices = QVarLengthArray<int32_t, 1>;
    QHash<QString, TIndices> FItems;
};

// An ordered list of name=value lines with lookup by name. The name of a line is the text before
// its first "=" (a line without "=" has none), its value the text after it. Names are compared
// ignoring letter case by upper-casing both sides; of several lines with one name the last wins.
// Appending, replacing and deleting a line keep the name index in step; every other change marks it
// stale and the next lookup rebuilds it. Not thread safe: lookups update internal caches.
class TVHashedStringList final {
public:
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

    // The numbers n (ascending, 1 .. 2^31-1, decimal without leading zeros) for which some line is
    // named APrefix + n + ASuffix. Lets a reader visit only the entries a file really holds.
    QList<int32_t> NumberedNames(const QString& APrefix, const QString& ASuffix) const;

    // The name of a line and whether it has one (the text before the first "=").
    static bool LineName(const QString& ALine, QString& AName);
    static QString NameKey(const QString& AName) { return AName.toUpper(); }

private:
    void InvalidateIndex();
    void IndexLine(qsizetype I);
    void UnindexLine(qsizetype I);
    void RebuildNameHash() const;
    void RebuildNumberedNames() const;

    QStringList FLines;
    int FBucketsSize;
    mutable TVStringHash FNameHash;
    mutable bool FNameHashValid = false;
    // (name before the number, name after it) -> numbers; built on demand, dropped on change.
    using TNumbered = QHash<QPair<QString, QString>, QList<int32_t>>;
    mutable TNumbered FNumbered;
    mutable bool FNumberedValid = false;
};

} // namespace tarrow
