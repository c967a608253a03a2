#pragma once

#include "engine/TarrowEngineUnit.h"
#include "project/SettingsUnit.h"
#include "ui/RunWorkerUnit.h"
#include "ui/TarrowFormUnit.h"
#include "ui/TarrowMainControls.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace tarrow {

class TEditProjectForm;
class THandOverLogSink;
class TProjectsListModel;
class TRunLog;
class TRunProgress;
class TWebsiteProject;

// How far a read-only window opens from where the first window stands, right and down.
constexpr int ReadOnlyWindowOffset = 40;

// What the main window is started with.
struct TMainFormOptions {
    // The program's arguments (program name first): "-start NAMES" and "-close".
    QStringList Arguments;
    // The settings file read when the window is created and written when a run starts and when
    // the window closes (the process's own location, or a temporary file in tests).
    QString SettingsFile;
    QString SettingsSaveFile; // when it differs from SettingsFile
    // The settings file is open in another window: this one never writes it.
    bool ReadOnly = false;
    TRunOptions RunOptions;
};

// The application's main window: the project list with its check marks and group filter, the
// output folder, the run controls, the run log and the About page. It owns the projects for its
// whole life; a run works on a copy taken when it starts, so every command stays usable while
// it runs.
class TTarrowMainForm final : public QWidget, public TTarrowForm {
    Q_OBJECT
public:
    explicit TTarrowMainForm(TMainFormOptions AOptions, QWidget* AParent = nullptr);
    ~TTarrowMainForm() override;

    TWebsiteProjectList& Projects() { return FSettings.Projects; }
    const TTarrowMainControls& Controls() const { return FControls; }
    TProjectsListModel& ProjectsModel() const { return *FProjectsModel; }
    TEditProjectForm& EditProjectForm() const { return *FEditProjectForm; }
    TTarrowEngine& Engine() { return FEngine; }
    // Where a worker's log lines go: handed to this window's thread and appended by LogMsg.
    THandOverLogSink& LogSink() const { return *FLogSink; }
    TRunProgress& RunProgress() const { return *FRunProgress; }
    bool IsRunning() const { return FRunThread != nullptr; }
    int SelectedItemIndex() const { return FSelectedItemIndex; }

    // Takes one line of the run log (empty lines are ignored). Lines reach the log page in order,
    // a few times a second in batches, so a fast run does not lay the page out once per line.
    void LogMsg(const QString& AMsg);
    // Appends the lines taken so far and brings the newest into view.
    void FlushLog();
    // Makes the list show the project list's current state.
    void RefreshProjectsList();
    // The project shown in a row, nullptr for none.
    TWebsiteProject* GetItemProject(int ARow) const;
    TWebsiteProject* GetSelectedProject() const;
    void ToggleProjectCheck(int ARow);
    // Warns and returns true when another project than AExceptProject bears the name.
    bool ProjectNameExists(const QString& AProjectName, const TWebsiteProject* AExceptProject);

    void AddProjectActionExecute();
    void CopyProjectActionExecute();
    void EditProjectActionExecute();
    void DeleteProjectActionExecute();
    void OpenOutputFolderActionExecute();
    void CheckAllProjectsActionExecute();
    void UnCheckAllProjectsActionExecute();
    void GroupComboBoxDropDown();
    void GroupComboBoxClick();
    void ExploreOutDirButtonClick();
    void BrowseOutDirButtonClick();
    // Takes the proxy field's text as the proxy of later runs. A malformed one is refused: it stays
    // in the field, marked invalid, with a warning the first time that text is left. False when it
    // was refused.
    bool ProxyEditExit();
    void LoadWebsitesButtonClick();
    void ContinueButtonClick();
    // Whether the selected project has an interrupted run to continue.
    bool SelectedProjectCanContinue() const;
    void BreakButtonClick();
    void CloseButtonClick();
    // Closing asked for by a signal (the session ends, kill): nobody may be there to answer, so
    // open dialogs are cancelled, and a settings file that cannot be written is tried once more,
    // reported on stderr and left unsaved.
    void CloseBySignal();
    void LinkLabelClick();
    // F1: the manual in the desktop's viewer.
    void HelpActionExecute();
    void ProjectsListViewMouseDown(const QPoint& APos);
    void ProjectsListViewDragDrop(TWebsiteProject* AProject, int ARow);

Q_SIGNALS:
    // A run's completion handler has run (the buttons are restored).
    void RunCompleted();

protected:
    void showEvent(QShowEvent* AEvent) override;
    void closeEvent(QCloseEvent* AEvent) override;

private:
    void FormCreate();
    void FormShow();
    // The page and the selected project of the last time the window closed.
    void RestorePageAndProject();
    void ConnectControls();
    void InstallListKeys();
    void UpdateProjectActions();
    // Gives the list the focus and selects ARow when there is such a row.
    void FocusList(int ARow);
    void ProjectsListViewSelectItem();
    void FillGroupComboBox();
    QString SelectedGroup() const;
    QString OutDirText() const;
    void ClearLog();
    // The proxy the field stands for: the stored one while the field shows it masked.
    QString ProxyFieldValue() const;
    void ShowStoredProxy();
    void MarkProxyField(const QString& AError);
    // ProxyEditExit; AWarnAgain warns also about a text already refused.
    bool TakeProxy(bool AWarnAgain);
    // Writes the settings file; false (the error shown) when it could not be written.
    bool WriteSettings();
    // Writes the settings file on closing; a failure offers Retry, Close Without Saving and
    // Cancel. False when the window is to stay open.
    bool WriteSettingsOnClose();
    // Takes the fields into the settings and writes them; the error's text when that failed.
    QString TrySaveSettings();
    void StartRun(TRunWorker* AThread, bool AContinue = false);
    void OnLoadWebsitesCompleted(TRunWorker* AThread);
    void OnStartProjectCompleted(TRunWorker* AThread);
    void EndRun(TRunWorker* AThread);
    void WaitForRun();

    TMainFormOptions FOptions;
    TSettingsModel FSettings;
    TWebsiteProjectList& FProjects;
    TTarrowEngine FEngine;
    TTarrowMainControls FControls;
    TProjectsListModel* FProjectsModel = nullptr;
    TEditProjectForm* FEditProjectForm = nullptr;
    THandOverLogSink* FLogSink = nullptr;
    QPointer<TRunWorker> FRunThread;
    TRunLog* FRunLog = nullptr;
    TRunProgress* FRunProgress = nullptr;
    int FSelectedItemIndex = -1;
    // The field shows a malformed stored proxy with its password masked.
    bool FProxyMasked = false;
    // The malformed proxy text last warned about, so leaving the field again does not repeat it.
    QString FProxyRefused;
    bool FShown = false;
    bool FCloseRequested = false;
    bool FClosingBySignal = false;
    bool FAskingOnClose = false;
    bool FClosed = false;
};

} // namespace tarrow
