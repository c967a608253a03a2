#pragma once

#include <QList>
#include <cstdint>

namespace tarrow {

// A growable list of 32-bit signed integers; a bad index raises "List index out of bounds (%d)".
class TIntList final {
public:
    qsizetype Add(int32_t AValue) {
        FItems.append(AValue);
        return FItems.size() - 1;
    }
    void Clear() { FItems.clear(); }
    int32_t GetValue(qsizetype AIndex) const;
    void SetValue(qsizetype AIndex, int32_t AValue);
    qsizetype Count() const { return FItems.size(); }
    void Assign(const TIntList& ASource) { FItems = ASource.FItems; }
    void Delete(qsizetype AIndex);
    bool operator==(const TIntList&) const = default;

private:
    void CheckIndex(qsizetype AIndex) const;
    QList<int32_t> FItems;
};

} // namespace tarrow
