#include "engine/URLListUnit.h"

#include "base/uPathUtils.h"
#include "base/uURLUtils.h"
#include "base/uStrUtils.h"
#include "base/uExceptions.h"

namespace tarrow {

namespace {

uint32_t FoldedHash(QStringView AKey) {
    uint32_t h = 2166136261u; // FNV-1a over the ASCII-folded code units
    for (QChar c : AKey)
        h = (h ^ AsciiFold(c.unicode())) * 16777619u;
    return h;
}

bool EndsWithAny(QStringView S, std::initializer_list<QLatin1StringView> ASuffixes) {
    for (QLatin1StringView suffix : ASuffixes)
        if (S.endsWith(suffix)) // case-sensitive, as the mapping wants
            return true;
    return false;
}

bool NamesFolder(TURLTag ATag, QStringView P) {
    if (P.endsWith(u'/'))
        return true;
    if (ATag == utA || ATag == utLink || ATag == utIFrame)
        return !EndsWithAny(P, {QLatin1StringView(".png"), QLatin1StringView(".jpg"),
                                QLatin1StringView(".jpeg"), QLatin1StringView(".gif"),
                                QLatin1StringView(".bmp"), QLatin1StringView(".css"),
                                QLatin1StringView(".xml")});
    return EndsWithAny(P, {QLatin1StringView(".asp"), QLatin1StringView(".aspx"),
                           QLatin1StringView(".cgi"), QLatin1StringView(".dll"),
                           QLatin1StringView(".jsp"), QLatin1StringView(".jspx"),
                           QLatin1StringView(".php"), QLatin1StringView(".py")});
}

QString ChangeFileExt(const QString& AFileName, QLatin1StringView AExt) {
    const qsizetype dot = AFileName.lastIndexOf(u'.');
    return (dot < 0 ? AFileName : AFileName.left(dot)) + AExt;
}

QString IndexFileFor(const QString& AIndexFile, const QString& ALinkType) {
    if (AsciiSameText(ALinkType, u"text/css"))
        return ChangeFileExt(AIndexFile, QLatin1StringView(".css"));
    if (AsciiEndsText(ALinkType, u"+xml"))
        return ChangeFileExt(AIndexFile, QLatin1StringView(".xml"));
    return AIndexFile;
}

} // namespace

TURLList::TURLList(TPathReading AReading) : FPathReading(AReading), FSlots(64, -1) {}

void TURLList::CheckIndex(int AIndex) const {
    if (AIndex < 0 || AIndex >= Count())
        RaiseListIndexError(AIndex);
}

QString TURLList::GetURL(int AIndex) const {
    CheckIndex(AIndex);
    return FText.Text(FEntries[AIndex].URL);
}

QString TURLList::GetOutFilePath(int AIndex) const {
    CheckIndex(AIndex);
    const TEntryText& entry = FEntries[AIndex];
    const QString rest = FText.Text(entry.OutFilePath);
    return entry.OutDir < 0 ? rest : FOutDirs.at(entry.OutDir) + rest;
}

int TURLList::FindURL(const QString& ALoadURL) const {
    const uint32_t h = FoldedHash(ALoadURL);
    const size_t mask = FSlots.size() - 1;
    for (size_t slot = h & mask;; slot = (slot + 1) & mask) {
        const int32_t index = FSlots[slot];
        if (index < 0)
            return -1;
        if (FKeyHashes[index] == h &&
            FText.SameText(FEntries[index].URL, FEntries[index].KeyLength, ALoadURL))
            return index;
    }
}

void TURLList::InsertIntoHash(int AIndex, uint32_t AHash) {
    const size_t mask = FSlots.size() - 1;
    size_t slot = AHash & mask;
    while (FSlots[slot] >= 0)
        slot = (slot + 1) & mask;
    FSlots[slot] = AIndex;
}

void TURLList::GrowHash() {
    FSlots.assign(FSlots.size() * 2, -1);
    for (int i = 0; i < Count(); ++i)
        InsertIntoHash(i, FKeyHashes[i]);
}

bool TURLList::IsSuppressed(const QString& AURL, const QStringList* ASuppressURLs) {
    if (!ASuppressURLs)
        return false;
    for (const QString& line : *ASuppressURLs)
        if (!line.isEmpty() && AsciiIndexOfText(AURL, line) >= 0)
            return true;
    return false;
}

QString TURLList::JoinOutDir(const QString& AOutDir, const QString& APath, TPathReading AReading) {
    if (APath.isEmpty())
        return QString();
    const QChar delim = PathDelim(AReading);
    if (APath.startsWith(delim))
        return AOutDir.endsWith(delim) ? QString(AOutDir).append(QStringView(APath).mid(1))
                                       : AOutDir + APath;
    if (AOutDir.isEmpty())
        return APath;
    if (AOutDir.endsWith(delim))
        return AOutDir + APath;
    return AOutDir + delim + APath;
}

int TURLList::AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
                     const QString& AIndexFile, const QString& AOutDir, int32_t AExtractURLs,
                     int32_t AURLDepth, const QStringList* ASuppressURLs,
                     const QString& ALinkType) {
    if (IsSuppressed(AURL, ASuppressURLs))
        return -1;
    const QString key = RemoveURLFragment(AURL);
    const int found = FindURL(key);
    if (found >= 0)
        return found;

    const int index = Count();
    const uint32_t h = FoldedHash(key);
    TEntryText entry;
    entry.URL = FText.Add(AURL);
    entry.KeyLength = uint32_t(key.size());
    AddOutFilePath(
        entry, AOutDir,
        JoinOutDir(AOutDir,
                   MakeOutFilePath(AURLTag, AURL, AWebsiteURL, AIndexFile, ALinkType, FPathReading),
                   FPathReading));
    FEntries.push_back(entry);
    FKeyHashes.push_back(h);
    FExtractURLsList.Add(AExtractURLs);
    FURLDepthList.Add(AURLDepth);
    if (size_t(Count()) * 2 > FSlots.size())
        GrowHash();
    else
        InsertIntoHash(index, h);
    return index;
}

