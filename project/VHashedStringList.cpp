#include "project/VHashedStringList.h"

#include "base/uExceptions.h"

#include <algorithm>

namespace tarrow {

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

void SortUnique(QList<int32_t>& ANumbers) {
    std::sort(ANumbers.begin(), ANumbers.end());
    ANumbers.erase(std::unique(ANumbers.begin(), ANumbers.end()), ANumbers.end());
}

} // namespace

TVHashedStringList::TVHashedStringList(int ABucketsSize) : FNameHash(ABucketsSize) {}

const QString& TVHashedStringList::Strings(qsizetype I) const {
    if (I < 0 || I >= FLines.size())
        RaiseListIndexError(I);
    return FLines[I];
}

void TVHashedStringList::InvalidateIndex() {
    FNameHashValid = false;
    FNameHash.Clear();
    LinesChanged();
    FNumbered.clear();
}

void TVHashedStringList::LinesChanged() {
    FNumberedValid = false;
    FIsLastValid = false;
}

void TVHashedStringList::IndexLine(qsizetype I) {
    QStringView name;
    if (FNameHashValid && LineName(FLines[I], name))
        FNameHash.Add(name, NameHash(name), int32_t(I), FLines);
}

void TVHashedStringList::UnindexLine(qsizetype I) {
    QStringView name;
    if (FNameHashValid && LineName(FLines[I], name) &&
        !FNameHash.Remove(name, NameHash(name), int32_t(I), FLines)) {
        FNameHashValid = false;
        FNameHash.Clear();
    }
}

qsizetype TVHashedStringList::Add(const QString& ALine) {
    FLines.append(ALine);
    const qsizetype index = FLines.size() - 1;
    IndexLine(index);
    LinesChanged();
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
    LinesChanged();
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
    UnindexLine(I);
    if (FNameHashValid)
        FNameHash.ShiftDownAbove(int32_t(I));
    FLines.removeAt(I);
    LinesChanged();
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
    std::vector<std::pair<uint32_t, int32_t>> names;
    names.reserve(size_t(FLines.size()));
    QStringView name;
    for (qsizetype i = 0; i < FLines.size(); ++i)
        if (LineName(FLines[i], name))
            names.emplace_back(NameHash(name), int32_t(i));
    FNameHash.Build(names, FLines);
    FNameHashValid = true;
    FIsLast.assign(size_t(FLines.size()), false);
    FNameHash.MarkHighest(FIsLast);
    FIsLastValid = true;
    FHint = -1;
}

qsizetype TVHashedStringList::IndexOfName(const QString& AName) const {
    return FindName(AName, nullptr);
}

qsizetype TVHashedStringList::FindName(const QString& AName, uint32_t* AHash) const {
    if (!FNameHashValid)
        RebuildNameHash();
    if (FIsLastValid) {
        const qsizetype next = FHint + 1;
        QStringView name;
        if (next < FLines.size() && FIsLast[size_t(next)] && LineName(FLines[next], name) &&
            SameName(name, AName)) {
            FHint = next;
            return next;
        }
    }
    const uint32_t hash = NameHash(AName);
    if (AHash != nullptr)
        *AHash = hash;
    const qsizetype found = FNameHash.ValueOf(AName, hash, FLines);
    if (found >= 0)
        FHint = found;
    return found;
}

QString TVHashedStringList::Values(const QString& AName) const {
    const qsizetype i = IndexOfName(AName);
    if (i < 0)
        return QString();
    const QString& line = FLines[i];
    return line.mid(line.indexOf(u'=') + 1);
}

void TVHashedStringList::SetValues(const QString& AName, const QString& AValue) {
    uint32_t hash = 0;
    const qsizetype i = FindName(AName, &hash);
    if (AValue.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    QString line;
    line.reserve(AName.size() + 1 + AValue.size());
    line.append(AName).append(u'=').append(AValue);
    if (i >= 0) {
        Put(i, line);
        return;
    }
    if (AName.contains(u'=')) { // the new line's name is shorter than AName
        Add(line);
        return;
    }
    // A new name: indexed with the hash just computed.
    FLines.append(line);
    if (FNameHashValid)
        FNameHash.AddNew(hash, int32_t(FLines.size() - 1));
    LinesChanged();
}

namespace {

quint64 NumberedKey(QStringView APrefix, QStringView ASuffix) {
    return (quint64(NameHash(APrefix)) << 32) | NameHash(ASuffix);
}

} // namespace

void TVHashedStringList::RebuildNumberedNames() const {
    FNumbered.clear();
    QStringView name;
    for (const QString& line : FLines) {
        if (!LineName(line, name))
            continue;
        // Upper-casing leaves digits alone, so the runs of the name are those of its upper form.
        for (qsizetype i = 0; i < name.size();) {
            if (!IsDigit(name[i])) {
                ++i;
                continue;
            }
            qsizetype end = i;
            while (end < name.size() && IsDigit(name[end]))
                ++end;
            const int32_t n = RunValue(name.mid(i, end - i));
            if (n > 0)
                FNumbered[NumberedKey(name.left(i), name.mid(end))].append(n);
            i = end;
        }
    }
    for (QList<int32_t>& numbers : FNumbered)
        SortUnique(numbers);
    FNumberedValid = true;
}

QList<int32_t> TVHashedStringList::NumberedNames(const QString& APrefix,
                                                 const QString& ASuffix) const {
    // The index holds maximal digit runs; a prefix ending in a digit needs a plain scan.
    if ((APrefix.isEmpty() || !IsDigit(APrefix.back())) &&
        (ASuffix.isEmpty() || !IsDigit(ASuffix.front()))) {
        if (!FNumberedValid)
            RebuildNumberedNames();
        return FNumbered.value(NumberedKey(APrefix, ASuffix));
    }
    const QString prefix = UpperName(APrefix);
    const QString suffix = UpperName(ASuffix);
    QList<int32_t> numbers;
    QStringView name;
    for (const QString& line : FLines) {
        if (!LineName(line, name))
            continue;
        const QString key = UpperName(name);
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
    SortUnique(numbers);
    return numbers;
}

} // namespace tarrow
