#include "project/VHashedStringList.h"

#include "project/uExceptions.h"

#include <algorithm>

namespace tarrow {

TVStringHash::TVStringHash(int ASize) {
    FItems.reserve(std::max(ASize, 1));
}

void TVStringHash::Add(const QString& AKey, int32_t AValue) {
    TIndices& indices = FItems[AKey];
    // Lines are mostly indexed in order, so the new value usually belongs at the end.
    auto pos = std::upper_bound(indices.begin(), indices.end(), AValue);
    indices.insert(pos, AValue);
}

int32_t TVStringHash::ValueOf(const QString& AKey) const {
    auto it = FItems.constFind(AKey);
    if (it == FItems.cend() || it->isEmpty())
        return -1;
    return it->back();
}

void TVStringHash::Remove(const QString& AKey, int32_t AValue) {
    auto it = FItems.find(AKey);
    if (it == FItems.end())
        return;
    auto pos = std::find(it->begin(), it->end(), AValue);
    if (pos != it->end())
        it->erase(pos);
    if (it->isEmpty())
        FItems.erase(it);
}

void TVStringHash::ShiftDownAbove(int32_t AValue) {
    for (TIndices& indices : FItems)
        for (int32_t& v : indices)
            if (v > AValue)
                --v;
}

void TVStringHash::Clear() {
    FItems.clear();
}

TVHashedStringList::TVHashedStringList(int ABucketsSize)
    : FBucketsSize(ABucketsSize), FNameHash(ABucketsSize) {}

bool TVHashedStringList::LineName(const QString& ALine, QString& AName) {
    const qsizetype eq = ALine.indexOf(u'=');
    if (eq < 0)
        return false;
    AName = ALine.left(eq);
    return true;
}

const QString& TVHashedStringList::Strings(qsizetype I) const {
    if (I < 0 || I >= FLines.size())
        RaiseListIndexError(I);
    return FLines[I];
}

void TVHashedStringList::InvalidateIndex() {
    FNameHashValid = false;
    FNameHash.Clear();
    FNumberedValid = false;
    FNumbered.clear();
}

void TVHashedStringList::IndexLine(qsizetype I) {
    QString name;
    if (FNameHashValid && LineName(FLines[I], name))
        FNameHash.Add(NameKey(name), int32_t(I));
}

void TVHashedStringList::UnindexLine(qsizetype I) {
    QString name;
    if (FNameHashValid && LineName(FLines[I], name))
        FNameHash.Remove(NameKey(name), int32_t(I));
}

qsizetype TVHashedStringList::Add(const QString& ALine) {
    FLines.append(ALine);
    const qsizetype index = FLines.size() - 1;
    IndexLine(index);
    FNumberedValid = false;
    return index;
}

void TVHashedStringList::Put(qsizetype I, const QString& ALine) {
    if (I < 0 || I >= FLines.size())
        RaiseListIndexError(I);
    if (FLines[I] == ALine)
        return;
    UnindexLine(I);
    FLines[I] = ALine;
    IndexLine(I);
    FNumberedValid = false;
}

void TVHashedStringList::Insert(qsizetype I, const QString& ALine) {
    if (I < 0 || I > FLines.size())
        RaiseListIndexError(I);
    if (I == FLines.size()) {
        Add(ALine);
        return;
    }
    FLines.insert(I, ALine);
    InvalidateIndex();
}

void TVHashedStringList::Delete(qsizetype I) {
    if (I < 0 || I >= FLines.size())
        RaiseListIndexError(I);
    if (FNameHashValid) {
        UnindexLine(I);
        FNameHash.ShiftDownAbove(int32_t(I));
    }
    FLines.removeAt(I);
    FNumberedValid = false;
}

void TVHashedStringList::Clear() {
    FLines.clear();
    InvalidateIndex();
}

void TVHashedStringList::SetLines(QStringList ALines) {
    FLines = std::move(ALines);
    InvalidateIndex();
}

void TVHashedStringList::RebuildNameHash() const {
    FNameHash.Clear();
    QString name;
    for (qsizetype i = 0; i < FLines.size(); ++i)
        if (LineName(FLines[i], name))
            FNameHash.Add(NameKey(name), int32_t(i));
    FNameHashValid = true;
}

qsizetype TVHashedStringList::IndexOfName(const QString& AName) const {
    if (!FNameHashValid)
        RebuildNameHash();
    return FNameHash.ValueOf(NameKey(AName));
}

QString TVHashedStringList::Values(const QString& AName) const {
    const qsizetype i = IndexOfName(AName);
    if (i < 0)
        return QString();
    const QString& line = FLines[i];
    return line.mid(line.indexOf(u'=') + 1);
}

void TVHashedStringList::SetValues(const QString& AName, const QString& AValue) {
    const qsizetype i = IndexOfName(AName);
    if (AValue.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    QString line = AName;
    line.append(u'=').append(AValue);
    if (i >= 0)
        Put(i, line);
    else
        Add(line);
}

namespace {

bool IsDigit(QChar C) {
    return C >= u'0' && C <= u'9';
}

// The value of a run of decimal digits without leading zero, or -1 beyond 2^31-1.
int32_t RunValue(QStringView ARun) {
    if (ARun.isEmpty() || ARun[0] == u'0' || ARun.size() > 10)
        return -1;
    int64_t v = 0;
    for (QChar c : ARun)
        v = v * 10 + (c.unicode() - u'0');
    return v > INT32_MAX ? -1 : int32_t(v);
}

} // namespace

void TVHashedStringList::RebuildNumberedNames() const {
    FNumbered.clear();
    QString name;
    for (const QString& line : FLines) {
        if (!LineName(line, name))
            continue;
        const QString key = NameKey(name);
        for (qsizetype i = 0; i < key.size();) {
            if (!IsDigit(key[i])) {
                ++i;
                continue;
            }
            qsizetype end = i;
            while (end < key.size() && IsDigit(key[end]))
                ++end;
            const int32_t n = RunValue(QStringView(key).mid(i, end - i));
            if (n > 0)
                FNumbered[qMakePair(key.left(i), key.mid(end))].append(n);
            i = end;
        }
    }
    for (QList<int32_t>& numbers : FNumbered) {
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    }
    FNumberedValid = true;
}

QList<int32_t> TVHashedStringList::NumberedNames(const QString& APrefix,
                                                 const QString& ASuffix) const {
    const QString prefix = NameKey(APrefix);
    const QString suffix = NameKey(ASuffix);
    // The index holds maximal digit runs; a prefix ending in a digit needs a plain scan.
    if ((prefix.isEmpty() || !IsDigit(prefix.back())) &&
        (suffix.isEmpty() || !IsDigit(suffix.front()))) {
        if (!FNumberedValid)
            RebuildNumberedNames();
        return FNumbered.value(qMakePair(prefix, suffix));
    }
    QList<int32_t> numbers;
    QString name;
    for (const QString& line : FLines) {
        if (!LineName(line, name))
            continue;
        const QString key = NameKey(name);
        if (key.size() <= prefix.size() + suffix.size() || !key.startsWith(prefix) ||
            !key.endsWith(suffix))
            continue;
        const QStringView run =
            QStringView(key).mid(prefix.size(), key.size() - prefix.size() - suffix.size());
        if (std::all_of(run.begin(), run.end(), IsDigit)) {
            const int32_t n = RunValue(run);
            if (n > 0)
                numbers.append(n);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

} // namespace tarrow
