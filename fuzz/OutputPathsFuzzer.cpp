// URLs to output paths and the one containment check, in both path readings: whatever URL, link
// type or stored path comes in, a path the crawl accepts lies below the output folder (inside the
// current folder when there is none) after normalising.
#include "engine/URLListUnit.h"
#include "fuzz/FuzzSupport.h"

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

const char* const LinuxFolders[] = {"/tmp/out/Blog", "/", "", "/tmp/out/a b", "rel/out"};
const char* const WindowsFolders[] = {"C:\\Sites\\Blog", "C:\\", "", "\\\\srv\\share\\Blog",
                                      "C:/Mixed/Seps"};

void CheckAccepted(const QString& AOutFilePath, const QString& AOutFolder) {
    QString local;
    if (CrawlAcceptsPath(AOutFilePath, AOutFolder, local))
        CheckInsideOutputFolder(local, AOutFolder);
}

// A folder as the run driver can pass it: in the Windows reading a drive path, or a network
// path with server and share, and no ":" past the drive; any text in the Linux reading.
bool IsPlausibleFolder(const QString& AFolder) {
    if (AFolder.isEmpty() || FuzzReading() == TPathReading::prLinux)
        return true;
    if (AFolder.indexOf(u':', 2) >= 0)
        return false;
    if (AFolder.size() >= 3 && AFolder[1] == u':' && AFolder[2] == u'\\')
        return true;
    if (!AFolder.startsWith(QLatin1String("\\\\")))
        return false;
    const qsizetype share = AFolder.indexOf(u'\\', 2);
    return share > 2 && share + 1 < AFolder.size() && AFolder[share + 1] != u'\\';
}

void CheckNormalize(const QString& APath) {
    QString once;
    if (!NormalizeLocalPath(APath, once, FuzzReading()))
        return;
    QString twice;
    FUZZ_CHECK(NormalizeLocalPath(once, twice, FuzzReading()) && twice == once,
               QStringLiteral("\"%1\" -> \"%2\" -> \"%3\"").arg(APath, once, twice));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    TFuzzInput in(AData, ASize);
    const uint8_t flags = in.Byte();
    const bool windows = flags & 1;
    FuzzReading() = windows ? TPathReading::prWindows : TPathReading::prLinux;
    const auto tag = TURLTag((flags >> 1) % 7);
    const uint8_t folderChoice = in.Byte();
    const QString link = in.Text();
    const QString pageURL = in.Text();
    const QString websiteURL = in.Text();
    const QString indexFile = in.Text();
    const QString linkType = in.Text();
    const QString storedPath = in.Text();
    const QString fuzzedFolder = in.Text();

    // The output folder as the run driver passes it: the reading's separators, no trailing one.
    QString outFolder = folderChoice < 200
                            ? QString::fromLatin1(windows ? WindowsFolders[folderChoice % 5]
                                                          : LinuxFolders[folderChoice % 5])
                            : fuzzedFolder;
    outFolder = ToReadingSeparators(outFolder, FuzzReading());
    if (outFolder.size() > 1 && outFolder.endsWith(PathDelim(FuzzReading())))
        outFolder.chop(1);
    if (!IsPlausibleFolder(outFolder))
        return 0;
    QString outDir = outFolder;
    if (!outDir.isEmpty() && !outDir.endsWith(PathDelim(FuzzReading())))
        outDir.append(PathDelim(FuzzReading()));

    const QString url = ResolveURL(link, pageURL);
    RemoveURLFragment(url);
    const QString mapped = TURLList::MakeOutFilePath(
        tag, url, websiteURL, indexFile.isEmpty() ? QStringLiteral("index.html") : indexFile,
        linkType, FuzzReading());
    const QString joined = TURLList::JoinOutDir(outDir, mapped, FuzzReading());
    CheckAccepted(joined, outFolder);
    // A redirect completes a path with the index file name.
    CheckAccepted(joined + PathDelim(FuzzReading()) + indexFile, outFolder);
    CheckAccepted(storedPath, outFolder);
    CheckNormalize(storedPath);
    CheckNormalize(ExpandPath(PercentDecodePath(storedPath), outFolder, FuzzReading()));
    return 0;
}
