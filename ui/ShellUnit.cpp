#include "ui/ShellUnit.h"

#include "base/uPathUtils.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace tarrow {

namespace {

TShellHooks& Hooks() {
    static TShellHooks hooks;
    return hooks;
}

} // namespace

void SetShellHooks(TShellHooks AHooks) {
    Hooks() = std::move(AHooks);
}

QUrl FolderURL(const QString& AFolder) {
    // Settings written on Windows use "\"; the folder the user means is the same.
    const QString folder =
        QDir::fromNativeSeparators(ToReadingSeparators(AFolder, NativePathReading()));
    return QUrl::fromLocalFile(QFileInfo(folder).absoluteFilePath());
}

void OpenFolder(const QString& AFolder) {
    if (Hooks().OpenFolder) {
        Hooks().OpenFolder(AFolder);
        return;
    }
    QDesktopServices::openUrl(FolderURL(AFolder));
}

void OpenWebPage(const QUrl& AURL) {
    if (Hooks().OpenWebPage) {
        Hooks().OpenWebPage(AURL);
        return;
    }
    QDesktopServices::openUrl(AURL);
}

QString ChooseFolder(QWidget* AParent, const QString& AStartFolder, const QString& ATitle) {
    if (Hooks().ChooseFolder)
        return Hooks().ChooseFolder(AParent, AStartFolder, ATitle);
    const QString start =
        QDir::fromNativeSeparators(ToReadingSeparators(AStartFolder, NativePathReading()));
    const QString folder = QFileDialog::getExistingDirectory(AParent, ATitle, start);
    return folder.isEmpty() ? QString() : QDir::toNativeSeparators(folder);
}

QString ChooseSaveFile(QWidget* AParent, const QString& ATitle, const QString& ASuggestedName) {
    if (Hooks().ChooseSaveFile)
        return Hooks().ChooseSaveFile(AParent, ATitle, ASuggestedName);
    return QFileDialog::getSaveFileName(
        AParent, ATitle, QDir::home().filePath(ASuggestedName),
        QCoreApplication::translate("tarrow::TShell", "Text files (*.txt *.log);;All files (*)"));
}

} // namespace tarrow
