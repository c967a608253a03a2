#include "engine/URLListUnit.h"

#include "base/uExceptions.h"
#include "base/uPathUtils.h"
#include "base/uStrUtils.h"
#include "base/uURLUtils.h"
#include "engine/uFileUtils.h"
#include "engine/uOutPathNames.h"
#include "engine/uURLScope.h"

#include <algorithm>
#include <utility>

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

// The text a settled output path is written as: decoded below the output prefix.
QString Decoded(const QString& APath, qsizetype AFrom) {
    if (!QStringView(APath).mid(AFrom).contains(u'%'))
        return APath;
    return APath.left(AFrom) + PercentDecodePath(APath.mid(AFrom));
}

// One resource under the URLs that name it: "dir/", "dir" and "dir/index.html" (the index file),
// and the same text decoded, share a digest and so may share a file.
uint64_t ResourceDigest(const QString& AKey, const QString& AIndexFile) {
    const qsizetype question = AKey.indexOf(u'?');
    QString path = question < 0 ? AKey : AKey.left(question);
    const qsizetype slash = path.lastIndexOf(u'/');
    if (!AIndexFile.isEmpty() && AsciiSameText(QStringView(path).mid(slash + 1), AIndexFile))
        path.truncate(slash + 1);
    while (path.endsWith(u'/'))
        path.chop(1);
    if (question >= 0 && question + 1 < AKey.size())
        path += QStringView(AKey).mid(question);
    uint64_t h = 14695981039346656037ULL; // FNV-1a over the ASCII-folded text
    for (QChar c : PercentDecodePath(path))
        h = (h ^ AsciiFold(c.unicode())) * 1099511628211ULL;
    return h;
}

} // namespace

TURLList::TURLList(TPathReading AReading, bool ACompletePages)
    : FPathReading(AReading), FCompletePages(ACompletePages), FUsedPaths(AReading), FSlots(64, -1) {
}

void TURLList::CheckIndex(int AIndex) const {
    if (AIndex < 0 || AIndex >= Count())
        RaiseListIndexError(AIndex);
}

QString TURLList::URL(int AIndex) const {
    CheckIndex(AIndex);
    return FText.Text(FEntries[AIndex].URL);
}

QString TURLList::OutFilePath(int AIndex) const {
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
    const QString url = FScope ? FScope->Admit(AURL, FTrial) : AURL;
    if (url != AURL && (url.isEmpty() || IsSuppressed(url, ASuppressURLs)))
        return -1;
    const QString key = RemoveURLFragment(url);
    const int found = FindURL(key);
    if (found >= 0)
        return found;
    if (FScope &&
        FScope->ContinuesNumberedChain(
            key, FLinkingEntry >= 0 ? RemoveURLFragment(URL(FLinkingEntry)) : QString(), FTrial))
        return -1;
    return AddEntry(AURLTag, url, key, AWebsiteURL, AIndexFile, AOutDir, AExtractURLs, AURLDepth,
                    ALinkType);
}

int TURLList::AddEntry(TURLTag AURLTag, const QString& AURL, const QString& AKey,
                       const QString& AWebsiteURL, const QString& AIndexFile,
                       const QString& AOutDir, int32_t AExtractURLs, int32_t AURLDepth,
                       const QString& ALinkType) {
    const int index = Count();
    const uint32_t h = FoldedHash(AKey);
    TEntryText entry;
    entry.URL = FText.Add(AURL);
    entry.KeyLength = uint32_t(AKey.size());
    const QString mapped = MakeOutFilePath(AURLTag, AURL, AWebsiteURL, AIndexFile, ALinkType,
                                           FPathReading, FCompletePages);
    AddOutFilePath(entry, AOutDir,
                   FreeOutFilePath(JoinOutDir(AOutDir, mapped, FPathReading), AOutDir,
                                   ResourceDigest(AKey, AIndexFile)));
    FEntries.push_back(entry);
    FKeyHashes.push_back(h);
    FExtractURLsList.Add(AExtractURLs);
    FURLDepthList.Add(AURLDepth);
    FNestingList.Add(0);
    if (size_t(Count()) * 2 > FSlots.size())
        GrowHash();
    else
        InsertIntoHash(index, h);
    if (FListener)
        FListener->URLAdded(index, AURLTag, AURL, AExtractURLs, AURLDepth, AWebsiteURL, AIndexFile,
                            AOutDir, ALinkType);
    return index;
}

void TURLList::SetRequisiteNesting(int AIndex, int32_t ANesting) {
    if (FListener && FNestingList.GetValue(AIndex) != ANesting)
        FListener->NestingSet(AIndex, ANesting);
    FNestingList.SetValue(AIndex, ANesting);
}

void TURLList::ReserveName(const QString& AOutDir, const QString& AName) {
    // Its own owner, taken as a file: no URL's file shares it and no URL's folder goes through it.
    constexpr uint64_t Reserved = 0xC2B2AE3D27D4EB4FULL;
    FUsedPaths.TryAdd(Decoded(JoinOutDir(AOutDir, AName, FPathReading), AOutDir.size()),
                      AOutDir.size(), Reserved);
}