void TURLList::AddOutFilePath(TEntryText& AEntry, const QString& AOutDir, const QString& APath) {
    if (AOutDir.isEmpty() || !APath.startsWith(AOutDir)) {
        AEntry.OutFilePath = FText.Add(APath);
        return;
    }
    qsizetype dir = FOutDirs.indexOf(AOutDir);
    if (dir < 0) {
        FOutDirs.append(AOutDir);
        dir = FOutDirs.size() - 1;
    }
    AEntry.OutDir = int32_t(dir);
    AEntry.OutFilePath = FText.Add(QStringView(APath).mid(AOutDir.size()));
}

QString TURLList::MakeOutFilePath(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
                                  const QString& AIndexFile, const QString& ALinkType,
                                  TPathReading AReading) {
    if (!AsciiStartsText(AURL, AWebsiteURL))
        return QString();
    QString rest = AURL.mid(AWebsiteURL.size());
    const qsizetype hash = rest.indexOf(u'#');
    if (hash >= 0)
        rest.truncate(hash);

    QString p;
    QString query;
    const qsizetype question = rest.indexOf(u'?');
    if (question >= 0) {
        query = rest.mid(question + 1);
        p = rest.left(question);
        if (!p.isEmpty() && !p.endsWith(u'/'))
            p.append(u'/');
    } else {
        p = rest;
        if (NamesFolder(AURLTag, p) && !p.endsWith(u'/'))
            p.append(u'/');
    }

    const QChar delim = PathDelim(AReading);
    if (delim != u'/')
        p.replace(u'/', delim);
    query.replace(u'/', u'_');
    if (!query.isEmpty())
        query.append(delim);
    QString result = p + query;
    if (result.isEmpty() || result.endsWith(delim))
        result += IndexFileFor(AIndexFile, ALinkType);
    return result;
}

} // namespace tarrow
