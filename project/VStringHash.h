#pragma once

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
// an open-addressed table of 8-byte slots (hash, highest line index, shared flag) per distinct
// name, so most probes never leave the table. Several lines may share a name; ValueOf answers the
// highest index, so the last line of a name wins. Every call passes the lines the index is on.
class TVStringHash final {
public:
    explicit TVStringHash(int ASize = 256);

    void Add(QStringView AName, uint32_t AHash, int32_t AValue, const QStringList& ALines);
    // Add for a name the caller has just failed to find.
    void AddNew(uint32_t AHash, int32_t AValue);
    // The highest line index of AName, or -1 when there is none.
    int32_t ValueOf(QStringView AName, uint32_t AHash, const QStringList& ALines) const;
    // Removes line AValue of AName. False when the name is borne by several lines: which one is
    // highest afterwards is not kept here, and the owner must rebuild.
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
        uint32_t Line; // the highest line index; SharedBit when several lines bear the name
    };
    static constexpr uint32_t EmptyLine = 0xFFFFFFFFu;
    static constexpr uint32_t SharedBit = 0x80000000u;
    static int32_t IndexOf(const TSlot& ASlot) { return int32_t(ASlot.Line & ~SharedBit); }

    qsizetype Find(QStringView AName, uint32_t AHash, const QStringList& ALines) const;
    void Insert(uint32_t AHash, int32_t AValue);
    void Grow(qsizetype ACapacity);
    void EraseSlot(qsizetype ASlot);

    std::vector<TSlot> FSlots;
    qsizetype FUsed = 0;
    int FInitialSize;
};

} // namespace tarrow
