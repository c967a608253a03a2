#include "base/uTextArena.h"

#include "base/uStrUtils.h"

#include <algorithm>
#include <cstring>

namespace tarrow {

namespace {

bool IsLatin1(QStringView AText) {
    return std::all_of(AText.begin(), AText.end(), [](QChar c) { return c.unicode() < 0x100; });
}

} // namespace

TTextArena::TTextArena(const TTextArena& AOther)
    : FBlockSizes(AOther.FBlockSizes), FUsed(AOther.FUsed), FSharedBlock(AOther.FSharedBlock) {
    FBlocks.reserve(AOther.FBlocks.size());
    for (size_t i = 0; i < AOther.FBlocks.size(); ++i) {
        FBlocks.push_back(std::make_unique_for_overwrite<char[]>(FBlockSizes[i]));
        std::memcpy(FBlocks.back().get(), AOther.FBlocks[i].get(), FBlockSizes[i]);
    }
}

char* TTextArena::Reserve(uint32_t ABytes, TSlice& ASlice) {
    if (ABytes > BlockSize / 4) { // a long text gets a block of its own
        FBlocks.push_back(std::make_unique_for_overwrite<char[]>(std::max<uint32_t>(ABytes, 1)));
        FBlockSizes.push_back(std::max<uint32_t>(ABytes, 1));
        ASlice.Block = uint32_t(FBlocks.size() - 1);
        ASlice.Offset = 0;
        return FBlocks.back().get();
    }
    FUsed = (FUsed + 1) & ~1u;                           // two-byte texts stay aligned
    if (FBlocks.empty() || FUsed + ABytes > BlockSize) { // an empty first text needs a block too
        FBlocks.push_back(std::make_unique_for_overwrite<char[]>(BlockSize));
        FBlockSizes.push_back(BlockSize);
        FSharedBlock = uint32_t(FBlocks.size() - 1);
        FUsed = 0;
    }
    ASlice.Block = FSharedBlock;
    ASlice.Offset = FUsed;
    FUsed += ABytes;
    return FBlocks[FSharedBlock].get() + ASlice.Offset;
}

TTextArena::TSlice TTextArena::Add(QStringView AText) {
    TSlice slice;
    slice.Length = uint32_t(AText.size());
    slice.Wide = !IsLatin1(AText);
    char* out = Reserve(slice.Length * (slice.Wide ? 2 : 1), slice);
    if (slice.Wide) {
        std::memcpy(out, AText.utf16(), size_t(slice.Length) * 2);
    } else {
        for (uint32_t i = 0; i < slice.Length; ++i)
            out[i] = char(AText[i].unicode());
    }
    return slice;
}

QString TTextArena::Text(TSlice ASlice) const {
    const char* data = FBlocks[ASlice.Block].get() + ASlice.Offset;
    if (!ASlice.Wide)
        return QString::fromLatin1(data, ASlice.Length);
    return QString(reinterpret_cast<const QChar*>(data), ASlice.Length);
}

bool TTextArena::SameText(TSlice ASlice, uint32_t ALength, QStringView AText) const {
    if (ALength != AText.size())
        return false;
    const char* data = FBlocks[ASlice.Block].get() + ASlice.Offset;
    if (ASlice.Wide)
        return AsciiSameText(QStringView(reinterpret_cast<const QChar*>(data), ALength), AText);
    for (uint32_t i = 0; i < ALength; ++i) {
        const char16_t a = static_cast<unsigned char>(data[i]);
        const char16_t b = AText[i].unicode();
        if (a != b && AsciiFold(a) != AsciiFold(b))
            return false;
    }
    return true;
}

} // namespace tarrow
