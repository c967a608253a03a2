#pragma once

#include "base/uIntList.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace tarrow {

class TVHashedStringList;

// What to do with a file that already exists when it is to be written.
enum TOverwriteFile : uint8_t { ofNone, ofAll, ofChanged };

// One website to load: a plain record that copies, resets and stores itself. The eight lists are
// the project's own; FWPExtractURLs, FWDOutFolders and FReplaceRules run parallel to FWebPages,
// FWebDocuments and FReplacePatterns. Visible is changed only by the project list.
class TWebsiteProject final {
public:
    TWebsiteProject() { Clear(); }
    // A copy of AProject (check mark and visibility included), or a fresh project for nullptr.
    explicit TWebsiteProject(const TWebsiteProject* AProject);
    TWebsiteProject(const TWebsiteProject&) = delete;
    TWebsiteProject& operator=(const TWebsiteProject&) = delete;

    void Clear();
    // Deep copy of every field; this project keeps its own lists.
    void Assign(const TWebsiteProject& AProject);

    const QString& ProjectName() const { return FProjectName; }
    void SetProjectName(const QString& AValue) { FProjectName = AValue; }
    const QString& GroupName() const { return FGroupName; }
    void SetGroupName(const QString& AValue) { FGroupName = AValue; }
    const QString& WebsiteURL() const { return FWebsiteURL; }
    void SetWebsiteURL(const QString& AValue) { FWebsiteURL = AValue; }
    const QString& OutputFolder() const { return FOutputFolder; }
    void SetOutputFolder(const QString& AValue) { FOutputFolder = AValue; }
    TOverwriteFile Overwrite() const { return FOverwrite; }
    void SetOverwrite(TOverwriteFile AValue) { FOverwrite = AValue; }
    bool RemoveScripts() const { return FRemoveScripts; }
    void SetRemoveScripts(bool AValue) { FRemoveScripts = AValue; }
    bool RemoveNoscripts() const { return FRemoveNoscripts; }
    void SetRemoveNoscripts(bool AValue) { FRemoveNoscripts = AValue; }
    bool RelativePathLinks() const { return FRelativePathLinks; }
    void SetRelativePathLinks(bool AValue) { FRelativePathLinks = AValue; }
    // Style sheets, responsive images and media are fetched too, and files keep their names.
    bool CompletePages() const { return FCompletePages; }
    void SetCompletePages(bool AValue) { FCompletePages = AValue; }
    const QString& BaseURL() const { return FBaseURL; }
    void SetBaseURL(const QString& AValue) { FBaseURL = AValue; }
    const QString& IndexFile() const { return FIndexFile; }
    void SetIndexFile(const QString& AValue) { FIndexFile = AValue; }
    // Transfers at once while the project loads, kConnectionsMin .. kConnectionsMax.
    static constexpr int kConnectionsMin = 1;
    static constexpr int kConnectionsMax = 16;
    int Connections() const { return FConnections; }
    // Clamped to kConnectionsMin .. kConnectionsMax.
    void SetConnections(int AValue);
    bool Checked() const { return FChecked; }
    void SetChecked(bool AValue) { FChecked = AValue; }
    bool Visible() const { return FVisible; }

    QStringList& WebPages() { return FWebPages; }
    const QStringList& WebPages() const { return FWebPages; }
    TIntList& WPExtractURLs() { return FWPExtractURLs; }
    const TIntList& WPExtractURLs() const { return FWPExtractURLs; }
    QStringList& WebDocuments() { return FWebDocuments; }
    const QStringList& WebDocuments() const { return FWebDocuments; }
    QStringList& WDOutFolders() { return FWDOutFolders; }
    const QStringList& WDOutFolders() const { return FWDOutFolders; }
    QStringList& ReplacePatterns() { return FReplacePatterns; }
    const QStringList& ReplacePatterns() const { return FReplacePatterns; }
    QStringList& ReplaceRules() { return FReplaceRules; }
    const QStringList& ReplaceRules() const { return FReplaceRules; }
    QStringList& WebsiteDomainAliases() { return FWebsiteDomainAliases; }
    const QStringList& WebsiteDomainAliases() const { return FWebsiteDomainAliases; }
    QStringList& SuppressURLs() { return FSuppressURLs; }
    const QStringList& SuppressURLs() const { return FSuppressURLs; }

