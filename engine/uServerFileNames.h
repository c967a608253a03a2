#pragma once

#include "page/uLinkTable.h"
#include "page/uLocalLinks.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <exception>
#include <functional>
#include <unordered_map>
#include <vector>

namespace tarrow {

class TURLList;

// The file name an "attachment" Content-Disposition value gives ("filename*" with a UTF-8 or
// ISO-8859-1 value before "filename", quoted or a token), reduced to a plain name that is safe
// inside a folder and in any link: characters a link or a file system would read specially become
// "_". Empty when there is none, or when it names a path, holds "..", a control character, starts
// with "." or has no extension.
QString DispositionFileName(QStringView AValue);

// The crawl's URL table as link processing sees it, noting which saved files link to entries
// whose file the server's reply may still rename. When one is renamed, those files get the link's
// new form, written as the rewriter writes it.
class TLinkedFiles final : public TLinkTable {
public:
    explicit TLinkedFiles(TURLList& ATable) : FTable(ATable) {}
    TLinkedFiles(const TLinkedFiles&) = delete;
    TLinkedFiles& operator=(const TLinkedFiles&) = delete;

    // Links read from now on are those of the file of entry AIndex, whose own name is settled.
    void BeginFile(int AIndex);
    // The file at ALocalPath, saved as AOutFilePath, holds the links read since BeginFile; returns
    // the entries they name, which FileRestored takes to note the same file again.
    std::vector<int> FileSaved(const QString& ALocalPath, const QString& AOutFilePath);
    void FileRestored(const QString& ALocalPath, const QString& AOutFilePath,
                      const std::vector<int>& AEntries);
    // What a failed rewrite of a saved file raised.
    using TErrorEvent = std::function<void(const std::exception&)>;
    // Entry AIndex is now saved as its table path, not AOldPath: every saved file below
    // AOutFolder that links to it is to get the new link, in the form AOptions give. A file is
    // rewritten once kRewriteBatch of its links wait, so a page linking to thousands of renamed
    // downloads is not written thousands of times.
    void Moved(int AIndex, const QString& AOldPath, const QString& AOutFolder,
               const TLocalLinkOptions& AOptions, const TErrorEvent& AOnError);
    // Rewrites every saved file whose new links still wait.
    void Flush(const QString& AOutFolder, const TErrorEvent& AOnError);
    static constexpr int kRewriteBatch = 64;

    int AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
               const QString& AIndexFile, const QString& AOutDir, int32_t AExtractURLs,
               int32_t AURLDepth, const QStringList* ASuppressURLs,
               const QString& ALinkType) override;
    int FindURL(const QString& ALoadURL) const override;
    int Count() const override;
    QString OutFilePath(int AIndex) const override;
    int32_t RequisiteNesting(int AIndex) const override;
    void SetRequisiteNesting(int AIndex, int32_t ANesting) override;

private:
    struct TSavedFile {
        QString LocalPath;
        QString OutFilePath;
        QList<QPair<QString, QString>> Waiting; // old link, new link
    };
    static void Rewrite(TSavedFile& AFile, const QString& AOutFolder, const TErrorEvent& AOnError);

    TURLList& FTable;
    int FCurrent = -1;
    mutable std::vector<int> FRead; // renamable entries linked from the current file
    std::vector<TSavedFile> FFiles;
    std::unordered_map<int, std::vector<int32_t>> FLinkedFrom; // entry -> indexes into FFiles
    std::vector<int32_t> FWaiting;                             // files with waiting links
};

// AContent with every whole occurrence of the link AOld (as any attribute quoting writes it)
// replaced by ANew: an occurrence counts only between the characters that can delimit a link.
QByteArray ReplaceLinkText(QByteArray AContent, const QString& AOld, const QString& ANew);

} // namespace tarrow
