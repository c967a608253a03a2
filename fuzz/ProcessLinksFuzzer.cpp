// Link extraction and rewriting on any page, in both path readings: it never raises or reads
// outside the page, and every output path it puts into the URL table that the crawl would accept
// lies below the output folder.
#include "engine/URLListUnit.h"
#include "fuzz/FuzzSupport.h"
#include "page/LinkProcessingUnit.h"

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

const char* const LinuxFolders[] = {"/tmp/out/Blog", "/", "", "/tmp/out/a b"};
const char* const WindowsFolders[] = {"C:\\Sites\\Blog", "C:\\", "", "\\\\srv\\share\\Blog"};

TLinkProcessingSettings MakeSettings(uint8_t AFlags, const QString& AOutFolder,
                                     const QString& ARuleFolder) {
    TLinkProcessingSettings s;
    s.WebsiteURL = QStringLiteral("http://site/blog/");
    s.RemoveScripts = AFlags & 2;
    s.RemoveNoscripts = AFlags & 4;
    s.RelativePathLinks = AFlags & 8;
    if (AFlags & 16)
        s.BaseURL = QStringLiteral("https://mirror/");
    s.OutDir = AOutFolder.isEmpty() ? QString() : AOutFolder + PathDelim(FuzzReading());
    if (s.OutDir.endsWith(QString(PathDelim(FuzzReading())) + PathDelim(FuzzReading())))
        s.OutDir.chop(1);
    s.WebDocuments = {QStringLiteral("http://site/dl/"), QStringLiteral("http://cdn/")};
    s.WDOutFolders = {ARuleFolder, QStringLiteral("media")};
    s.WebsiteDomainAliases = {QStringLiteral("www.site")};
    s.SuppressURLs = {QStringLiteral("logout")};
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    TFuzzInput in(AData, ASize);
    const uint8_t flags = in.Byte();
    FuzzReading() = (flags & 1) ? TPathReading::prWindows : TPathReading::prLinux;
    const uint8_t folderChoice = in.Byte() % 4;
    const QString outFolder = QString::fromLatin1((flags & 1) ? WindowsFolders[folderChoice]
                                                              : LinuxFolders[folderChoice]);
    QString pageURL = in.Text();
    if (pageURL.isEmpty())
        pageURL = QStringLiteral("http://site/blog/");
    const QString ruleFolder = in.Text();
    const QString page = in.RestText();

    TLinkProcessingSettings settings = MakeSettings(flags, outFolder, ruleFolder);
    settings.PathReading = FuzzReading();
    TURLList list(FuzzReading());
    list.AddURL(utA, pageURL, settings.WebsiteURL, settings.IndexFile, settings.OutDir, 3, 0,
                &settings.SuppressURLs, QString());
    const int32_t depth = (flags & 32) ? 3 : 0;
    QString out;
    ProcessLinks(page, out, list, pageURL, list.Count() > 0 ? list.OutFilePath(0) : QString(), 3,
                 depth, settings);
    // The same page once more from a page found on it: every link is then a known one.
    if (list.Count() > 1) {
        QString again;
        ProcessLinks(page, again, list, list.URL(1), list.OutFilePath(1), 3, 1, settings);
    }
    for (int i = 0; i < list.Count(); ++i) {
        QString local;
        if (!list.OutFilePath(i).isEmpty() &&
            CrawlAcceptsPath(list.OutFilePath(i), outFolder, local))
            CheckInsideOutputFolder(local, outFolder);
    }
    return 0;
}
