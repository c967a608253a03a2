#pragma once
// What the crawl and fault suites share: a project of the program's defaults on a site, and the
// summary line a crawl ends with.

#include "project/WebsiteUnit.h"

#include <QString>
#include <memory>

namespace tarrow::test {

// A project on AWebsiteURL saved under {OutDir}/{ProjectName}, overwriting all files, with
// relative links, checked.
inline std::unique_ptr<TWebsiteProject> MakeProject(const QString& AWebsiteURL,
                                                    const QString& AName = QStringLiteral("Blog")) {
    auto project = std::make_unique<TWebsiteProject>();
    project->SetProjectName(AName);
    project->SetWebsiteURL(AWebsiteURL);
    project->SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    project->SetIndexFile(QStringLiteral("index.html"));
    project->SetOverwrite(ofAll);
    project->SetRelativePathLinks(true);
    project->SetChecked(true);
    return project;
}

inline void AddStartPage(TWebsiteProject& AProject, const QString& AURL, int32_t ADepth) {
    AProject.WebPages().append(AURL);
    AProject.WPExtractURLs().Add(ADepth);
}

inline QString Summary(int ADownloaded, int AExisted, int ANotChanged, int AEmpty, int AFailed) {
    return QStringLiteral("Downloaded: %1, already existed: %2, not changed: %3, empty: %4, "
                          "failed: %5.")
        .arg(ADownloaded)
        .arg(AExisted)
        .arg(ANotChanged)
        .arg(AEmpty)
        .arg(AFailed);
}

} // namespace tarrow::test
