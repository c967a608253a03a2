#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace tarrow {

// The platform's shell operations that the window and the editor use. Each can be replaced (tests
// record the call instead of opening a file manager, a browser or a folder chooser).
struct TShellHooks {
    std::function<void(const QString& AFolder)> OpenFolder;
    std::function<void(const QUrl& AURL)> OpenWebPage;
    // The chosen folder, or an empty text when the user cancelled.
    std::function<QString(QWidget* AParent, const QString& AStartFolder, const QString& ATitle)>
        ChooseFolder;
    // The file chosen to save to, or an empty text when the user cancelled.
    std::function<QString(QWidget* AParent, const QString& ATitle, const QString& ASuggestedName)>
        ChooseSaveFile;
};

// Replaces the operations that are set in AHooks; empty members keep the platform's own.
void SetShellHooks(TShellHooks AHooks);

// Opens a folder in the desktop's file manager; the result is not checked. On Linux the folder's
// "\" separators are read as "/" and a relative folder is taken from the current folder.
void OpenFolder(const QString& AFolder);
// Opens a web address in the default browser; the result is not checked.
void OpenWebPage(const QUrl& AURL);
// The platform's folder chooser starting at AStartFolder, titled with the field it fills: the
// chosen folder as a full path with the platform's separators, or an empty text on cancel.
QString ChooseFolder(QWidget* AParent, const QString& AStartFolder, const QString& ATitle);

// The platform's "save as" chooser titled ATitle, proposing ASuggestedName in the home folder: the
// chosen file, or an empty text on cancel.
QString ChooseSaveFile(QWidget* AParent, const QString& ATitle, const QString& ASuggestedName);

// The local file address OpenFolder hands to the desktop for AFolder.
QUrl FolderURL(const QString& AFolder);

} // namespace tarrow
