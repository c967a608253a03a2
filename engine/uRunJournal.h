#pragma once

#include "base/uExceptions.h"
#include "base/uRunContext.h"
#include "engine/URLListUnit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace tarrow {

class TWebsiteProject;

// The folder below an output folder that holds the journals; the copy never uses its name.
inline constexpr char kJournalFolder[] = ".tarrow";

// The journal file of AProject in AOutFolder (expanded, without a trailing separator): one per
// project, named by a digest of the project's name, so projects sharing a folder do not mix.
QString RunJournalPath(const QString& AOutFolder, const QString& AProjectName);
// Whether AProject has a journal in AOutFolder that a run can continue: readable, of this
// version and of the project's settings as they are now, and not marked complete.
bool HasUnfinishedJournal(const QString& AOutFolder, const TWebsiteProject& AProject);

// A journal that reads but does not rebuild the table it describes; raised before anything is
// fetched, so the run can start over.
class EJournalMismatch final : public Exception {
public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("EJournalMismatch"); }
};

// One line of a journal, read back: its kind and its fields, the first an entry's index.
//   U index tag extract depth url website index-file out-dir link-type: AddURL added an entry
//   N index nesting: an entry's requisite nesting changed
//   R index file-name: an entry took the name its reply gave
//   L index local-path out-path entry...: a saved file links to entries that may be renamed
//   S index: entry index is about to write its file
//   D index downloaded existed not-changed empty failed skipped received: entry index is done
//   V index url etag last-modified disposition content-type local-path out-path size mtime
//     extract depth nesting: how the reply to url (as requested) was saved
//   P index url call...: the calls the page's links made on the table (A tag extract depth url
//     website index-file out-dir link-type found out-path, F url found out-path, N nesting)
//   C: the run ended on its own
// The first line is "tarrow-journal", the version and the project's fingerprint; every line
// ends with the FNV-1a digest of the rest as eight hexadecimal digits.
struct TJournalRecord {
    char Kind = 0;
    QStringList Fields;
};

// How a run saved a URL's reply: its validators and what its file depended on.
struct TSavedReply {
    QString ETag;
    QString LastModified;
    QString Disposition; // the reply's Content-Disposition, which may have named the file
    QString ContentType; // media type
    QString LocalPath;
    QString OutFilePath;
    qint64 Size = -1; // of the file once the entry was done
    qint64 ModifiedMs = 0;
    int32_t ExtractURLs = 0;
    int32_t URLDepth = 0;
    int32_t Nesting = 0;
};

// One call that processing a page's links made on the URL table, and what it found.
struct TLinkCall {
    char Kind = 'A'; // 'A' AddURL, 'F' FindURL, 'N' SetRequisiteNesting of the last entry found
    TURLTag Tag = utUndefined;
    int32_t ExtractURLs = 0; // 'N': the nesting
    int32_t URLDepth = 0;
    QString URL;
    QString WebsiteURL;
    QString IndexFile;
    QString OutDir;
    QString LinkType;
    bool Found = false;  // an entry of the table...
    QString OutFilePath; // ...saved as this then
};

// The journal of one project's run: appends what the crawl needs to rebuild its URL table and
// counts, one checked line at a time. Lines are handed to the system after every entry, so a
// killed process loses nothing done; they reach the disk at least every kSyncMs. A journal that
// cannot be written is reported once and the run goes on without it. Not thread safe.
class TRunJournal final : public TURLListListener {
public:
    static constexpr int kVersion = 1;
    static constexpr qint64 kSyncMs = 2000;

    TRunJournal(const QString& AOutFolder, const TWebsiteProject& AProject,
                const TRunContext& AContext);
    TRunJournal(const TRunJournal&) = delete;
    TRunJournal& operator=(const TRunJournal&) = delete;
    ~TRunJournal() override;

    // Opens the journal for writing. A fresh journal of a project that asks conditionally keeps
    // the one it replaces beside it, to read what its run saved. With AContinue an unfinished
    // journal is read first: its records up to its last finished entry are kept for the crawl to
    // replay, and what follows them is cut off. A damaged journal is reported in one line and the
    // run starts over.
    void Open(bool AContinue);
    // The replay failed after all: the run starts over with a fresh journal.
    void StartOver(const QString& AReason);
    // The records to replay, empty when the run starts over; released by ReleaseRecords.
    const std::vector<TJournalRecord>& Records() const { return FRecords; }
    void ReleaseRecords() { std::vector<TJournalRecord>().swap(FRecords); }

    void URLAdded(int AIndex, TURLTag ATag, const QString& AURL, int32_t AExtractURLs,
                  int32_t AURLDepth, const QString& AWebsiteURL, const QString& AIndexFile,
                  const QString& AOutDir, const QString& ALinkType) override;
    void NestingSet(int AIndex, int32_t ANesting) override;
    void ServerNameTaken(int AIndex, const QString& AFileName) override;
    void FileLinks(int AIndex, const QString& ALocalPath, const QString& AOutFilePath,
                   const std::vector<int>& AEntries);
    void SavingFile(int AIndex);
    // Entry AIndex, requested as AURL, was saved from AReply; a page's links made ACalls.
    void SavedReply(int AIndex, const QString& AURL, const TSavedReply& AReply,
                    const std::vector<TLinkCall>& ACalls);
    // What the previous run saved of the reply to AURL (as requested), or null.
    const TSavedReply* PreviousReply(const QString& AURL) const;
    // The calls the previous run's processing of AURL's page made; false when they cannot be read.
    bool PreviousLinks(const QString& AURL, std::vector<TLinkCall>& ACalls);
    // Entry AIndex is done; ACounts are the run's counts after it.
    void EntryDone(int AIndex, const std::vector<qint64>& ACounts);
    // The run ended on its own (not by Break): the journal is complete and is never continued.
    void Complete();

    // The damage of AData as a journal of AFingerprint, or empty when it reads; ARecords gets
    // every record up to the last finished entry, AKeep the size of the text that holds them,
    // AComplete whether the journal is marked complete.
    static QString Read(const QByteArray& AData, const QString& AFingerprint,
                        std::vector<TJournalRecord>& ARecords, qsizetype& AKeep, bool& AComplete);
    // What the journal's header says of the project: its settings as they shape the run.
    static QString Fingerprint(const TWebsiteProject& AProject, const QString& AOutFolder);

private:
    void Append(std::initializer_list<QString> AFields);
    void AddLine(const QByteArray& ALine);
    void Write(bool ASync);
    void Fail(const QString& AError);
    bool CreateFresh();
    void KeepPrevious();
    void ReadPrevious();

    struct TPrevious {
        TSavedReply Reply;
        qint64 LinksAt = -1; // the P line in the previous journal
        qint64 LinksSize = 0;
    };

    QString FOutFolder;
    QString FPath;
    QString FFingerprint;
    const TRunContext& FContext;
    QFile FFile;
    bool FBroken = false;
    QByteArray FPending;
    bool FUnsynced = false; // written since the last sync
    QStringList FLastAdded; // the previous U line's fields, for the "same as before" mark
    QElapsedTimer FSinceSync;
    std::vector<TJournalRecord> FRecords;
    bool FConditional;
    QFile FPreviousFile;
    QHash<QString, TPrevious> FPrevious; // by requested URL
};

} // namespace tarrow