    // The non-empty aliases joined by ";".
    QString DomainAliasesString() const;
    // The aliases become the pieces of AValue cut at ";", trimmed, empty pieces dropped.
    void SetDomainAliasesString(const QString& AValue);

    // Fills the project from the keys under AP; false (project unchanged) when the list holds no
    // non-empty project name there.
    bool LoadFromList(const TVHashedStringList& ALst, const QString& AP);
    void SaveToList(TVHashedStringList& ALst, const QString& AP) const;

private:
    friend class TWebsiteProjectList;
    void SetVisible(bool AValue) { FVisible = AValue; }
    void LoadPairs(const TVHashedStringList& ALst, const QString& AP);

    QString FProjectName;
    QString FGroupName;
    QString FWebsiteURL;
    QString FOutputFolder;
    TOverwriteFile FOverwrite = ofNone;
    bool FRemoveScripts = false;
    bool FRemoveNoscripts = false;
    bool FRelativePathLinks = false;
    bool FCompletePages = false;
    QString FBaseURL;
    QString FIndexFile;
    int FConnections = kConnectionsMin;
    bool FChecked = false;
    bool FVisible = true;
    QStringList FWebPages;
    TIntList FWPExtractURLs;
    QStringList FWebDocuments;
    QStringList FWDOutFolders;
    QStringList FReplacePatterns;
    QStringList FReplaceRules;
    QStringList FWebsiteDomainAliases;
    QStringList FSuppressURLs;
};

// All projects in list order (the saved order) and the visible ones in the order the window
// shows them. The list owns its projects; the visible list only points into it.
class TWebsiteProjectList final {
public:
    TWebsiteProjectList() = default;
    TWebsiteProjectList(const TWebsiteProjectList&) = delete;
    TWebsiteProjectList& operator=(const TWebsiteProjectList&) = delete;

    int Count() const { return int(FList.size()); }
    int VisibleCount() const { return int(FVisibleList.size()); }
    int CheckedVisibleCount() const;
    // A bad index raises the list's index error.
    TWebsiteProject* GetProject(int I) const;
    TWebsiteProject* GetVisibleProject(int I) const;

    // Takes ownership; returns the index in the full list (-1 for nullptr, which is not added).
    int AddProject(std::unique_ptr<TWebsiteProject> AProject);
    TWebsiteProject* FindProject(const QString& AProjectName) const;
    // True when AProject was in the list: it is freed and ANewProject taken over. On false
    // nothing changes and ANewProject stays with the caller.
    bool ReplaceProject(TWebsiteProject* AProject, std::unique_ptr<TWebsiteProject>& ANewProject);
    void RemoveProject(TWebsiteProject* AProject);
    void MoveProject(TWebsiteProject* AProject, TWebsiteProject* AToProject);
    void CheckAll();
    void UnCheckAll();
    void SetProjectVisibility(TWebsiteProject* AProject, bool AVisible);
    // Appends each non-empty group name that ALst does not hold yet (compared with ACase).
    void FillListOfGroups(QStringList& ALst, Qt::CaseSensitivity ACase = Qt::CaseSensitive) const;

    // Appends the projects stored under APrefix; the list is not emptied first.
    void LoadFromList(const TVHashedStringList& ALst, const QString& APrefix);
    void SaveToList(TVHashedStringList& ALst, const QString& APrefix) const;

    // Makes this list a deep copy of ASource: copies of all projects, the same full and visible
    // orders, the same check marks. A run works on such a copy.
    void Assign(const TWebsiteProjectList& ASource);
    std::unique_ptr<TWebsiteProjectList> Clone() const;
    void Clear();

private:
    qsizetype IndexOf(const TWebsiteProject* AProject) const;
    qsizetype VisibleIndexOf(const TWebsiteProject* AProject) const;

    std::vector<std::unique_ptr<TWebsiteProject>> FList;
    std::vector<TWebsiteProject*> FVisibleList;
};

} // namespace tarrow
