#pragma once

#include "project/WebsiteUnit.h"

#include <QString>
#include <QStringList>

namespace tarrow {

// What the settings file holds, without widgets: the main window and tarrow-cli share it.
struct TSettingsModel {
    TWebsiteProjectList Projects;
    // The group filter's items: "<All projects>" and the group names; GroupIndex selects one.
    QStringList GroupItems{QStringLiteral("<All projects>")};
    int GroupIndex = 0;
    // The output-folder text (the value of the {OutDir} tag).
    QString OutDir;
    // The proxy of every run as a proxy URL; empty for none.
    QString Proxy;
    // A settings file that exists but could not be read; the next save to it first keeps it as
    // its name plus ".bak", so the file is never lost to an empty list.
    QString UnreadableFile;

    // The selected group: the item's text above index 0, else empty.
    QString GroupFilter() const;
};

QString AllProjectsItem();
// "<All projects>" followed by the distinct non-empty group names, sorted and compared ignoring
// letter case; the letter case of the first project bearing a name wins.
QStringList GroupFilterItems(const TWebsiteProjectList& AProjects);
// Index of the item equal to AText ignoring letter case; 0 when there is none.
int FindGroupItem(const QStringList& AItems, const QString& AText);
// Rebuilds GroupItems from the projects and selects again the group selected before.
void RefreshGroupItems(TSettingsModel& AModel);
// Shows the projects of the selected group (all of them for "<All projects>"); hidden projects
// are unchecked and projects shown again join the end of the visible order.
void ApplyGroupFilter(TSettingsModel& AModel);

// Reads the file into a fresh model: projects, group filter, output folder and proxy. A missing
// file loads nothing. A file that cannot be read raises EFOpenError "Cannot open file ..." and is
// remembered in UnreadableFile.
void LoadSettings(TSettingsModel& AModel, const QString& APath);

// Writes the whole file anew, atomically; EFCreateError "Cannot create file ..." on failure, the
// previous file then stays as it was. Returns a notice for the user when an unreadable settings
// file was kept as ".bak" by this save (once), else an empty text.
QString SaveSettings(TSettingsModel& AModel, const QString& APath);

} // namespace tarrow
