#include "base/uIntList.h"

#include "base/uExceptions.h"

namespace tarrow {

void TIntList::CheckIndex(qsizetype AIndex) const {
    if (AIndex < 0 || AIndex >= FItems.size())
        RaiseListIndexError(AIndex);
}

int32_t TIntList::GetValue(qsizetype AIndex) const {
    CheckIndex(AIndex);
    return FItems.at(AIndex);
}

void TIntList::SetValue(qsizetype AIndex, int32_t AValue) {
    CheckIndex(AIndex);
    FItems[AIndex] = AValue;
}

void TIntList::Delete(qsizetype AIndex) {
    CheckIndex(AIndex);
    FItems.removeAt(AIndex);
}

} // namespace tarrow
