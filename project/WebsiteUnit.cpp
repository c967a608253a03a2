#include "project/WebsiteUnit.h"

#include "base/uExceptions.h"
#include "base/uStrUtils.h"
#include "base/uVersion.h"
#include "project/VHashedStringList.h"
#include "project/uSettingsKeys.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace tarrow {

TWebsiteProject::TWebsiteProject(const TWebsiteProject* AProject) {
    if (AProject != nullptr)
        *this = *AProject;
}

QString TWebsiteProject::DomainAliasesString() const {
    QString result;
    for (const QString& alias : FWebsiteDomainAliases) {
        if (alias.isEmpty())
            continue;
        if (!result.isEmpty())
            result.append(u';');
        result.append(alias);
    }
    return result;
}

void TWebsiteProject::SetDomainAliasesString(const QString& AValue) {
    FWebsiteDomainAliases.clear();
    for (QStringView piece : QStringView(AValue).split(u';')) {
        while (!piece.isEmpty() && piece.front().unicode() <= 32)
            piece = piece.mid(1);
        while (!piece.isEmpty() && piece.back().unicode() <= 32)
            piece.chop(1);
        if (!piece.isEmpty())
            FWebsiteDomainAliases.append(piece.toString());
    }
}

// ---------------------------------------------------------------------------------------------

qsizetype TWebsiteProjectList::IndexOf(const TWebsiteProject* AProject) const {
    auto it = std::find_if(FList.begin(), FList.end(),
                           [AProject](const auto& p) { return p.get() == AProject; });
    return it == FList.end() ? -1 : it - FList.begin();
}

qsizetype TWebsiteProjectList::VisibleIndexOf(const TWebsiteProject* AProject) const {
    auto it = std::find(FVisibleList.begin(), FVisibleList.end(), AProject);
    return it == FVisibleList.end() ? -1 : it - FVisibleList.begin();
}

int TWebsiteProjectList::CheckedVisibleCount() const {
    return int(std::count_if(FVisibleList.begin(), FVisibleList.end(),
                             [](const TWebsiteProject* p) { return p->Checked(); }));
}

TWebsiteProject* TWebsiteProjectList::GetProject(int I) const {
    if (I < 0 || I >= Count())
        RaiseListIndexError(I);
    return FList[size_t(I)].get();
}

TWebsiteProject* TWebsiteProjectList::GetVisibleProject(int I) const {
    if (I < 0 || I >= VisibleCount())
        RaiseListIndexError(I);
    return FVisibleList[size_t(I)];
}

int TWebsiteProjectList::AddProject(std::unique_ptr<TWebsiteProject> AProject) {
    if (!AProject)
        return -1;
    TWebsiteProject* project = AProject.get();
    FList.push_back(std::move(AProject));
    if (project->Visible())
        FVisibleList.push_back(project);
    return Count() - 1;
}

TWebsiteProject* TWebsiteProjectList::FindProject(const QString& AProjectName) const {
    for (const auto& p : FList)
        if (p->ProjectName() == AProjectName)
            return p.get();
    return nullptr;
}

bool TWebsiteProjectList::ReplaceProject(TWebsiteProject* AProject,
                                         std::unique_ptr<TWebsiteProject>& ANewProject) {
    const qsizetype index = IndexOf(AProject);
    if (index < 0 || !ANewProject)
        return false;
    qsizetype slot = AProject->Visible() ? VisibleIndexOf(AProject) : -1;
    if (slot >= 0)
        FVisibleList.erase(FVisibleList.begin() + slot);
    else
        slot = qsizetype(FVisibleList.size());
    TWebsiteProject* project = ANewProject.get();
    FList[size_t(index)] = std::move(ANewProject);
    if (project->Visible())
        FVisibleList.insert(FVisibleList.begin() + slot, project);
    return true;
}

void TWebsiteProjectList::RemoveProject(TWebsiteProject* AProject) {
    const qsizetype index = IndexOf(AProject);
    if (index < 0)
        return;
    const qsizetype visibleIndex = VisibleIndexOf(AProject);
    if (visibleIndex >= 0)
        FVisibleList.erase(FVisibleList.begin() + visibleIndex);
    FList.erase(FList.begin() + index);
}

