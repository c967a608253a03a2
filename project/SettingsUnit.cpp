#include "project/SettingsUnit.h"

#include "base/uExceptions.h"
#include "project/uAppSettings.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace tarrow {

namespace {

const QString ProjectsPrefix = QStringLiteral("TarrowProjects");
const QString GroupFilterKey = QStringLiteral("GroupFilter");
const QString OutDirKey = QStringLiteral("OutDir");
const QString ProxyKey = QStringLiteral("Proxy");

QString BackupPath(const QString& APath) {
    return APath + QStringLiteral(".bak");
}

// Moves the unreadable file aside; raises when that fails, so it is never overwritten.
bool KeepUnreadableFile(const QString& APath) {
    const QFileInfo info(APath);
    if (!info.exists() && !info.isSymLink())
        return false;
    const QString backup = BackupPath(APath);
    if (QFileInfo(backup).isFile() || QFileInfo(backup).isSymLink())
        QFile::remove(backup);
    QFile file(APath);
    if (!file.rename(backup))
        throw EFCreateError(CannotCreateFileMessage(APath, file.errorString()));
    return true;
}

} // namespace

QString TSettingsModel::GroupFilter() const {
    return GroupIndex > 0 && GroupIndex < GroupItems.size() ? GroupItems[GroupIndex] : QString();
}

QString AllProjectsItem() {
    return QStringLiteral("<All projects>");
}

QStringList GroupFilterItems(const TWebsiteProjectList& AProjects) {
    QStringList groups;
    AProjects.FillListOfGroups(groups, Qt::CaseInsensitive);
    std::sort(groups.begin(), groups.end(), [](const QString& A, const QString& B) {
        return QString::compare(A, B, Qt::CaseInsensitive) < 0;
    });
    groups.prepend(AllProjectsItem());
    return groups;
}

int FindGroupItem(const QStringList& AItems, const QString& AText) {
    for (int i = 0; i < AItems.size(); ++i)
        if (QString::compare(AItems[i], AText, Qt::CaseInsensitive) == 0)
            return i;
    return 0;
}

void RefreshGroupItems(TSettingsModel& AModel) {
    const QString selected = AModel.GroupFilter();
    AModel.GroupItems = GroupFilterItems(AModel.Projects);
    AModel.GroupIndex = FindGroupItem(AModel.GroupItems, selected);
}

void ApplyGroupFilter(TSettingsModel& AModel) {
    const QString group = AModel.GroupFilter();
    TWebsiteProjectList& projects = AModel.Projects;
    for (int i = 0; i < projects.Count(); ++i) {
        TWebsiteProject* project = projects.GetProject(i);
        projects.SetProjectVisibility(project, group.isEmpty() || project->GroupName() == group);
    }
}

void LoadSettings(TSettingsModel& AModel, const QString& APath) {
    const QFileInfo info(APath);
    if (!info.exists() || info.isDir()) {
        RefreshGroupItems(AModel);
        return;
    }
    TAppSettings settings;
    try {
        settings.LoadFromFile(APath);
    } catch (const EFOpenError&) {
        AModel.UnreadableFile = APath;
        RefreshGroupItems(AModel);
        throw;
    }
    const TVHashedStringList& strings = settings.Strings();
    AModel.Projects.LoadFromList(strings, ProjectsPrefix);
    AModel.GroupItems = GroupFilterItems(AModel.Projects);
    AModel.GroupIndex = FindGroupItem(AModel.GroupItems, strings.Values(GroupFilterKey));
    AModel.OutDir = strings.Values(OutDirKey);
    AModel.Proxy = strings.Values(ProxyKey);
}

QString SaveSettings(TSettingsModel& AModel, const QString& APath) {
    TAppSettings settings;
    TVHashedStringList& strings = settings.Strings();
    AModel.Projects.SaveToList(strings, ProjectsPrefix);
    strings.SetValues(GroupFilterKey, AModel.GroupFilter());
    strings.SetValues(OutDirKey, AModel.OutDir);
    // An empty value writes no line, so files from before the setting read and write as they were.
    strings.SetValues(ProxyKey, AModel.Proxy);
    const bool keep = !AModel.UnreadableFile.isEmpty() && AModel.UnreadableFile == APath;
    const bool kept = keep && KeepUnreadableFile(APath);
    try {
        settings.SaveToFile(APath);
    } catch (const EFCreateError&) {
        if (kept)
            QFile::rename(BackupPath(APath), APath);
        throw;
    }
    if (!keep)
        return QString();
    AModel.UnreadableFile.clear();
    if (!kept)
        return QString();
    return QStringLiteral("The settings file \"%1\" could not be read. It has been kept as \"%2\".")
        .arg(APath, BackupPath(APath));
}

} // namespace tarrow
