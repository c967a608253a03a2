#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarrow {

// Names are equal when their upper-cased forms are. Plain ASCII names are compared and hashed
// without making an upper-cased copy.
QString UpperName(QStringView AName);
bool SameName(QStringView A, QStringView B);
// The hash of the upper-cased form, seeded per process so that no file can choose collisions.
uint32_t NameHash(QStringView AName);
// The name of a line: the text before its first "="; false for a line without "=".
bool LineName(const QString& ALine, QStringView& AName);

// Index from line names to line indices over a list of lines, which hold the keys themselves:
// an open-addressed table of (hash, highest line index, number of lines) per distinct name, so
// most probes never leave the table. Several lines may share a name; ValueOf answers the highest
// index, so the last line of a name wins. Every call passes the lines the index was built on.
class TVStringHash final {
public:
    explicit TVStringHash(int ASize = 256);

    void Add(QStringView AName, uint32_t AHash, int32_t AValue, const QStringList& ALines);
    // The highest line index of AName, or -1 when there is none.
    int32_t ValueOf(QStringView AName, uint32_t AHash, const QStringList& ALines) const;
    // Removes line AValue of AName. False when the highest line of a name borne by several lines
    // was removed: which one is highest now is unknown, and the owner must rebuild.
    bool Remove(QStringView AName, uint32_t AHash, int32_t AValue, const QStringList& ALines);
    // Lowers by one every line index above AValue (a line before them was deleted).
    void ShiftDownAbove(int32_t AValue);
    void Clear();
    void Reserve(qsizetype ACount);
    // Builds the index of ANames ((hash, line index) of every named line) in one go, filling
    // the table in the order of its slots rather than at random.
    void Build(std::vector<std::pair<uint32_t, int32_t>>& ANames, const QStringList& ALines);
    // Sets AIsLast[i] for every line i that is the last of its name.
    void MarkHighest(std::vector<bool>& AIsLast) const;

private:
    struct TSlot {
        uint32_t Hash;
        int32_t Highest;
        int32_t Count; // 0: empty
    };
    qsizetype Find(QStringView AName, uint32_t AHash, const QStringList& ALines) const;
    void Grow(qsizetype ACapacity);
    void EraseSlot(qsizetype ASlot);

    std::vector<TSlot> FSlots;
    qsizetype FUsed = 0;
    int FInitialSize;
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
    int FBucketsSize;
    mutable TVStringHash FNameHash;
    mutable bool FNameHashValid = false;
    // Readers look names up mostly in the order of the lines: while the lines are unchanged since
    // the index was built, the line after the last one found is tried first. FIsLast tells
    // whether a line is the last of its name, the one a lookup must answer.
    mutable std::vector<bool> FIsLast;
    mutable bool FIsLastValid = false;
    mutable qsizetype FHint = -1;
    // (name before the number, name after it) -> numbers; built on demand, dropped on change.
    // Hashes of (the name before a number, the name after it) -> the numbers.
    using TNumbered = QHash<quint64, QList<int32_t>>;
    mutable TNumbered FNumbered;
    mutable bool FNumberedValid = false;
};

} // namespace tarrow