namespace {

// Takes the entry at ACur out and inserts it so that it ends up at ANew.
template <class V> void MoveEntry(V& AList, qsizetype ACur, qsizetype ANew) {
    auto first = AList.begin();
    if (ACur < ANew)
        std::rotate(first + ACur, first + ACur + 1, first + ANew + 1);
    else
        std::rotate(first + ANew, first + ACur, first + ACur + 1);
}

} // namespace

void TWebsiteProjectList::MoveProject(TWebsiteProject* AProject, TWebsiteProject* AToProject) {
    const qsizetype cur = IndexOf(AProject);
    const qsizetype target = IndexOf(AToProject);
    if (cur < 0 || target < 0 || cur == target)
        return;
    MoveEntry(FList, cur, target);
    if (!AProject->Visible())
        return;
    const qsizetype cur2 = VisibleIndexOf(AProject);
    const qsizetype target2 = VisibleIndexOf(AToProject);
    if (cur2 >= 0 && target2 >= 0 && cur2 != target2)
        MoveEntry(FVisibleList, cur2, target2);
}

void TWebsiteProjectList::CheckAll() {
    for (TWebsiteProject* p : FVisibleList)
        p->SetChecked(true);
}

void TWebsiteProjectList::UnCheckAll() {
    for (const auto& p : FList)
        p->SetChecked(false);
}

void TWebsiteProjectList::SetProjectVisibility(TWebsiteProject* AProject, bool AVisible) {
    // Only projects of this list: a stranger in the visible list would dangle.
    if (AProject == nullptr || AProject->Visible() == AVisible || IndexOf(AProject) < 0)
        return;
    AProject->SetVisible(AVisible);
    if (AVisible) {
        FVisibleList.push_back(AProject);
        return;
    }
    const qsizetype index = VisibleIndexOf(AProject);
    if (index >= 0)
        FVisibleList.erase(FVisibleList.begin() + index);
    AProject->SetChecked(false);
}

void TWebsiteProjectList::FillListOfGroups(QStringList& ALst, Qt::CaseSensitivity ACase) const {
    // Keys in ALst's comparison, so each lookup is constant time.
    auto key = [ACase](const QString& S) {
        return ACase == Qt::CaseSensitive ? S : S.toCaseFolded();
    };
    QSet<QString> present;
    for (const QString& s : ALst)
        present.insert(key(s));
    for (const auto& p : FList) {
        const QString& group = p->GroupName();
        if (!group.isEmpty() && !present.contains(key(group))) {
            present.insert(key(group));
            ALst.append(group);
        }
    }
}

void TWebsiteProjectList::Assign(const TWebsiteProjectList& ASource) {
    if (&ASource == this)
        return;
    Clear();
    QHash<const TWebsiteProject*, TWebsiteProject*> copies;
    copies.reserve(qsizetype(ASource.FList.size()));
    FList.reserve(ASource.FList.size());
    for (const auto& p : ASource.FList) {
        FList.push_back(std::make_unique<TWebsiteProject>(p.get()));
        copies.insert(p.get(), FList.back().get());
    }
    FVisibleList.reserve(ASource.FVisibleList.size());
    for (const TWebsiteProject* p : ASource.FVisibleList)
        FVisibleList.push_back(copies.value(p));
}

std::unique_ptr<TWebsiteProjectList> TWebsiteProjectList::Clone() const {
    auto copy = std::make_unique<TWebsiteProjectList>();
    copy->Assign(*this);
    return copy;
}

void TWebsiteProject::SetConnections(int AValue) {
    FConnections = std::clamp(AValue, kConnectionsMin, kConnectionsMax);
}

void TWebsiteProject::SetWaitMs(int AValue) {
    FWaitMs = std::clamp(AValue, 0, kWaitMsMax);
}

void TWebsiteProjectList::Clear() {
    FVisibleList.clear();
    FList.clear();
}

// ---------------------------------------------------------------------------------------------
// The key scheme of the settings file.

