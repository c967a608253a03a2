#pragma once

#include "base/uPathUtils.h"

#include <QStringView>
#include <cstdint>
#include <vector>

namespace tarrow {

// The file paths and folder paths that a crawl's output paths already use, so that a new path
// never needs a folder where a file is, or a file where a folder is. Paths are compared as the
// path reading compares them (ASCII case ignored in the Windows reading, exactly in Linux).
// Only 64-bit digests are kept, with the owner's digest of each path, 16 bytes per path: two
// different paths with one digest can only make a new path take a numbered name it did not need,
// never make two paths clash.
class TUsedPaths final {
public:
    explicit TUsedPaths(TPathReading AReading);

    // Index of the first character after the folder or file of APath that conflicts with the
    // paths used so far, looking only past AFrom; -1 when none does.
    qsizetype FindConflict(QStringView APath, qsizetype AFrom) const;
    bool IsFile(QStringView APath) const { return Contains(Digest(APath), FileKind); }
    // Records APath as a file of AOwner, and every folder it runs through, when nothing past
    // AFrom conflicts with it, and returns -1; otherwise records nothing and returns what
    // FindConflict returns, or APath's size when the file is another owner's. One owner (one
    // resource under several URLs) may record one file more than once.
    qsizetype TryAdd(QStringView APath, qsizetype AFrom, uint64_t AOwner);
    // A digest of APath as the reading compares paths.
    uint64_t Digest(QStringView APath) const;

private:
    static constexpr uint64_t FileKind = 1, FolderKind = 2;
    template <typename TVisit>
    bool ForEachPrefix(QStringView APath, qsizetype AFrom, TVisit AVisit) const;
    // The slot of ADigest with AKind, or -1.
    qsizetype Find(uint64_t ADigest, uint64_t AKind) const;
    bool Contains(uint64_t ADigest, uint64_t AKind) const { return Find(ADigest, AKind) >= 0; }
    void Insert(uint64_t ADigest, uint64_t AKind, uint64_t AOwner);
    void Grow();

    TPathReading FReading;
    std::vector<uint64_t> FSlots;  // 0 = free; otherwise digest with the kind in its low bits
    std::vector<uint64_t> FOwners; // per slot, the owner of a file
    size_t FUsed = 0;
};

} // namespace tarrow
