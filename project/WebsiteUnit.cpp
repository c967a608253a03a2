#include "project/WebsiteUnit.h"

#include "base/uExceptions.h"
#include "base/uStrUtils.h"
#include "project/VHashedStringList.h"
#include "project/uSettingsKeys.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace tarrow {

TWebsiteProject::TWebsiteProject(const TWebsiteProject* AProject) {
    if (AProject != nullptr)
        Assign(*AProject);
    else
        Clear();
}

void TWebsiteProject::Clear() {
    FProjectName.clear();
    FGroupName.clear();
    FWebsiteURL.clear();
    FOutputFolder.clear();
    FOverwrite = ofNone;
    FRemoveScripts = false;
    FRemoveNoscripts = false;
    FRelativePathLinks = false;
    FCompletePages = false;
    FBaseURL.clear();
    FIndexFile.clear();
    FConnections = kConnectionsMin;
    FChecked = false;
    FVisible = true;
    FWebPages.clear();
    FWPExtractURLs.Clear();
    FWebDocuments.clear();
    FWDOutFolders.clear();
    FReplacePatterns.clear();
    FReplaceRules.clear();
    FWebsiteDomainAliases.clear();
    FSuppressURLs.clear();
}

void TWebsiteProject::Assign(const TWebsiteProject& AProject) {
    if (&AProject == this)
        return;
    FProjectName = AProject.FProjectName;
    FGroupName = AProject.FGroupName;
    FWebsiteURL = AProject.FWebsiteURL;
    FOutputFolder = AProject.FOutputFolder;
    FOverwrite = AProject.FOverwrite;
    FRemoveScripts = AProject.FRemoveScripts;
    FRemoveNoscripts = AProject.FRemoveNoscripts;
    FRelativePathLinks = AProject.FRelativePathLinks;
    FCompletePages = AProject.FCompletePages;
    FBaseURL = AProject.FBaseURL;
    FIndexFile = AProject.FIndexFile;
    FConnections = AProject.FConnections;
    FChecked = AProject.FChecked;
    FVisible = AProject.FVisible;
    // QStringList copies share their data until written, so the copy is deep in effect.
    FWebPages = AProject.FWebPages;
    FWPExtractURLs.Assign(AProject.FWPExtractURLs);
    FWebDocuments = AProject.FWebDocuments;
    FWDOutFolders = AProject.FWDOutFolders;
    FReplacePatterns = AProject.FReplacePatterns;
    FReplaceRules = AProject.FReplaceRules;
    FWebsiteDomainAliases = AProject.FWebsiteDomainAliases;
    FSuppressURLs = AProject.FSuppressURLs;
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

void TWebsiteProjectList::Clear() {
    FVisibleList.clear();
    FList.clear();
}

// ---------------------------------------------------------------------------------------------
// The key scheme of the settings file.

namespace {

TOverwriteFile ReadOverwrite(const TVHashedStringList& ALst, const QString& AName) {
    switch (ReadSettingsInt(ALst, AName, 0)) {
    case 1:
        return ofAll;
    case 2:
        return ofChanged;
    default:
        return ofNone;
    }
}

// A number is clamped to the range, also one too large for an integer; anything else is one.
int ReadConnections(const TVHashedStringList& ALst, const QString& AName) {
    const QString text = ALst.Values(AName);
    int32_t value = 0;
    if (TryStrToInt(text, value))
        return std::clamp<int32_t>(value, TWebsiteProject::kConnectionsMin,
                                   TWebsiteProject::kConnectionsMax);
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    return digits ? TWebsiteProject::kConnectionsMax : TWebsiteProject::kConnectionsMin;
}

} // namespace

void TWebsiteProject::LoadPairs(const TVHashedStringList& ALst, const QString& AP) {
    // Visits the non-empty entries AName<n> for n up to the count stored under ACount.
    auto entries = [&](const char* ACount, const char* AName, const auto& AAdd) {
        const QString stem = SettingsKey(AP, AName);
        const int32_t count = ReadSettingsInt(ALst, SettingsKey(AP, ACount), -1);
        ForEachSettingsNumber(ALst, count, stem, QString(), [&](const QString& n) {
            const QString value = ALst.Values(stem + n);
            if (!value.isEmpty())
                AAdd(value, n);
        });
    };
    FWebPages.clear();
    FWPExtractURLs.Clear();
    entries("WebPagesN", "WebPages", [&](const QString& url, const QString& n) {
        FWebPages.append(url);
        FWPExtractURLs.Add(ReadSettingsDepth(ALst, SettingsKey(AP, "WPExtractURLs", n)));
    });
    FWebDocuments.clear();
    FWDOutFolders.clear();
    entries("WebDocsN", "WebDocs", [&](const QString& prefix, const QString& n) {
        FWebDocuments.append(prefix);
        FWDOutFolders.append(ALst.Values(SettingsKey(AP, "WDOutFolders", n)));
    });
    FReplacePatterns.clear();
    FReplaceRules.clear();
    entries("ReplaceRulesN", "ReplacePattern", [&](const QString& pattern, const QString& n) {
        FReplacePatterns.append(pattern);
        FReplaceRules.append(ALst.Values(SettingsKey(AP, "ReplaceRule", n)));
    });
    FSuppressURLs.clear();
    entries("SuppressURLsN", "SuppressURLs",
            [&](const QString& text, const QString&) { FSuppressURLs.append(text); });
}

bool TWebsiteProject::LoadFromList(const TVHashedStringList& ALst, const QString& AP) {
    const QString name = ALst.Values(SettingsKey(AP, "ProjectName"));
    if (name.isEmpty())
        return false;
    FProjectName = name;
    FGroupName = ALst.Values(SettingsKey(AP, "GroupName"));
    FWebsiteURL = ALst.Values(SettingsKey(AP, "WebsiteURL"));
    SetDomainAliasesString(ALst.Values(SettingsKey(AP, "WebsiteDomainAliases")));
    FOutputFolder = ALst.Values(SettingsKey(AP, "OutputFolder"));
    FOverwrite = ReadOverwrite(ALst, SettingsKey(AP, "Overwrite"));
    FRemoveScripts = ALst.Values(SettingsKey(AP, "RemoveScripts")) == u"1";
    FRemoveNoscripts = ALst.Values(SettingsKey(AP, "RemoveNoscripts")) == u"1";
    FRelativePathLinks = ALst.Values(SettingsKey(AP, "RelativePathLinks")) == u"1";
    FCompletePages = ALst.Values(SettingsKey(AP, "CompletePages")) == u"1";
    FBaseURL = ALst.Values(SettingsKey(AP, "BaseURL"));
    FIndexFile = ALst.Values(SettingsKey(AP, "IndexFile"));
    FConnections = ReadConnections(ALst, SettingsKey(AP, "Connections"));
    FChecked = ALst.Values(SettingsKey(AP, "Checked")) == u"1";
    FVisible = ALst.Values(SettingsKey(AP, "Visible")) != u"0";
    LoadPairs(ALst, AP);
    return true;
}

void TWebsiteProject::SaveToList(TVHashedStringList& ALst, const QString& AP) const {
    ALst.SetValues(SettingsKey(AP, "ProjectName"), FProjectName);
    ALst.SetValues(SettingsKey(AP, "GroupName"), FGroupName);
    ALst.SetValues(SettingsKey(AP, "WebsiteURL"), FWebsiteURL);
    ALst.SetValues(SettingsKey(AP, "WebsiteDomainAliases"), DomainAliasesString());
    ALst.SetValues(SettingsKey(AP, "OutputFolder"), FOutputFolder);
    ALst.SetValues(SettingsKey(AP, "Overwrite"), QString::number(int(FOverwrite)));
    ALst.SetValues(SettingsKey(AP, "RemoveScripts"), SettingsBoolText(FRemoveScripts));
    ALst.SetValues(SettingsKey(AP, "RemoveNoscripts"), SettingsBoolText(FRemoveNoscripts));
    ALst.SetValues(SettingsKey(AP, "RelativePathLinks"), SettingsBoolText(FRelativePathLinks));
    // Written only when on, so files from before the option read and write as they were.
    if (FCompletePages)
        ALst.SetValues(SettingsKey(AP, "CompletePages"), QStringLiteral("1"));
    ALst.SetValues(SettingsKey(AP, "BaseURL"), FBaseURL);
    ALst.SetValues(SettingsKey(AP, "IndexFile"), FIndexFile);
    // Written only above one, so files from before the setting read and write as they were.
    if (FConnections > kConnectionsMin)
        ALst.SetValues(SettingsKey(AP, "Connections"), QString::number(FConnections));
    ALst.SetValues(SettingsKey(AP, "Checked"), SettingsBoolText(FChecked));
    ALst.SetValues(SettingsKey(AP, "Visible"), SettingsBoolText(FVisible));
    // Empty entries are left out and the numbering closes the gap; each written entry takes its
    // partner at the same index along. A parallel list that fell short gives an empty partner.
    auto entries = [&](const QStringList& AList, const char* AName, const char* APartner,
                       const auto& APartnerText, const char* ACount) {
        int n = 0;
        for (qsizetype i = 0; i < AList.size(); ++i) {
            if (AList[i].isEmpty())
                continue;
            const QString num = QString::number(++n);
            ALst.SetValues(SettingsKey(AP, AName, num), AList[i]);
            if (APartner != nullptr)
                ALst.SetValues(SettingsKey(AP, APartner, num), APartnerText(i));
        }
        ALst.SetValues(SettingsKey(AP, ACount), QString::number(n));
    };
    entries(
        FWebPages, "WebPages", "WPExtractURLs",
        [this](qsizetype i) {
            return QString::number(i < FWPExtractURLs.Count() ? FWPExtractURLs.GetValue(i) : 0);
        },
        "WebPagesN");
    entries(
        FWebDocuments, "WebDocs", "WDOutFolders",
        [this](qsizetype i) { return FWDOutFolders.value(i); }, "WebDocsN");
    entries(
        FReplacePatterns, "ReplacePattern", "ReplaceRule",
        [this](qsizetype i) { return FReplaceRules.value(i); }, "ReplaceRulesN");
    entries(
        FSuppressURLs, "SuppressURLs", nullptr, [](qsizetype) { return QString(); },
        "SuppressURLsN");
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
