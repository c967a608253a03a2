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
    std::vector<TSlot> old(size_t(capacity), TSlot{0, EmptyLine});
    old.swap(FSlots);
    const size_t mask = FSlots.size() - 1;
    for (const TSlot& slot : old) {
        if (slot.Line == EmptyLine)
            continue;
        size_t i = slot.Hash & mask;
        while (FSlots[i].Line != EmptyLine)
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
        if (slot.Line == EmptyLine)
            return -1;
        if (slot.Hash == AHash && LineName(ALines[IndexOf(slot)], name) && SameName(name, AName))
            return qsizetype(i);
    }
}

void TVStringHash::Insert(uint32_t AHash, int32_t AValue) {
    if ((FUsed + 1) * 4 > qsizetype(FSlots.size()) * 3)
        Grow(std::max<qsizetype>(FInitialSize, qsizetype(FSlots.size()) * 2));
    const size_t mask = FSlots.size() - 1;
    size_t i = AHash & mask;
    while (FSlots[i].Line != EmptyLine)
        i = (i + 1) & mask;
    FSlots[i] = TSlot{AHash, uint32_t(AValue)};
    ++FUsed;
}

void TVStringHash::Add(QStringView AName, uint32_t AHash, int32_t AValue,
                       const QStringList& ALines) {
    const qsizetype found = Find(AName, AHash, ALines);
    if (found < 0) {
        Insert(AHash, AValue);
        return;
    }
    TSlot& slot = FSlots[size_t(found)];
    slot.Line = uint32_t(std::max(IndexOf(slot), AValue)) | SharedBit;
}

void TVStringHash::AddNew(uint32_t AHash, int32_t AValue) {
    Insert(AHash, AValue);
}

int32_t TVStringHash::ValueOf(QStringView AName, uint32_t AHash, const QStringList& ALines) const {
    const qsizetype found = Find(AName, AHash, ALines);
    return found < 0 ? -1 : IndexOf(FSlots[size_t(found)]);
}

bool TVStringHash::Remove(QStringView AName, uint32_t AHash, int32_t, const QStringList& ALines) {
    const qsizetype found = Find(AName, AHash, ALines);
    if (found < 0)
        return true;
    if ((FSlots[size_t(found)].Line & SharedBit) != 0)
        return false;
    EraseSlot(found);
    return true;
}

// Linear probing without tombstones: later members of the run move back into the gap.
void TVStringHash::EraseSlot(qsizetype ASlot) {
    const size_t mask = FSlots.size() - 1;
    size_t gap = size_t(ASlot);
    FSlots[gap].Line = EmptyLine;
    --FUsed;
    for (size_t i = (gap + 1) & mask; FSlots[i].Line != EmptyLine; i = (i + 1) & mask) {
        const size_t home = FSlots[i].Hash & mask;
        // The entry may fill the gap when its home is not in the cyclic range (gap, i].
        const bool homeAfterGap = gap <= i ? (home > gap && home <= i) : (home > gap || home <= i);
        if (homeAfterGap)
            continue;
        FSlots[gap] = FSlots[i];
        FSlots[i].Line = EmptyLine;
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
            if (slot.Line == EmptyLine) {
                slot = TSlot{hash, uint32_t(index)};
                ++FUsed;
                break;
            }
            if (slot.Hash == hash && LineName(ALines[IndexOf(slot)], a) &&
                LineName(ALines[index], b) && SameName(a, b)) {
                slot.Line = uint32_t(std::max(IndexOf(slot), index)) | SharedBit;
                break;
            }
        }
    }
}

void TVStringHash::MarkHighest(std::vector<bool>& AIsLast) const {
    for (const TSlot& slot : FSlots)
        if (slot.Line != EmptyLine)
            AIsLast[size_t(IndexOf(slot))] = true;
}

void TVStringHash::ShiftDownAbove(int32_t AValue) {
    for (TSlot& slot : FSlots)
        if (slot.Line != EmptyLine && IndexOf(slot) > AValue)
            --slot.Line; // the shared bit is above the index and stays
}

} // namespace tarrow
