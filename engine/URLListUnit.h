#pragma once

#include "base/uIntList.h"
#include "base/uPathUtils.h"
#include "base/uTextArena.h"
#include "engine/uUsedPaths.h"
#include "page/uLinkTable.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tarrow {

class TURLScope;

// What a table reports as it changes, so that the same calls rebuild it (a run journal).
class TURLListListener {
public:
    virtual ~TURLListListener() = default;
    // Entry AIndex was added with these arguments of AddURL (AURL as the scope admitted it).
    virtual void URLAdded(int AIndex, TURLTag ATag, const QString& AURL, int32_t AExtractURLs,
                          int32_t AURLDepth, const QString& AWebsiteURL, const QString& AIndexFile,
                          const QString& AOutDir, const QString& ALinkType) = 0;
    virtual void NestingSet(int AIndex, int32_t ANesting) = 0;
    virtual void ServerNameTaken(int AIndex, const QString& AFileName) = 0;
};

// The URL table of one crawl: every URL to fetch, in the order found, with its output file path,
// extraction limit and depth. It only grows, so an index stays valid for the table's life.
// Duplicates (keys equal ignoring ASCII case) are found through a hash, not a scan.
// Not thread safe: one crawl, one thread.
class TURLList final : public TLinkTable {
public:
    // Output paths are built with the separator of AReading. With ACompletePages a file whose
    // name says what it is keeps that name (see MakeOutFilePath).
    explicit TURLList(TPathReading AReading, bool ACompletePages = false);
    // A copy to try out what processing would add, leaving the table itself as it is.
    TURLList(const TURLList&) = default;
    TURLList& operator=(const TURLList&) = delete;

    // From now on every added URL passes AScope first: it enters in the form the scope gives, or
    // is refused as a suppressed one is. The scope outlives the table's use.
    void SetScope(TURLScope* AScope) { FScope = AScope; }
    // A copy that tries out what processing would add leaves no trace: it asks the scope without
    // logging or remembering anything, and tells the listener (the run's journal) nothing.
    void SetTrial() {
        FTrial = true;
        FListener = nullptr;
    }
    // URLs added from now on were found in the file of entry AIndex (-1: none, start pages).
    void SetLinkingEntry(int AIndex) { FLinkingEntry = AIndex; }
    // From now on every change is reported to AListener (or to none), which outlives the use.
    void SetListener(TURLListListener* AListener) { FListener = AListener; }
    // Keeps AName (a plain name) directly below AOutDir out of every output path: a URL that
    // maps to it is numbered as if a file of that name were taken. Before the first AddURL.
    void ReserveName(const QString& AOutDir, const QString& AName);

    // Index of the entry whose key equals ALoadURL ignoring ASCII case, or -1.
    int FindURL(const QString& ALoadURL) const override;
    // Index of the new or already present entry, or -1 when a suppress line matches AURL or the
    // scope refuses it.
    int AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
               const QString& AIndexFile, const QString& AOutDir, int32_t AExtractURLs,
               int32_t AURLDepth, const QStringList* ASuppressURLs,
               const QString& ALinkType) override;

    int Count() const override { return int(FEntries.size()); }
    QString URL(int AIndex) const;
    QString OutFilePath(int AIndex) const override;
    int32_t ExtractURLs(int AIndex) const { return FExtractURLsList.GetValue(AIndex); }
    int32_t URLDepth(int AIndex) const { return FURLDepthList.GetValue(AIndex); }
    int32_t RequisiteNesting(int AIndex) const override { return FNestingList.GetValue(AIndex); }
    void SetRequisiteNesting(int AIndex, int32_t ANesting) override;

    // Whether the reply may still rename the file of entry AIndex: in a complete copy, an entry
    // with a file whose URL names no file with a known extension.
    bool MayTakeServerName(int AIndex) const;
    // Gives entry AIndex the file AFileName (a plain name) in the folder of its file, numbered when
    // another path holds it. False, with nothing changed, when its file already has that name.
    bool TakeServerName(int AIndex, const QString& AFileName);

    // The path of AURL relative to the output folder, or empty when AURL lies outside AWebsiteURL.
    // A last segment equal to AIndexFile (ASCII case ignored) maps as its folder does. With
    // ACompletePages a last segment with a page or well-known file extension keeps its name,
    // a query going before the extension as "@" + query.
    static QString MakeOutFilePath(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
                                   const QString& AIndexFile, const QString& ALinkType,
                                   TPathReading AReading, bool ACompletePages = false);

    // A mapped path placed under the output folder as the table stores it.
    static QString JoinOutDir(const QString& AOutDir, const QString& APath, TPathReading AReading);

private:
    static bool IsSuppressed(const QString& AURL, const QStringList* ASuppressURLs);
    int AddEntry(TURLTag AURLTag, const QString& AURL, const QString& AKey,
                 const QString& AWebsiteURL, const QString& AIndexFile, const QString& AOutDir,
                 int32_t AExtractURLs, int32_t AURLDepth, const QString& ALinkType);
    void CheckIndex(int AIndex) const;
    void InsertIntoHash(int AIndex, uint32_t AHash);
    void GrowHash();

    // The URL, its key (the URL up to its first "#") and the output path of each entry; the
    // texts themselves live in the arena.
    // The output path is kept as one of a few folder prefixes and the rest below it.
    struct TEntryText {
        TTextArena::TSlice URL;
        TTextArena::TSlice OutFilePath;
        uint32_t KeyLength = 0;
        int32_t OutDir = -1; // index into FOutDirs, or -1
    };
    void AddOutFilePath(TEntryText& AEntry, const QString& AOutDir, const QString& APath);
    QString FreeOutFilePath(QString APath, const QString& AOutDir, uint64_t AOwner);
    QString NumberedPath(const QString& APath, qsizetype AFrom, qsizetype AEnd);

    TPathReading FPathReading;
    bool FCompletePages;
    TURLScope* FScope = nullptr;
    bool FTrial = false;
    int FLinkingEntry = -1;
    TURLListListener* FListener = nullptr;
    TUsedPaths FUsedPaths;                          // every file and folder the output paths use
    std::unordered_map<uint64_t, int> FNextNumbers; // per numbered name, the next number to try
    TTextArena FText;
    QStringList FOutDirs;
    std::vector<TEntryText> FEntries;
    TIntList FExtractURLsList;
    TIntList FURLDepthList;
    TIntList FNestingList;

    // Open-addressing hash over the case-folded keys: slot -> entry index (-1 free).
    std::vector<int32_t> FSlots;
    std::vector<uint32_t> FKeyHashes; // per entry, so growing never re-reads the keys
};

} // namespace tarrow
