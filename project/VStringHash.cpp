#include "project/VStringHash.h"

#include <QHashFunctions>
#include <QVarLengthArray>
#include <algorithm>

namespace tarrow {

namespace {

bool IsAscii(QStringView S) {
    return std::all_of(S.begin(), S.end(), [](QChar C) { return C.unicode() < 0x80; });
}

char16_t AsciiUpper(char16_t C) {
    return (C >= u'a' && C <= u'z') ? char16_t(C - 32) : C;
}

} // namespace

QString UpperName(QStringView AName) {
    if (!IsAscii(AName))
        return AName.toString().toUpper();
    QString upper(AName.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(upper.data());
    for (QChar c : AName)
        *out++ = AsciiUpper(c.unicode());
    return upper;
}

bool SameName(QStringView A, QStringView B) {
    const qsizetype common = std::min(A.size(), B.size());
    // While both sides are ASCII, the upper-cased forms agree position by position.
    qsizetype i = 0;
    for (; i < common; ++i) {
        const char16_t ca = A[i].unicode();
        const char16_t cb = B[i].unicode();
        if (ca >= 0x80 || cb >= 0x80)
            return UpperName(A) == UpperName(B);
        if (AsciiUpper(ca) != AsciiUpper(cb))
            return false;
    }
    if (A.size() == B.size())
        return true;
    // A longer ASCII tail upper-cases to a longer text; anything else needs the full forms.
    return IsAscii(A.mid(i)) && IsAscii(B.mid(i)) ? false : UpperName(A) == UpperName(B);
}

uint32_t NameHash(QStringView AName) {
    const size_t seed = QHashSeed::globalSeed();
    // Upper-cased on the stack for all but very long names.
    QVarLengthArray<char16_t, 128> upper(AName.size());
    for (qsizetype i = 0; i < AName.size(); ++i) {
        const char16_t c = AName[i].unicode();
        if (c >= 0x80)
            return uint32_t(qHash(QStringView(UpperName(AName)), seed));
        upper[i] = AsciiUpper(c);
    }
    return uint32_t(qHash(QStringView(upper.data(), upper.size()), seed));
}

bool LineName(const QString& ALine, QStringView& AName) {
    const qsizetype eq = ALine.indexOf(u'=');
    if (eq < 0)
        return false;
    AName = QStringView(ALine).left(eq);
    return true;
}

TVStringHash::TVStringHash(int ASize) : FInitialSize(std::max(ASize, 8)) {}

void TVStringHash::Clear() {
    FSlots.clear();
    FUsed = 0;
}

void TVStringHash::Reserve(qsizetype ACount) {
    // At most three quarters full, so probe runs stay short.
    qsizetype capacity = FInitialSize;
    while (capacity * 3 < ACount * 4)
        capacity *= 2;
    if (capacity > qsizetype(FSlots.size()))
        Grow(capacity);
}

void TVStringHash::Grow(qsizetype ACapacity) {
    qsizetype capacity = 1;
    while (capacity < ACapacity)
        capacity *= 2;
    std::vector<TSlot> old(size_t(capacity), TSlot{0, 0, 0});
    old.swap(FSlots);
    const size_t mask = FSlots.size() - 1;
    for (const TSlot& slot : old) {
        if (slot.Count == 0)
            continue;
        size_t i = slot.Hash & mask;
        while (FSlots[i].Count != 0)
            i = (i + 1) & mask;
        FSlots[i] = slot;
    }
}

qsizetype TVStringHash::Find(QStringView AName, uint32_t AHash, const QStringList& ALines) const {
    if (FSlots.empty())
        return -1;
    const size_t mask = FSlots.size() - 1;
    QStringView name;
    for (size_t i = AHash & mask;; i = (i + 1) & mask) {
        const TSlot& slot = FSlots[i];
        if (slot.Count == 0)
            return -1;
        if (slot.Hash == AHash && LineName(ALines[slot.Highest], name) && SameName(name, AName))
            return qsizetype(i);
    }
}

void TVStringHash::Add(QStringView AName, uint32_t AHash, int32_t AValue,
                       const QStringList& ALines) {
    const qsizetype found = Find(AName, AHash, ALines);
    if (found >= 0) {
        TSlot& slot = FSlots[size_t(found)];
        slot.Highest = std::max(slot.Highest, AValue);
        ++slot.Count;
        return;
    }
    if ((FUsed + 1) * 4 > qsizetype(FSlots.size()) * 3)
        Grow(std::max<qsizetype>(FInitialSize, qsizetype(FSlots.size()) * 2));
    const size_t mask = FSlots.size() - 1;
    size_t i = AHash & mask;
    while (FSlots[i].Count != 0)
        i = (i + 1) & mask;
    FSlots[i] = TSlot{AHash, AValue, 1};
    ++FUsed;
}

int32_t TVStringHash::ValueOf(QStringView AName, uint32_t AHash, const QStringList& ALines) const {
    const qsizetype found = Find(AName, AHash, ALines);
    return found < 0 ? -1 : FSlots[size_t(found)].Highest;
}

bool TVStringHash::Remove(QStringView AName, uint32_t AHash, int32_t AValue,
                          const QStringList& ALines) {
    const qsizetype found = Find(AName, AHash, ALines);
    if (found < 0)
        return true;
    TSlot& slot = FSlots[size_t(found)];
    if (slot.Count <= 1) {
        EraseSlot(found);
        return true;
    }
    --slot.Count;
    return slot.Highest != AValue;
}

// Linear probing without tombstones: later members of the run move back into the gap.
void TVStringHash::EraseSlot(qsizetype ASlot) {
    const size_t mask = FSlots.size() - 1;
    size_t gap = size_t(ASlot);
    FSlots[gap].Count = 0;
    --FUsed;
    for (size_t i = (gap + 1) & mask; FSlots[i].Count != 0; i = (i + 1) & mask) {
        const size_t home = FSlots[i].Hash & mask;
        // The entry may fill the gap when its home is not in the cyclic range (gap, i].
        const bool homeAfterGap = gap <= i ? (home > gap && home <= i) : (home > gap || home <= i);
        if (homeAfterGap)
            continue;
        FSlots[gap] = FSlots[i];
        FSlots[i].Count = 0;
        gap = i;
    }
}

void TVStringHash::Build(std::vector<std::pair<uint32_t, int32_t>>& ANames,
                         const QStringList& ALines) {
    Clear();
    Reserve(qsizetype(ANames.size()));
    if (FSlots.empty())
        Grow(FInitialSize);
    const uint32_t mask = uint32_t(FSlots.size() - 1);
    // Least significant digit first radix sort by home slot, 11 bits per pass.
    std::vector<std::pair<uint32_t, int32_t>> sorted(ANames.size());
    for (uint32_t shift = 0; (mask >> shift) != 0; shift += 11) {
        std::vector<size_t> start(2049, 0);
        for (const auto& item : ANames)
            ++start[(((item.first & mask) >> shift) & 2047) + 1];
        for (size_t d = 1; d < start.size(); ++d)
            start[d] += start[d - 1];
        for (const auto& item : ANames)
            sorted[start[((item.first & mask) >> shift) & 2047]++] = item;
        ANames.swap(sorted);
    }
    // The lines themselves are visited only when two hashes are equal.
    QStringView a, b;
    for (const auto& [hash, index] : ANames) {
        for (uint32_t i = hash & mask;; i = (i + 1) & mask) {
            TSlot& slot = FSlots[i];
            if (slot.Count == 0) {
                slot = TSlot{hash, index, 1};
                ++FUsed;
                break;
            }
            if (slot.Hash == hash && LineName(ALines[slot.Highest], a) &&
                LineName(ALines[index], b) && SameName(a, b)) {
                slot.Highest = std::max(slot.Highest, index);
                ++slot.Count;
                break;
            }
        }
    }
}

void TVStringHash::MarkHighest(std::vector<bool>& AIsLast) const {
    for (const TSlot& slot : FSlots)
        if (slot.Count != 0)
            AIsLast[size_t(slot.Highest)] = true;
}

void TVStringHash::ShiftDownAbove(int32_t AValue) {
    for (TSlot& slot : FSlots)
        if (slot.Count != 0 && slot.Highest > AValue)
            --slot.Highest;
}
} // namespace tarrow
