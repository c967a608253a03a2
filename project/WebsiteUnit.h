#pragma once

#include "base/uIntList.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tarrow {

class TVHashedStringList;

// What to do with a file that already exists when it is to be written.
enum TOverwriteFile : uint8_t { ofNone, ofAll, ofChanged };

struct TProjectKey;
struct TProjectEntries;

// One website to load: a plain value. A fresh project holds the values after Clear; copies are
// deep. FWPExtractURLs, FWDOutFolders and FReplaceRules run parallel to FWebPages, FWebDocuments
// and FReplacePatterns. Visible is changed only by the project list.
class TWebsiteProject final {
public:
    TWebsiteProject() = default;
    // A copy of AProject (check mark and visibility included), or a fresh project for nullptr.
    explicit TWebsiteProject(const TWebsiteProject* AProject);

    void Clear() { *this = TWebsiteProject(); }
    // Copies every field; this project keeps its own lists.
    void Assign(const TWebsiteProject& AProject) { *this = AProject; }
    bool operator==(const TWebsiteProject&) const = default;

    // What the editor's "Add New Project" starts from: a cleared project with each key's
    // new-project value, in the group AGroupName.
    static TWebsiteProject NewProject(const QString& AGroupName);

    // The settings keys of a project, in the order of the file's lines: the single values, then
    // the numbered lists.
    static std::span<const TProjectKey> Keys();
    static std::span<const TProjectEntries> EntryKeys();

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
    // robots.txt is read and obeyed for every host the project requests from.
    bool Robots() const { return FRobots; }
    void SetRobots(bool AValue) { FRobots = AValue; }
    // The pause between the starts of two requests to one host, in milliseconds, 0 to
    // kWaitMsMax; each pause is jittered by up to half of it either way.
    static constexpr int kWaitMsMax = 3600 * 1000;
    int WaitMs() const { return FWaitMs; }
    // Clamped to 0 .. kWaitMsMax.
    void SetWaitMs(int AValue);
    // Sent instead of the built-in browser user agent when not empty.
    const QString& UserAgent() const { return FUserAgent; }
    void SetUserAgent(const QString& AValue) { FUserAgent = AValue; }
    // "Name: value" lines added to every request (see RequestHeaderProblem).
    QStringList& RequestHeaders() { return FRequestHeaders; }
    const QStringList& RequestHeaders() const { return FRequestHeaders; }
    // Only failures another attempt can change are retried; others fail at once.
    bool RetryTransientOnly() const { return FRetryTransientOnly; }
    void SetRetryTransientOnly(bool AValue) { FRetryTransientOnly = AValue; }
    // Server certificates are checked and TLS below 1.2 is refused.
    bool VerifyTLS() const { return FVerifyTLS; }
    void SetVerifyTLS(bool AValue) { FVerifyTLS = AValue; }
    // A journal of the run in the output folder, so an interrupted run can be continued.
    bool Journal() const { return FJournal; }
    void SetJournal(bool AValue) { FJournal = AValue; }
    // With a journal: a file the journal's run saved is asked for only if it has changed since.
    bool ConditionalGet() const { return FConditionalGet; }
    void SetConditionalGet(bool AValue) { FConditionalGet = AValue; }
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

    // Patterns matched against the whole URL: a URL is taken when it matches an include (or
    // there is none) and no exclude.
    QStringList& IncludePatterns() { return FIncludePatterns; }
    const QStringList& IncludePatterns() const { return FIncludePatterns; }
    QStringList& ExcludePatterns() { return FExcludePatterns; }
    const QStringList& ExcludePatterns() const { return FExcludePatterns; }
    // Very long, deeply nested and self-repeating URLs are skipped.
    bool TrapGuard() const { return FTrapGuard; }
    void SetTrapGuard(bool AValue) { FTrapGuard = AValue; }
    // ";"-separated query parameter names, "*" matching any text, removed from every URL.
    const QString& DropQueryParams() const { return FDropQueryParams; }
    void SetDropQueryParams(const QString& AValue) { FDropQueryParams = AValue; }
    // Limits of one run of the project; 0 for none.
    int MaxFiles() const { return FMaxFiles; }
    void SetMaxFiles(int AValue) { FMaxFiles = std::max(AValue, 0); }
    int MaxBytesMB() const { return FMaxBytesMB; }
    void SetMaxBytesMB(int AValue) { FMaxBytesMB = std::max(AValue, 0); }
    // A cookies file in the Netscape format, read at the start of each run and never written.
    const QString& CookiesFile() const { return FCookiesFile; }
    void SetCookiesFile(const QString& AValue) { FCookiesFile = AValue; }
    // Where each run writes what went over the wire as a WARC file (the output folder's tags
    // allowed); none when empty.
    const QString& WarcFile() const { return FWarcFile; }
    void SetWarcFile(const QString& AValue) { FWarcFile = AValue; }
    int MaxSeconds() const { return FMaxSeconds; }
    void SetMaxSeconds(int AValue) { FMaxSeconds = std::max(AValue, 0); }
    // The pages that the site's sitemaps list inside the website prefix are start pages too.
    bool Sitemaps() const { return FSitemaps; }
    void SetSitemaps(bool AValue) { FSitemaps = AValue; }

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
    bool FRobots = false;
    int FWaitMs = 0;
    QString FUserAgent;
    QStringList FRequestHeaders;
    bool FRetryTransientOnly = false;
    bool FVerifyTLS = false;
    bool FJournal = false;
    bool FConditionalGet = false;
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
    QStringList FIncludePatterns;
    QStringList FExcludePatterns;
    bool FTrapGuard = false;
    QString FDropQueryParams;
    int FMaxFiles = 0;
    int FMaxBytesMB = 0;
    int FMaxSeconds = 0;
    QString FCookiesFile;
    bool FSitemaps = false;
    QString FWarcFile;
};

// One single-valued key of a project. A missing key reads as an empty text, which gives the
// value of a cleared project.
struct TProjectKey {
    const char* Name;
    // The value's text as written; an empty text writes no line.
    QString (*Write)(const TWebsiteProject& AProject);
    void (*Read)(TWebsiteProject& AProject, const QString& AText);
    // The text "Add New Project" starts from; nullptr keeps the cleared value.
    const char* NewProjectText = nullptr;
    // No line while the value is a cleared project's, so files from before the key read and
    // write as they were.
    bool OnlyWhenSet = false;
};

// A numbered list of a project: Name<n> (n from 1), its partner Partner<n> at the same index
// when there is one, and the count under Count. An empty entry is not written and its partner
// goes with it; an empty or missing entry is skipped when read.
struct TProjectEntries {
    const char* Count;
    const char* Name;
    const char* Partner;
    qsizetype (*Size)(const TWebsiteProject& AProject);
    QString (*Entry)(const TWebsiteProject& AProject, qsizetype AIndex);
    // The partner's text of entry AIndex; a partner list that fell short gives its empty value.
    QString (*PartnerText)(const TWebsiteProject& AProject, qsizetype AIndex);
    void (*Clear)(TWebsiteProject& AProject);
    // Appends an entry read from a file with its partner's text (empty without a partner).
    void (*Add)(TWebsiteProject& AProject, const QString& AEntry, const QString& APartnerText);
    // No count line while the list is empty, so files from before the list read and write as
    // they were.
    bool OnlyWhenSet = false;
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