// APath settled on the text that is written, or when that needs a folder where an earlier path
// has its file (or a file where an earlier path has a folder or another resource's file), with the
// conflicting name numbered "-2", "-3"... Names are compared decoded, as they are written. The
// first URL keeps its name; the numbered name is recorded, so every link to the URL uses it.
QString TURLList::FreeOutFilePath(QString APath, const QString& AOutDir, uint64_t AOwner) {
    const qsizetype from = APath.startsWith(AOutDir) ? AOutDir.size() : 0;
    if (APath.isEmpty() || !SettleOutPath(APath, from, FPathReading))
        return APath;   // refused when it is saved
    if (FCompletePages) // a complete copy keeps every file, whatever the length of its name
        APath = ShortenLongNames(APath, from, FPathReading);
    for (qsizetype end = FUsedPaths.TryAdd(Decoded(APath, from), from, AOwner); end >= 0;
         end = FUsedPaths.TryAdd(Decoded(APath, from), from, AOwner))
        APath = NumberedPath(APath, from, end);
    return APath;
}

// APath with the segment that ends at AEnd of its decoded text given the next free number.
QString TURLList::NumberedPath(const QString& APath, qsizetype AFrom, qsizetype AEnd) {
    const QChar delim = PathDelim(FPathReading);
    const QString decoded = Decoded(APath, AFrom);
    // A settled path has one written segment for each decoded one: count the separators.
    const qsizetype steps = QStringView(decoded).mid(AFrom, AEnd - AFrom).count(delim);
    qsizetype start = AFrom;
    for (qsizetype i = 0; i < steps; ++i)
        start = APath.indexOf(delim, start) + 1;
    qsizetype stop = APath.indexOf(delim, start);
    if (stop < 0)
        stop = APath.size();
    const QStringView segment = QStringView(APath).mid(start, stop - start);
    const QString tail = APath.mid(stop);
    // Numbers that an earlier file of this name took are not tried again (a renamed folder may
    // hold more files), so choosing a name stays near constant time however many clash.
    const bool file = tail.isEmpty();
    int& next = FNextNumbers[FUsedPaths.Digest(decoded.left(AEnd)) ^ uint64_t(file)];
    for (int number = std::max(next, 2);; ++number) {
        QString candidate = APath.left(start) + NumberedName(segment, number) + tail;
        const QString decodedCandidate = Decoded(candidate, AFrom);
        // A renamed file never shares the file of another URL.
        if (!(file && FUsedPaths.IsFile(decodedCandidate)) &&
            FUsedPaths.FindConflict(decodedCandidate, AFrom) < 0) {
            next = file ? number + 1 : number;
            return candidate;
        }
    }
}

bool TURLList::MayTakeServerName(int AIndex) const {
    CheckIndex(AIndex);
    const TEntryText& entry = FEntries[AIndex];
    if (!FCompletePages || entry.OutFilePath.Length == 0)
        return false;
    QString key = FText.Text(entry.URL);
    key.truncate(entry.KeyLength);
    const qsizetype question = key.indexOf(u'?');
    if (question >= 0)
        key.truncate(question);
    return !IsKeptFileExtension(LastSegmentExtension(key));
}

bool TURLList::TakeServerName(int AIndex, const QString& AFileName) {
    TEntryText& entry = FEntries[AIndex];
    const QString oldPath = OutFilePath(AIndex);
    const QString outDir = entry.OutDir < 0 ? QString() : FOutDirs.at(entry.OutDir);
    const qsizetype folderEnd = oldPath.lastIndexOf(PathDelim(FPathReading)) + 1;
    if (folderEnd < outDir.size() || QStringView(oldPath).mid(folderEnd) == AFileName)
        return false;
    QString key = FText.Text(entry.URL);
    key.truncate(entry.KeyLength);
    // Its own owner: the renamed file is never shared with the URL's other names.
    constexpr uint64_t ServerNamed = 0x9E3779B97F4A7C15ULL;
    AddOutFilePath(entry, outDir,
                   FreeOutFilePath(oldPath.left(folderEnd) + AFileName, outDir,
                                   ResourceDigest(key, QString()) ^ ServerNamed));
    if (FListener)
        FListener->ServerNameTaken(AIndex, AFileName);
    return true;
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
                                  TPathReading AReading, bool ACompletePages) {
    if (!AsciiStartsText(AURL, AWebsiteURL))
        return QString();
    QString rest = AURL.mid(AWebsiteURL.size());
    const qsizetype hash = rest.indexOf(u'#');
    if (hash >= 0)
        rest.truncate(hash);

    const qsizetype question = rest.indexOf(u'?');
    QString p = question >= 0 ? rest.left(question) : rest;
    QString query = question >= 0 ? rest.mid(question + 1) : QString();
    // "dir/index.html" is the file that "dir/" is saved as, not a folder of that name.
    const qsizetype lastSlash = p.lastIndexOf(u'/');
    if (!AIndexFile.isEmpty() && AsciiSameText(QStringView(p).mid(lastSlash + 1), AIndexFile))
        p.truncate(lastSlash + 1);

    const QChar delim = PathDelim(AReading);
    query = QueryAsName(query, AReading);
    if (ACompletePages && !p.isEmpty() && !p.endsWith(u'/') &&
        IsKeptFileExtension(LastSegmentExtension(p))) {
        if (!query.isEmpty())
            p = p.left(lastSlash + 1) + FileNameWithQuery(QStringView(p).mid(lastSlash + 1), query);
        if (delim != u'/')
            p.replace(u'/', delim);
        return p;
    }

    if (question >= 0) {
        if (!p.isEmpty() && !p.endsWith(u'/'))
            p.append(u'/');
    } else if (NamesFolder(AURLTag, p) && !p.endsWith(u'/')) {
        p.append(u'/');
    }
    if (delim != u'/')
        p.replace(u'/', delim);
    if (!query.isEmpty())
        query.append(delim);
    QString result = p + query;
    if (result.isEmpty() || result.endsWith(delim))
        result += IndexFileFor(AIndexFile, ALinkType);
    return result;
}

} // namespace tarrow
