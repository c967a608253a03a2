// The command-line reader on any arguments (NUL-separated fields): it never crashes, an argument
// it does not know is always an error, what it accepts as a web address is http or https, and
// every project option it accepted applies to a project.
#include "engine/CommandLineUnit.h"
#include "fuzz/FuzzSupport.h"
#include "project/WebsiteUnit.h"

using namespace tarrow;
using namespace tarrow::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    const QByteArray data(reinterpret_cast<const char*>(AData),
                          qsizetype(std::min<size_t>(ASize, 8192)));
    QStringList arguments{QStringLiteral("tarrow-cli")};
    for (const QByteArray& field : data.split('\0').mid(0, 64))
        arguments.append(QString::fromUtf8(field));
    const TCommandLine line = ParseCommandLine(arguments);
    const QString shown = arguments.join(QStringLiteral(" | "));
    FUZZ_CHECK(line.Unknown.isEmpty() || !line.Error.isEmpty(), shown);
    if (!line.Error.isEmpty())
        return 0;
    for (const QString& url : line.URLs)
        FUZZ_CHECK(url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
                       url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive),
                   shown + QStringLiteral(" -> ") + url);
    FUZZ_CHECK(line.Connections >= 0 && line.Connections <= TWebsiteProject::kConnectionsMax,
               shown);
    FUZZ_CHECK(line.SaveProject.isEmpty() || line.URLs.size() == 1, shown);
    TWebsiteProject project = TWebsiteProject::NewProject(QString());
    project.SetWebsiteURL(QStringLiteral("http://h.example/"));
    ApplyProjectOptions(line.ProjectOptions, project);
    FUZZ_CHECK(project.WebPages().size() == project.WPExtractURLs().Count(), shown);
    FUZZ_CHECK(project.ReplacePatterns().size() == project.ReplaceRules().size(), shown);
    FUZZ_CHECK(project.WebDocuments().size() == project.WDOutFolders().size(), shown);
    return 0;
}