namespace {

using TProject = TWebsiteProject;

TOverwriteFile OverwriteFromText(const QString& AText) {
    int32_t value = 0;
    if (!TryStrToInt(AText, value))
        return ofNone;
    return value == 1 ? ofAll : value == 2 ? ofChanged : ofNone;
}

// A number is clamped to the range, also one too large for an integer; anything else is one.
int ConnectionsFromText(const QString& AText) {
    int32_t value = 0;
    if (TryStrToInt(AText, value))
        return std::clamp<int32_t>(value, TProject::kConnectionsMin, TProject::kConnectionsMax);
    const bool digits = !AText.isEmpty() && std::all_of(AText.begin(), AText.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    return digits ? TProject::kConnectionsMax : TProject::kConnectionsMin;
}

// A number is clamped to the range, a run of digits too large for an integer is the most;
// anything else waits not at all.
int WaitMsFromText(const QString& AText) {
    int32_t value = 0;
    if (TryStrToInt(AText, value))
        return value;
    const bool digits = !AText.isEmpty() && std::all_of(AText.begin(), AText.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    return digits ? TProject::kWaitMsMax : 0;
}

template <auto AField> TProjectKey TextKey(const char* AName, const char* ANew = nullptr) {
    return {AName, [](const TProject& P) { return P.*AField; },
            [](TProject& P, const QString& AText) { P.*AField = AText; }, ANew};
}

// Written "1" or "0"; read as true exactly from "1".
template <auto AField>
TProjectKey FlagKey(const char* AName, const char* ANew = nullptr, bool AOnlyWhenSet = false) {
    return {AName, [](const TProject& P) { return SettingsBoolText(P.*AField); },
            [](TProject& P, const QString& AText) { P.*AField = AText == u"1"; }, ANew,
            AOnlyWhenSet};
}

// A list of texts, with an optional partner list of texts at the same index.
template <auto AList, auto APartner = nullptr>
TProjectEntries TextEntries(const char* ACount, const char* AName, const char* APartnerName,
                            bool AOnlyWhenSet = false) {
    return {ACount,
            AName,
            APartnerName,
            [](const TProject& P) { return (P.*AList).size(); },
            [](const TProject& P, qsizetype I) { return (P.*AList)[I]; },
            [](const TProject& P, qsizetype I) {
                if constexpr (APartner == nullptr)
                    return QString();
                else
                    return (P.*APartner).value(I);
            },
            [](TProject& P) {
                (P.*AList).clear();
                if constexpr (APartner != nullptr)
                    (P.*APartner).clear();
            },
            [](TProject& P, const QString& AEntry, const QString& APartnerText) {
                (P.*AList).append(AEntry);
                if constexpr (APartner != nullptr)
                    (P.*APartner).append(APartnerText);
            },
            AOnlyWhenSet};
}

// A count of 0 or more, written only when not 0; anything else reads as 0.
template <auto AField> TProjectKey CountKey(const char* AName) {
    return {AName, [](const TProject& P) { return QString::number(P.*AField); },
            [](TProject& P, const QString& AText) {
                int32_t value = 0;
                P.*AField = TryStrToInt(AText, value) ? std::max<int32_t>(value, 0) : 0;
            },
            nullptr, true};
}

} // namespace

// New projects save into a folder of their own under the output folder, written with the
// platform's separator.
#ifdef Q_OS_WIN
constexpr char NewOutputFolder[] = "{OutDir}\\{ProjectName}";
#else
constexpr char NewOutputFolder[] = "{OutDir}/{ProjectName}";
#endif

std::span<const TProjectKey> TWebsiteProject::Keys() {
    // Member pointers are named here, where the fields are accessible.
    static const TProjectKey keys[] = {
        TextKey<&TProject::FProjectName>("ProjectName"),
        TextKey<&TProject::FGroupName>("GroupName"),
        TextKey<&TProject::FWebsiteURL>("WebsiteURL"),
        {"WebsiteDomainAliases", [](const TProject& P) { return P.DomainAliasesString(); },
         [](TProject& P, const QString& AText) { P.SetDomainAliasesString(AText); }},
        TextKey<&TProject::FOutputFolder>("OutputFolder", NewOutputFolder),
        {"Overwrite", [](const TProject& P) { return QString::number(int(P.FOverwrite)); },
         [](TProject& P, const QString& AText) { P.FOverwrite = OverwriteFromText(AText); }, "2"},
        FlagKey<&TProject::FRemoveScripts>("RemoveScripts"),
        FlagKey<&TProject::FRemoveNoscripts>("RemoveNoscripts"),
        // New copies link between their own files, so they browse offline.
        FlagKey<&TProject::FRelativePathLinks>("RelativePathLinks", "1"),
        // New projects make copies that open in a browser.
        FlagKey<&TProject::FCompletePages>("CompletePages", "1", true),
        TextKey<&TProject::FBaseURL>("BaseURL"),
        TextKey<&TProject::FIndexFile>("IndexFile", "index.html"),
        // New projects run a few transfers at once; far sites load much faster.
        {"Connections", [](const TProject& P) { return QString::number(P.FConnections); },
         [](TProject& P, const QString& AText) { P.FConnections = ConnectionsFromText(AText); },
         "4", true},
        // New projects are polite on other people's sites.
        FlagKey<&TProject::FRobots>("Robots", "1", true),
        {"WaitMs", [](const TProject& P) { return QString::number(P.FWaitMs); },
         [](TProject& P, const QString& AText) { P.SetWaitMs(WaitMsFromText(AText)); }, nullptr,
         true},
        // Scope and limits. New projects skip crawler traps and tracking parameters.
        FlagKey<&TProject::FTrapGuard>("TrapGuard", "1", true),
        TextKey<&TProject::FDropQueryParams>("DropQueryParams", "utm_*;fbclid;gclid;mc_cid;mc_eid"),
        CountKey<&TProject::FMaxFiles>("MaxFiles"),
        CountKey<&TProject::FMaxBytesMB>("MaxBytes"),
        CountKey<&TProject::FMaxSeconds>("MaxSeconds"),
        TextKey<&TProject::FCookiesFile>("CookiesFile"),
        // Reading a site's sitemaps asks it for more than its links do: only on request.
        FlagKey<&TProject::FSitemaps>("Sitemaps", nullptr, true),
        TextKey<&TProject::FWarcFile>("WarcFile"),
        // New projects name themselves, retry only what may succeed and check certificates.
        TextKey<&TProject::FUserAgent>("UserAgent", TarrowUserAgent),
        FlagKey<&TProject::FRetryTransientOnly>("RetryTransientOnly", "1", true),
        FlagKey<&TProject::FVerifyTLS>("VerifyTLS", "1", true),
        // New projects keep a journal, so an interrupted run can be continued.
        FlagKey<&TProject::FJournal>("Journal", "1", true),
        // ...and ask the server only for what changed since the journal's run.
        FlagKey<&TProject::FConditionalGet>("ConditionalGet", "1", true),
        // A new project is checked: the next Load Websites runs it.
        FlagKey<&TProject::FChecked>("Checked", "1"),
        // Missing means visible: only "0" hides.
        {"Visible", [](const TProject& P) { return SettingsBoolText(P.FVisible); },
         [](TProject& P, const QString& AText) { P.FVisible = AText != u"0"; }},
    };
    return keys;
}

std::span<const TProjectEntries> TWebsiteProject::EntryKeys() {
    static const TProjectEntries entries[] = {
        {"WebPagesN", "WebPages", "WPExtractURLs",
         [](const TProject& P) { return P.FWebPages.size(); },
         [](const TProject& P, qsizetype I) { return P.FWebPages[I]; },
         [](const TProject& P, qsizetype I) {
             return QString::number(I < P.FWPExtractURLs.Count() ? P.FWPExtractURLs.GetValue(I)
                                                                 : 0);
         },
         [](TProject& P) {
             P.FWebPages.clear();
             P.FWPExtractURLs.Clear();
         },
         [](TProject& P, const QString& AURL, const QString& ADepth) {
             P.FWebPages.append(AURL);
             P.FWPExtractURLs.Add(SettingsDepth(ADepth));
         }},
        TextEntries<&TProject::FWebDocuments, &TProject::FWDOutFolders>("WebDocsN", "WebDocs",
                                                                        "WDOutFolders"),
        TextEntries<&TProject::FReplacePatterns, &TProject::FReplaceRules>(
            "ReplaceRulesN", "ReplacePattern", "ReplaceRule"),
        TextEntries<&TProject::FSuppressURLs>("SuppressURLsN", "SuppressURLs", nullptr),
        TextEntries<&TProject::FIncludePatterns>("IncludeN", "Include", nullptr, true),
        TextEntries<&TProject::FExcludePatterns>("ExcludeN", "Exclude", nullptr, true),
        TextEntries<&TProject::FRequestHeaders>("RequestHeadersN", "RequestHeaders", nullptr, true),
    };
    return entries;
}

TWebsiteProject TWebsiteProject::NewProject(const QString& AGroupName) {
    TWebsiteProject project;
    for (const TProjectKey& key : Keys())
        if (key.NewProjectText != nullptr)
            key.Read(project, QString::fromLatin1(key.NewProjectText));
    project.FGroupName = AGroupName;
    return project;
}

bool TWebsiteProject::LoadFromList(const TVHashedStringList& ALst, const QString& AP) {
    if (ALst.Values(SettingsKey(AP, "ProjectName")).isEmpty())
        return false;
    for (const TProjectKey& key : Keys())
        key.Read(*this, ALst.Values(SettingsKey(AP, key.Name)));
    for (const TProjectEntries& list : EntryKeys()) {
        list.Clear(*this);
        // Visits the non-empty entries Name<n> for n up to the count stored under Count.
        const QString stem = SettingsKey(AP, list.Name);
        const int32_t count = ReadSettingsInt(ALst, SettingsKey(AP, list.Count), -1);
        ForEachSettingsNumber(ALst, count, stem, QString(), [&](const QString& n) {
            const QString value = ALst.Values(stem + n);
            if (value.isEmpty())
                return;
            list.Add(*this, value,
                     list.Partner != nullptr ? ALst.Values(SettingsKey(AP, list.Partner, n))
                                             : QString());
        });
    }
    return true;
}

void TWebsiteProject::SaveToList(TVHashedStringList& ALst, const QString& AP) const {
    const TWebsiteProject cleared;
    for (const TProjectKey& key : Keys()) {
        const QString text = key.Write(*this);
        if (!key.OnlyWhenSet || text != key.Write(cleared))
            ALst.SetValues(SettingsKey(AP, key.Name), text);
    }
    // Empty entries are left out and the numbering closes the gap; each written entry takes its
    // partner at the same index along.
    for (const TProjectEntries& list : EntryKeys()) {
        int n = 0;
        for (qsizetype i = 0; i < list.Size(*this); ++i) {
            const QString entry = list.Entry(*this, i);
            if (entry.isEmpty())
                continue;
            const QString num = QString::number(++n);
            ALst.SetValues(SettingsKey(AP, list.Name, num), entry);
            if (list.Partner != nullptr)
                ALst.SetValues(SettingsKey(AP, list.Partner, num), list.PartnerText(*this, i));
        }
        if (n > 0 || !list.OnlyWhenSet)
            ALst.SetValues(SettingsKey(AP, list.Count), QString::number(n));
    }
}

void TWebsiteProjectList::LoadFromList(const TVHashedStringList& ALst, const QString& APrefix) {
    const int32_t count = ReadSettingsInt(ALst, SettingsKey(APrefix, "N"), 0);
    const QString stem = SettingsKey(APrefix, "[");
    const QString suffix = QStringLiteral("].ProjectName");
    // Trying every number up to the list's own length costs no more than reading it.
    const auto directLimit = int32_t(std::min<qsizetype>(ALst.Count(), INT32_MAX));
    ForEachSettingsNumber(
        ALst, count, stem, suffix,
        [&](const QString& n) {
            auto project = std::make_unique<TWebsiteProject>();
            if (project->LoadFromList(ALst, stem + n + QLatin1String("].")))
                AddProject(std::move(project));
        },
        std::max(directLimit, SettingsDirectCountLimit));
}

void TWebsiteProjectList::SaveToList(TVHashedStringList& ALst, const QString& APrefix) const {
    ALst.SetValues(SettingsKey(APrefix, "N"), QString::number(Count()));
    for (int i = 0; i < Count(); ++i)
        FList[size_t(i)]->SaveToList(ALst, SettingsKey(APrefix, "[", QString::number(i + 1)) +
                                               QLatin1String("]."));
}

} // namespace tarrow
