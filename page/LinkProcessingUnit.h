#pragma once

#include "engine/URLListUnit.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace tarrow {

class TTarrowThread;

// What link processing needs of a project, derived once per crawl by the crawl loop.
struct TLinkProcessingSettings {
    QString WebsiteURL; // the website prefix
    bool RemoveScripts = false, RemoveNoscripts = false, RelativePathLinks = false;
    QString BaseURL; // "/" separators, ending with "/" unless empty
    QString IndexFile = QStringLiteral("index.html"); // never empty
    QString OutDir; // the output folder ending with the separator, or empty
    QStringList WebDocuments, WDOutFolders, WebsiteDomainAliases, SuppressURLs;
};

// Turns one downloaded HTML page into the copy that is saved and feeds the crawl with its links.
// The page is walked once: text between tags is appended to AOutStream as it stands; <script>
// and <noscript> elements are dropped when the settings ask for it; the link of every "a", "img",
// "link", "script" and "iframe" tag is resolved against APageURL, added to AURLList when it
// belongs to the download, and rewritten to the saved copy (or to the absolute URL). Malformed
// markup never raises: what cannot be read is copied unchanged. When AURLDepth < AExtractURLs,
// AThread (if any) logs "<N> new URLs extracted.".
void ProcessLinks(const QString& APageText, QString& AOutStream, TURLList& AURLList,
                  const QString& APageURL, const QString& APageOutFilePath, int32_t AExtractURLs,
                  int32_t AURLDepth, const TLinkProcessingSettings& ASettings,
                  TTarrowThread* AThread);

} // namespace tarrow
