#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

namespace tarrow {

// Append-only storage for many small texts that live as long as their owner: one allocation per
// block instead of one per text, so a large table neither fragments the heap nor pays a header
// per entry. A text whose characters all lie below U+0100 takes one byte per character, any other
// text two. Texts are never changed or removed.
class TTextArena final {
public:
    struct TSlice {
        uint32_t Block = 0;
        uint32_t Offset = 0; // in bytes
        uint32_t Length = 0; // in characters
        bool Wide = false;
    };

    TTextArena() = default;
    // A deep copy: a table copied to try out what it would become shares no block with its source.
    TTextArena(const TTextArena& AOther);
    TTextArena& operator=(const TTextArena&) = delete;
    TTextArena(TTextArena&&) = default;

    TSlice Add(QStringView AText);
    QString Text(TSlice ASlice) const;
    // Whether the text equals AText, ASCII letters compared without regard to case.
    bool SameText(TSlice ASlice, uint32_t ALength, QStringView AText) const;

private:
    static constexpr uint32_t BlockSize = 64 * 1024; // bytes
    char* Reserve(uint32_t ABytes, TSlice& ASlice);
    std::vector<std::unique_ptr<char[]>> FBlocks;
    std::vector<uint32_t> FBlockSizes; // bytes, per block
    uint32_t FUsed = BlockSize;        // bytes used in the shared block
    uint32_t FSharedBlock = 0;         // index of the block that small texts are added to
};

} // namespace tarrow
