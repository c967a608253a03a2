#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace tarrow {

// The kind of element a URL came from; only the output-path mapping reads it.
enum TURLTag : uint8_t { utUndefined, utA, utImg, utLink, utScript, utNoscript, utIFrame };

// What link processing needs of the crawl's URL table: add a link, find one, and read the file a
// known URL is saved as. The engine's table implements it; tests can use a plain one.
class TLinkTable {
public:
    virtual ~TLinkTable() = default;

    // Index of the new or already present entry for AURL (compared without its fragment, ASCII
    // letters ignoring case), or -1 when a suppress line matches AURL.
    virtual int AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
                       const QString& AIndexFile, const QString& AOutDir, int32_t AExtractURLs,
                       int32_t AURLDepth, const QStringList* ASuppressURLs,
                       const QString& ALinkType) = 0;
    // Index of the entry whose key equals ALoadURL ignoring ASCII case, or -1.
    virtual int FindURL(const QString& ALoadURL) const = 0;
    virtual int Count() const = 0;
    // The entry's absolute output file path; empty when the URL has none.
    virtual QString OutFilePath(int AIndex) const = 0;
    // How many requisite steps lie between the entry and the followed page that led to it: 0 for
    // a page whose links are followed, 1 for its images, sheets and frames, 2 for what a sheet
    // imports... It bounds what requisites fetched past the depth limit bring in turn.
    virtual int32_t RequisiteNesting(int AIndex) const = 0;
    virtual void SetRequisiteNesting(int AIndex, int32_t ANesting) = 0;
};

} // namespace tarrow
