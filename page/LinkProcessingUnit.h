#pragma once

#include "base/uBreakFlag.h"
#include "base/uPathUtils.h"
#include "page/uLinkTable.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace tarrow {

// What link processing needs of a project, derived once per crawl by the crawl loop.
struct TLinkProcessingSettings {
    QString WebsiteURL; // the website prefix
    bool RemoveScripts = false, RemoveNoscripts = false, RelativePathLinks = false;
    // More link-bearing tags are read, requisites are added at every depth with limit 0, and
    // local links keep their fragment.
    bool CompletePages = false;
    QString BaseURL; // "/" separators, ending with "/" unless empty
    QString IndexFile = QStringLiteral("index.html"); // never empty
    QString OutDir; // the output folder ending with the separator, or empty
    QStringList WebDocuments, WDOutFolders, WebsiteDomainAliases, SuppressURLs;
    TPathReading PathReading = NativePathReading(); // how output paths are read
    // When set, the walk stops at the next tag and the rest of the page is copied as it stands,
    // so Break acts at once even inside a page of millions of links.
    const TBreakFlag* BreakFlag = nullptr;
};

// Turns one downloaded HTML page into the copy that is saved and feeds the crawl with its links.
// The page is walked once: text between tags is appended to AOutStream as it stands; <script>
// and <noscript> elements are dropped when the settings ask for it; the link of every "a", "img",
// "link", "script" and "iframe" tag (with complete pages also frames, image maps, media, objects,
// backgrounds, SVG references and refresh targets) is resolved against APageURL without its
// fragment, added to AURLList when it belongs to the download, and rewritten to the saved copy
// (or to the absolute URL). ARequisiteNesting is the page's entry's requisite nesting (see
// TLinkTable): a page fetched as a requisite of a requisite adds no requisites. Malformed
// markup never raises: what cannot be read is copied unchanged. It logs nothing: the caller
// reports what it found.
struct TLinkProcessingResult {
    int32_t NewCount = 0; // entries this page added to the table
};
TLinkProcessingResult ProcessLinks(const QString& APageText, QString& AOutStream,
                                   TLinkTable& AURLList, const QString& APageURL,
                                   const QString& APageOutFilePath, int32_t AExtractURLs,
                                   int32_t AURLDepth, const TLinkProcessingSettings& ASettings,
                                   int32_t ARequisiteNesting = 0);

// What ProcessLinks adds to AURLList for the same page, found by the same walk and rules, with
// no copy written and no link rewritten. Each tag is read as received, so markup whose rewritten
// link would change how its later attributes read may add differently: use it where a guess at
// the links is enough (fetching ahead), never for the entries the crawl keeps.
TLinkProcessingResult ScanLinks(const QString& APageText, TLinkTable& AURLList,
                                const QString& APageURL, const QString& APageOutFilePath,
                                int32_t AExtractURLs, int32_t AURLDepth,
                                const TLinkProcessingSettings& ASettings,
                                int32_t ARequisiteNesting = 0);

// A style sheet's copy: every url() and @import resolved against ASheetURL, fetched as a
// requisite (limit 0) and rewritten to the local form seen from ASheetOutFilePath. Sheets nested
// deeper than a few levels of @import below the page add nothing more; their references are
// rewritten only to what the table already holds.
TLinkProcessingResult ProcessStyleSheet(const QString& ASheetText, QString& AOutStream,
                                        TLinkTable& AURLList, const QString& ASheetURL,
                                        const QString& ASheetOutFilePath, int32_t AURLDepth,
                                        const TLinkProcessingSettings& ASettings,
                                        int32_t ARequisiteNesting = 0);

// The log line of a page whose links were followed: "<N> new URLs extracted.".
QString NewURLsExtractedLine(int32_t ANewCount);

} // namespace tarrow
