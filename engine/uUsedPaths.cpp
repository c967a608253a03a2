#include "engine/uUsedPaths.h"

#include "base/uStrUtils.h"

#include <QVarLengthArray>
#include <utility>

namespace tarrow {

namespace {

constexpr uint64_t KindMask = 3;

uint64_t Mix(uint64_t h) { // spreads FNV's weak low bits over the slot index
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

} // namespace

TUsedPaths::TUsedPaths(TPathReading AReading) : FReading(AReading), FSlots(64, 0), FOwners(64, 0) {}

qsizetype TUsedPaths::Find(uint64_t ADigest, uint64_t AKind) const {
    const uint64_t key = ADigest | AKind;
    const size_t mask = FSlots.size() - 1;
    for (size_t slot = (ADigest >> 2) & mask;; slot = (slot + 1) & mask) {
        if (FSlots[slot] == 0)
            return -1;
        if (FSlots[slot] == key)
            return qsizetype(slot);
    }
}

void TUsedPaths::Insert(uint64_t ADigest, uint64_t AKind, uint64_t AOwner) {
    const uint64_t key = ADigest | AKind;
    const size_t mask = FSlots.size() - 1;
    size_t slot = (ADigest >> 2) & mask;
    for (; FSlots[slot] != 0; slot = (slot + 1) & mask)
        if (FSlots[slot] == key)
            return;
    FSlots[slot] = key;
    FOwners[slot] = AOwner;
    if (++FUsed * 4 > FSlots.size() * 3)
        Grow();
}

void TUsedPaths::Grow() {
    std::vector<uint64_t> old(FSlots.size() * 2, 0);
    std::vector<uint64_t> oldOwners(old.size(), 0);
    old.swap(FSlots);
    oldOwners.swap(FOwners);
    const size_t mask = FSlots.size() - 1;
    for (size_t i = 0; i < old.size(); ++i) {
        if (old[i] == 0)
            continue;
        size_t slot = (old[i] >> 2) & mask;
        while (FSlots[slot] != 0)
            slot = (slot + 1) & mask;
        FSlots[slot] = old[i];
        FOwners[slot] = oldOwners[i];
    }
}

// Calls AVisit(end, digest) for every folder of APath (its text up to a separator, past AFrom)
// and last for the whole path; one pass over the characters.
template <typename TVisit>
bool TUsedPaths::ForEachPrefix(QStringView APath, qsizetype AFrom, TVisit AVisit) const {
    const bool fold = FReading == TPathReading::prWindows;
    const char16_t delim = PathDelim(FReading).unicode();
    uint64_t h = 14695981039346656037ULL; // FNV-1a, 64 bits
    for (qsizetype i = 0; i < APath.size(); ++i) {
        const char16_t c = APath[i].unicode();
        if (c == delim && i > 0 && APath[i - 1] == delim)
            continue; // repeated separators are one, as the save reads them
        if (c == delim && i > AFrom && AVisit(i, Mix(h) & ~KindMask))
            return true;
        h = (h ^ (fold ? AsciiFold(c) : c)) * 1099511628211ULL;
    }
    return AVisit(APath.size(), Mix(h) & ~KindMask);
}

qsizetype TUsedPaths::FindConflict(QStringView APath, qsizetype AFrom) const {
    qsizetype conflict = -1;
    ForEachPrefix(APath, AFrom, [&](qsizetype AEnd, uint64_t ADigest) {
        // A folder of the new path that is an earlier file, or a new file that is a folder.
        const bool whole = AEnd == APath.size();
        if (Contains(ADigest, whole ? FolderKind : FileKind))
            conflict = AEnd;
        return conflict >= 0;
    });
    return conflict;
}

uint64_t TUsedPaths::Digest(QStringView APath) const {
    uint64_t digest = 0;
    ForEachPrefix(APath, APath.size(), [&](qsizetype, uint64_t ADigest) {
        digest = ADigest;
        return false;
    });
    return digest;
}

qsizetype TUsedPaths::TryAdd(QStringView APath, qsizetype AFrom, uint64_t AOwner) {
    // The digests of every folder and of the file, computed once for the check and the record.
    QVarLengthArray<std::pair<qsizetype, uint64_t>, 16> prefixes;
    ForEachPrefix(APath, 0, [&](qsizetype AEnd, uint64_t ADigest) {
        prefixes.append({AEnd, ADigest});
        return false;
    });
    for (const auto& [end, digest] : prefixes)
        if (end > AFrom && Contains(digest, end == APath.size() ? FolderKind : FileKind))
            return end;
    const qsizetype file = Find(prefixes.back().second, FileKind);
    if (file >= 0 && FOwners[size_t(file)] != AOwner)
        return APath.size();
    for (const auto& [end, digest] : prefixes)
        Insert(digest, end == APath.size() ? FileKind : FolderKind, AOwner);
    return -1;
}

} // namespace tarrow
