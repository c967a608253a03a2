#include "ui/TarrowMainUnit.h"

#include "base/uExceptions.h"
#include "engine/CommandLineUnit.h"
#include "engine/LogSinksUnit.h"
#include "engine/TarrowVersion.h"
#include "engine/uRunJournal.h"
#include "http/uProxyURL.h"
#include "ui/EditProjectUnit.h"
#include "ui/GroupComboBox.h"
#include "ui/HelpUnit.h"
#include "ui/ListKeysUnit.h"
#include "ui/ProjectsListModel.h"
#include "ui/ProjectsListView.h"
#include "ui/RunLogUnit.h"
#include "ui/RunProgressUnit.h"
#include "ui/RunWorkerUnit.h"
#include "ui/ShellUnit.h"
#include "ui/TabOrderUnit.h"
#include "ui/WindowStateUnit.h"
#include "ui/uFormUtils.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <cstdio>

namespace tarrow {

namespace {

QString CaptionFormat() {
    return QStringLiteral("Tarrow %1");
}

QString EditionText() {
    return TTarrowMainForm::tr("%1-Bit %2Edition").arg(int(sizeof(void*) * 8)).arg(QString());
}

// Why a proxy text cannot be used, empty when it can.
QString ProxyError(const QString& AText) {
    try {
        ParseProxyURL(AText);
    } catch (const EProxyURLError& E) {
        return E.Message();
    }
    return QString();
}

// A malformed proxy as the field may show it: whatever follows the first ":" of the part before
// the last "@" (after the scheme) is hidden, so a password is never on screen.
QString MaskProxyPassword(const QString& AText) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:/*"));
    const qsizetype start = scheme.match(AText).capturedLength();
    const qsizetype at = AText.lastIndexOf(u'@');
    if (at < start)
        return AText;
    const qsizetype colon = AText.indexOf(u':', start);
    if (colon < 0 || colon > at)
        return AText;
    return AText.left(colon + 1) + QStringLiteral("***") + AText.mid(at);
}

} // namespace

TTarrowMainForm::TTarrowMainForm(TMainFormOptions AOptions, QWidget* AParent)
    : QWidget(AParent), TTarrowForm(this), FOptions(std::move(AOptions)),
      FProjects(FSettings.Projects), FEngine(FOptions.RunOptions) {
    if (FOptions.SettingsSaveFile.isEmpty())
        FOptions.SettingsSaveFile = FOptions.SettingsFile;
    setObjectName(QStringLiteral("TarrowMainForm"));
    FControls = CreateMainControls(this);
    FProjectsModel = new TProjectsListModel(FProjects, this);
    FControls.ProjectsListView->setModel(FProjectsModel);
    for (int i = 0; i < TProjectsListModel::coCount; ++i)
        FControls.ProjectsListView->setColumnWidth(i, TProjectsListModel::ColumnWidth(i));
    FEditProjectForm = new TEditProjectForm(this);
    FLogSink = new THandOverLogSink(this);
    connect(FLogSink, &THandOverLogSink::MsgLogged, this, &TTarrowMainForm::LogMsg);
    FRunLog = new TRunLog(FControls.LogMemo);
    addAction(FRunLog->SaveLogAction());      // Ctrl+S from anywhere in the window
    FRunProgress = new TRunProgress(this, 1); // under the pages, above the bottom bar
    ConnectControls();
    resize(1080, 621);
    FormCreate();
}

TTarrowMainForm::~TTarrowMainForm() {
    // A worker may still hand over log lines: never free what it uses while it runs.
    WaitForRun();
    // The child widgets outlive the projects (members go before the widget base): the list must
    // stop reading them first.
    delete FProjectsModel;
}

void TTarrowMainForm::FormCreate() {
    FControls.AppIconImage->setPixmap(windowIcon().pixmap(32, 32));
    FControls.TitleLabel->setText(CaptionFormat().arg(QString::fromLatin1(TarrowVersion)));
    setWindowTitle(CaptionFormat().arg(QString::fromLatin1(TarrowVersionCaption)) +
                   (FOptions.ReadOnly ? tr(" - Read-Only") : QString()));
    QString notice = NoticeFormat();
    notice.replace(
        QStringLiteral("%.2d"),
        QStringLiteral("%1").arg(QDate::currentDate().year() % 100, 2, 10, QLatin1Char('0')));
    FControls.NoticeLabel->setText(notice);
    FControls.EditionLabel->setText(EditionText());
    FControls.MainPageControl->setCurrentWidget(FControls.WebsitesTabSheet);
    try {
        LoadSettings(FSettings, FOptions.SettingsFile);
    } catch (const std::exception& E) {
        // The application's error report; the window goes on with the empty list.
        ShowError(this, ExceptionMessage(E));
    }
    FillGroupComboBox();
    FControls.OutDirEdit->setText(FSettings.OutDir);
    ShowStoredProxy();
    RefreshProjectsList();
}

void TTarrowMainForm::ConnectControls() {
    const TTarrowMainControls& C = FControls;
    connect(C.AddProjectAction, &QAction::triggered, this,
            &TTarrowMainForm::AddProjectActionExecute);
    connect(C.CopyProjectAction, &QAction::triggered, this,
            &TTarrowMainForm::CopyProjectActionExecute);
    connect(C.EditProjectAction, &QAction::triggered, this,
            &TTarrowMainForm::EditProjectActionExecute);
    connect(C.DeleteProjectAction, &QAction::triggered, this,
            &TTarrowMainForm::DeleteProjectActionExecute);
    connect(C.OpenOutputFolderAction, &QAction::triggered, this,
            &TTarrowMainForm::OpenOutputFolderActionExecute);
    connect(C.CheckAllProjectsAction, &QAction::triggered, this,
            &TTarrowMainForm::CheckAllProjectsActionExecute);
    connect(C.UnCheckAllProjectsAction, &QAction::triggered, this,
            &TTarrowMainForm::UnCheckAllProjectsActionExecute);
    // The labels run their action only while it is enabled, which it always is.
    connect(C.CheckAllProjectsLabel, &QLabel::linkActivated, C.CheckAllProjectsAction,
            &QAction::trigger);
    connect(C.UnCheckAllProjectsLabel, &QLabel::linkActivated, C.UnCheckAllProjectsAction,
            &QAction::trigger);
    C.GroupComboBox->SetOnDropDown([this] { GroupComboBoxDropDown(); });
    connect(C.GroupComboBox, &QComboBox::activated, this, &TTarrowMainForm::GroupComboBoxClick);
    connect(C.ExploreOutDirButton, &QPushButton::clicked, this,
            &TTarrowMainForm::ExploreOutDirButtonClick);
    connect(C.BrowseOutDirButton, &QPushButton::clicked, this,
            &TTarrowMainForm::BrowseOutDirButtonClick);
    connect(C.ProxyEdit, &QLineEdit::editingFinished, this, &TTarrowMainForm::ProxyEditExit);
    connect(C.LoadWebsitesButton, &QPushButton::clicked, this,
            &TTarrowMainForm::LoadWebsitesButtonClick);
    connect(C.ContinueButton, &QPushButton::clicked, this, &TTarrowMainForm::ContinueButtonClick);
    connect(C.BreakButton, &QPushButton::clicked, this, &TTarrowMainForm::BreakButtonClick);
    connect(C.CloseButton, &QPushButton::clicked, this, &TTarrowMainForm::CloseButtonClick);
    connect(C.LinkLabel, &QLabel::linkActivated, this, &TTarrowMainForm::LinkLabelClick);
    // The keys of the bottom bar's buttons do what a click does, while the button is enabled.
    auto clickWhenEnabled = [this](QAction* AAction, QPushButton* AButton) {
        connect(AAction, &QAction::triggered, this, [AButton] {
            if (AButton->isEnabled())
                AButton->click();
        });
    };
    clickWhenEnabled(C.LoadWebsitesAction, C.LoadWebsitesButton);
    clickWhenEnabled(C.BreakAction, C.BreakButton);
    clickWhenEnabled(C.CloseAction, C.CloseButton);
    connect(C.HelpAction, &QAction::triggered, this, &TTarrowMainForm::HelpActionExecute);

    TProjectsListView* list = C.ProjectsListView;
    connect(list, &TProjectsListView::MouseDown, this, &TTarrowMainForm::ProjectsListViewMouseDown);
    connect(list, &TProjectsListView::ProjectDropped, this,
            &TTarrowMainForm::ProjectsListViewDragDrop);
    list->SetDragSource([this] { return GetSelectedProject(); });
    connect(list, &QAbstractItemView::doubleClicked, this, [this] {
        if (FControls.EditProjectAction->isEnabled())
            FControls.EditProjectAction->trigger();
    });
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TTarrowMainForm::ProjectsListViewSelectItem);
    InstallListKeys();
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& APos) {
        FControls.ProjectsPopupMenu->popup(list->viewport()->mapToGlobal(APos));
    });
}

void TTarrowMainForm::InstallListKeys() {
    TProjectListKeys keys;
    keys.ToggleCheck = [this](int ARow) { ToggleProjectCheck(ARow); };
    auto runAction = [](QAction* AAction) {
        return [AAction] {
            if (AAction->isEnabled())
                AAction->trigger();
        };
    };
    keys.Edit = runAction(FControls.EditProjectAction);
    keys.Delete = runAction(FControls.DeleteProjectAction);
    keys.Add = runAction(FControls.AddProjectAction);
    keys.Move = [this](int ARow, int ATargetRow) {
        ProjectsListViewDragDrop(GetItemProject(ARow), ATargetRow);
    };
    new TProjectListKeyFilter(FControls.ProjectsListView, std::move(keys));
}

void TTarrowMainForm::showEvent(QShowEvent* AEvent) {
    QWidget::showEvent(AEvent);
    if (FShown)
        return;
    FShown = true;
    SortTabOrder(this);
    CenterOnScreen(this);
    RestoreWindowState(this, FControls.ProjectsListView->header());
    // The second window on the same file must not hide the first one exactly.
    if (FOptions.ReadOnly)
        move(pos() + QPoint(ReadOnlyWindowOffset, ReadOnlyWindowOffset));
    FitOnScreen(this, size());
    RestorePageAndProject();
    // Once the window is on screen and the event loop runs.
    QMetaObject::invokeMethod(this, &TTarrowMainForm::FormShow, Qt::QueuedConnection);
}

void TTarrowMainForm::RestorePageAndProject() {
    const int page = WindowStateValue(this, "page").toInt();
    if (page > 0 && page < FControls.MainPageControl->count())
        FControls.MainPageControl->setCurrentIndex(page);
    const TWebsiteProject* project =
        FProjects.FindProject(WindowStateValue(this, "project").toString());
    const int row = project ? FProjectsModel->ProjectRow(project) : -1;
    // The list is where work starts: focused, on the project of last time or the first one.
    FocusList(row >= 0 ? row : 0);
}

void TTarrowMainForm::FormShow() {
    const QString names = ParseCommandLine(FOptions.Arguments).StartNames;
    if (names.isEmpty() || IsRunning())
        return;
    if (!CheckNotEmpty(OutDirText(), tr("Output Folder")) || !TakeProxy(true))
        return;
    FControls.MainPageControl->setCurrentWidget(FControls.LogTabSheet);
    ClearLog();
    FControls.LoadWebsitesButton->setEnabled(false);
    FControls.BreakButton->setEnabled(true);
    FRunProgress->Start(int(names.split(u',').size()));
    StartRun(new TRunWorker(FEngine, FProjects.Clone(), OutDirText(), names, FLogSink));
}

QString TTarrowMainForm::OutDirText() const {
    return FControls.OutDirEdit->text();
}

// --- the project list -------------------------------------------------------------------------

void TTarrowMainForm::RefreshProjectsList() {
    // Rows are positions, as in a virtual list: a selected row that no longer exists is gone.
    const int selected = FControls.ProjectsListView->SelectedRow();
    FProjectsModel->Refresh();
    if (selected >= FProjectsModel->rowCount())
        FControls.ProjectsListView->SelectRow(-1);
    else if (selected >= 0 && FControls.ProjectsListView->SelectedRow() != selected)
        FControls.ProjectsListView->SelectRow(selected);
    UpdateProjectActions();
    FControls.ProjectsSelectedLabel->setText(
        tr("%1 checked.").arg(FProjects.CheckedVisibleCount()));
}

void TTarrowMainForm::UpdateProjectActions() {
    const bool selected = GetSelectedProject() != nullptr;
    // A read-only window never saves: changes made there would be lost without a word.
    const bool writable = !FOptions.ReadOnly;
    FControls.AddProjectAction->setEnabled(writable);
    for (QAction* action :
         {FControls.CopyProjectAction, FControls.EditProjectAction, FControls.DeleteProjectAction})
        action->setEnabled(selected && writable);
    FControls.OpenOutputFolderAction->setEnabled(selected);
    FControls.ContinueButton->setEnabled(!IsRunning() && SelectedProjectCanContinue());
}

bool TTarrowMainForm::SelectedProjectCanContinue() const {
    const TWebsiteProject* project = GetSelectedProject();
    if (!project || !project->Journal() || OutDirText().isEmpty())
        return false;
    const QString folder = ExpandOutputFolder(project->OutputFolder(), OutDirText(),
                                              project->ProjectName(), FEngine.PathReading());
    return HasUnfinishedJournal(folder, *project);
}

void TTarrowMainForm::FocusList(int ARow) {
    if (ARow >= 0 && ARow < FProjectsModel->rowCount())
        FControls.ProjectsListView->SelectRow(ARow);
    FControls.ProjectsListView->setFocus(Qt::OtherFocusReason);
}

void TTarrowMainForm::ProjectsListViewSelectItem() {
    FSelectedItemIndex = FControls.ProjectsListView->SelectedRow();
    UpdateProjectActions();
}

TWebsiteProject* TTarrowMainForm::GetItemProject(int ARow) const {
    return FProjectsModel->RowProject(ARow);
}

TWebsiteProject* TTarrowMainForm::GetSelectedProject() const {
    return GetItemProject(FControls.ProjectsListView->SelectedRow());
}

void TTarrowMainForm::ToggleProjectCheck(int ARow) {
    TWebsiteProject* project = GetItemProject(ARow);
    if (!project)
        return;
    project->SetChecked(!project->Checked());
    RefreshProjectsList();
}

void TTarrowMainForm::ProjectsListViewMouseDown(const QPoint& APos) {
    const QModelIndex index = FControls.ProjectsListView->indexAt(APos);
    if (!index.isValid())
        return;
    // The state image sits in front of the caption: the press counts within 16 pixels there.
    const int a = (FControls.ProjectsListView->CaptionLeft(index.row()) - 15) / 2;
    if (a <= APos.x() && APos.x() < a + 16)
        ToggleProjectCheck(index.row());
}

void TTarrowMainForm::CheckAllProjectsActionExecute() {
    FProjects.CheckAll();
    RefreshProjectsList();
}

void TTarrowMainForm::UnCheckAllProjectsActionExecute() {
    FProjects.UnCheckAll();
    RefreshProjectsList();
}

void TTarrowMainForm::ProjectsListViewDragDrop(TWebsiteProject* AProject, int ARow) {
    TWebsiteProject* target = GetItemProject(ARow);
    // The dragged project must still be one of ours (compared, never dereferenced otherwise).
    if (!target || FProjectsModel->ProjectRow(AProject) < 0)
        return;
    FProjects.MoveProject(AProject, target);
    RefreshProjectsList();
    FControls.ProjectsListView->SelectRow(FProjectsModel->ProjectRow(AProject));
}

// --- the group filter -------------------------------------------------------------------------

QString TTarrowMainForm::SelectedGroup() const {
    const int index = FControls.GroupComboBox->currentIndex();
    return index > 0 ? FControls.GroupComboBox->itemText(index) : QString();
}

void TTarrowMainForm::FillGroupComboBox() {
    const QSignalBlocker blocker(FControls.GroupComboBox);
    FControls.GroupComboBox->clear();
    FControls.GroupComboBox->addItems(FSettings.GroupItems);
    // The first item stands for every project: shown in the window's language.
    if (FControls.GroupComboBox->count() > 0)
        FControls.GroupComboBox->setItemText(0, tr("<All projects>"));
    FControls.GroupComboBox->setCurrentIndex(FSettings.GroupIndex);
}

void TTarrowMainForm::GroupComboBoxDropDown() {
    FSettings.GroupIndex = FControls.GroupComboBox->currentIndex();
    RefreshGroupItems(FSettings);
    FillGroupComboBox();
}

void TTarrowMainForm::GroupComboBoxClick() {
    FSettings.GroupIndex = FControls.GroupComboBox->currentIndex();
    ApplyGroupFilter(FSettings);
    RefreshProjectsList();
}

// --- add, copy, edit, delete ------------------------------------------------------------------

bool TTarrowMainForm::ProjectNameExists(const QString& AProjectName,
                                        const TWebsiteProject* AExceptProject) {
    const TWebsiteProject* found = FProjects.FindProject(AProjectName);
    if (!found || found == AExceptProject)
        return false;
    Warning(tr("Project \"%1\" already exists.").arg(AProjectName));
    return true;
}

void TTarrowMainForm::AddProjectActionExecute() {
    auto project = std::make_unique<TWebsiteProject>();
    bool confirmed = FEditProjectForm->AddProject(*project, OutDirText(), SelectedGroup());
    // A taken name: the editor opens again with what the user typed.
    while (confirmed && ProjectNameExists(project->ProjectName(), nullptr))
        confirmed = FEditProjectForm->EditProject(*project, OutDirText(), true);
    if (!confirmed) {
        FocusList(FControls.ProjectsListView->SelectedRow());
        return;
    }
    const TWebsiteProject* added = project.get();
    FProjects.AddProject(std::move(project));
    RefreshProjectsList();
    // The new project is the current row, scrolled into view.
    FocusList(FProjectsModel->ProjectRow(added));
}

void TTarrowMainForm::CopyProjectActionExecute() {
    const TWebsiteProject* selected = GetSelectedProject();
    if (!selected)
        return;
    auto copy = std::make_unique<TWebsiteProject>(selected);
    copy->SetProjectName(QString());
    bool confirmed = FEditProjectForm->EditProject(*copy, OutDirText(), true);
    while (confirmed && ProjectNameExists(copy->ProjectName(), nullptr))
        confirmed = FEditProjectForm->EditProject(*copy, OutDirText(), true);
    if (!confirmed) {
        FocusList(FControls.ProjectsListView->SelectedRow());
        return;
    }
    const TWebsiteProject* added = copy.get();
    FProjects.AddProject(std::move(copy));
    RefreshProjectsList();
    FocusList(FProjectsModel->ProjectRow(added));
}

void TTarrowMainForm::EditProjectActionExecute() {
    TWebsiteProject* selected = GetSelectedProject();
    if (!selected)
        return;
    auto copy = std::make_unique<TWebsiteProject>(selected);
    bool confirmed = FEditProjectForm->EditProject(*copy, OutDirText(), false);
    while (confirmed && ProjectNameExists(copy->ProjectName(), selected))
        confirmed = FEditProjectForm->EditProject(*copy, OutDirText(), false);
    const int row = FControls.ProjectsListView->SelectedRow();
    if (confirmed) {
        FProjects.ReplaceProject(selected, copy);
        RefreshProjectsList();
    }
    FocusList(row);
}

void TTarrowMainForm::DeleteProjectActionExecute() {
    TWebsiteProject* selected = GetSelectedProject();
    if (!selected)
        return;
    const QString query = tr("Delete \"%1\".\"\r\n\r\nAre you sure?").arg(selected->ProjectName());
    const int row = FControls.ProjectsListView->SelectedRow();
    if (!Confirm(tr("Delete Project"), query)) {
        FocusList(row);
        return;
    }
    FProjects.RemoveProject(selected);
    RefreshProjectsList();
    // The focus stays where the row was, on the next one (the last one when it was the last),
    // which is not selected: another Delete needs a choice.
    FControls.ProjectsListView->SetCurrentRow(qMin(row, FProjectsModel->rowCount() - 1));
    FControls.ProjectsListView->setFocus(Qt::OtherFocusReason);
}

// --- folders and links ------------------------------------------------------------------------

void TTarrowMainForm::OpenOutputFolderActionExecute() {
    const TWebsiteProject* selected = GetSelectedProject();
    if (!selected)
        return;
    const QString folder =
        ExpandFolderTags(selected->OutputFolder(), OutDirText(), selected->ProjectName());
    if (!folder.isEmpty())
        OpenFolder(folder);
}

void TTarrowMainForm::ExploreOutDirButtonClick() {
    if (!OutDirText().isEmpty())
        OpenFolder(OutDirText());
}

void TTarrowMainForm::BrowseOutDirButtonClick() {
    const QString folder = ChooseFolder(this, OutDirText(), tr("Output Folder ({OutDir})"));
    if (!folder.isEmpty())
        FControls.OutDirEdit->setText(folder);
}

void TTarrowMainForm::HelpActionExecute() {
    const QUrl manual = ManualURL(QCoreApplication::applicationDirPath(), HomePageURL());
    if (manual.isEmpty())
        Warning(tr("No manual is installed."));
    else
        OpenWebPage(manual);
}

void TTarrowMainForm::LinkLabelClick() {
    if (!HomePageURL().isEmpty())
        OpenWebPage(QUrl(HomePageURL()));
}

// --- runs -------------------------------------------------------------------------------------

void TTarrowMainForm::LogMsg(const QString& AMsg) {
    FRunProgress->Add(AMsg);
    FRunLog->Add(AMsg);
}

void TTarrowMainForm::FlushLog() {
    FRunLog->Flush();
}

void TTarrowMainForm::ClearLog() {
    FRunLog->Clear();
    // Paint the emptied log and the page switch before the run starts; no user input here.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TTarrowMainForm::ShowStoredProxy() {
    const QString error = ProxyError(FSettings.Proxy);
    FProxyMasked = !error.isEmpty();
    // Kept as it stands in the file; it is already marked, leaving the field does not warn.
    FProxyRefused = FProxyMasked ? FSettings.Proxy : QString();
    FControls.ProxyEdit->setText(FProxyMasked ? MaskProxyPassword(FSettings.Proxy)
                                              : FSettings.Proxy);
    MarkProxyField(error);
}

QString TTarrowMainForm::ProxyFieldValue() const {
    const QString text = FControls.ProxyEdit->text();
    return FProxyMasked && text == MaskProxyPassword(FSettings.Proxy) ? FSettings.Proxy : text;
}

void TTarrowMainForm::MarkProxyField(const QString& AError) {
    QLineEdit* field = FControls.ProxyEdit;
    field->setProperty("invalid", !AError.isEmpty());
    field->setToolTip(AError.isEmpty() ? HintText(field->whatsThis()) : AError);
    QPalette palette;
    if (!AError.isEmpty())
        palette.setColor(QPalette::Base, QColor(255, 214, 214));
    field->setPalette(palette);
}

bool TTarrowMainForm::ProxyEditExit() {
    return TakeProxy(false);
}

bool TTarrowMainForm::TakeProxy(bool AWarnAgain) {
    const QString text = ProxyFieldValue();
    const QString error = ProxyError(text);
    MarkProxyField(error);
    if (!error.isEmpty()) {
        // The message box takes the focus, which ends the editing once more: warned once.
        const bool warn = AWarnAgain || text != FProxyRefused;
        FProxyRefused = text;
        if (warn)
            Warning(error);
        return false;
    }
    FProxyRefused.clear();
    FProxyMasked = false;
    FSettings.Proxy = text;
    return true;
}

QString TTarrowMainForm::TrySaveSettings() {
    FSettings.OutDir = OutDirText();
    TakeProxy(false); // a refused proxy is not saved; the stored one is
    try {
        const QString notice = SaveSettings(FSettings, FOptions.SettingsSaveFile);
        if (!notice.isEmpty())
            ShowInformation(this, notice);
        return QString();
    } catch (const std::exception& E) {
        return ExceptionMessage(E);
    }
}

bool TTarrowMainForm::WriteSettings() {
    if (FOptions.ReadOnly)
        return true;
    const QString error = TrySaveSettings();
    if (!error.isEmpty())
        ShowError(this, error);
    return error.isEmpty();
}

bool TTarrowMainForm::WriteSettingsOnClose() {
    if (FOptions.ReadOnly)
        return true;
    for (;;) {
        const QString error = TrySaveSettings();
        if (error.isEmpty())
            return true;
        if (FClosingBySignal) {
            std::fprintf(stderr, "tarrow: closing without saving the settings: %s\n",
                         error.toLocal8Bit().constData());
            std::fflush(stderr);
            return true;
        }
        FAskingOnClose = true;
        const TSaveFailedChoice choice = AskRetryOrClose(this, error);
        FAskingOnClose = false;
        // A signal that came meanwhile closed the question: one more attempt, then no question.
        if (FClosingBySignal || choice == TSaveFailedChoice::scRetry)
            continue;
        return choice == TSaveFailedChoice::scCloseWithoutSaving;
    }
}

void TTarrowMainForm::LoadWebsitesButtonClick() {
    if (IsRunning())
        return;
    if (FProjects.CheckedVisibleCount() == 0) {
        Warning(tr("Please, check one or more projects."));
        FocusList(FControls.ProjectsListView->SelectedRow());
        return;
    }
    if (!CheckNotEmpty(OutDirText(), tr("Output Folder")))
        return;
    if (!TakeProxy(true) || !WriteSettings())
        return;
    FControls.MainPageControl->setCurrentWidget(FControls.LogTabSheet);
    ClearLog();
    FEngine.Terminated().Clear();
    FControls.LoadWebsitesButton->setEnabled(false);
    FControls.BreakButton->setEnabled(true);
    FRunProgress->Start(FProjects.CheckedVisibleCount());
    StartRun(new TRunWorker(FEngine, FProjects.Clone(), OutDirText(), std::nullopt, FLogSink));
}

// Runs the selected project alone, going on from its journal where its last run stopped.
void TTarrowMainForm::ContinueButtonClick() {
    if (IsRunning() || !SelectedProjectCanContinue() || !TakeProxy(true) || !WriteSettings())
        return;
    auto projects = FProjects.Clone();
    const QString name = GetSelectedProject()->ProjectName();
    for (int i = 0; i < projects->VisibleCount(); ++i) {
        TWebsiteProject& project = *projects->GetVisibleProject(i);
        project.SetChecked(project.ProjectName() == name);
    }
    FControls.MainPageControl->setCurrentWidget(FControls.LogTabSheet);
    ClearLog();
    FEngine.Terminated().Clear();
    FControls.LoadWebsitesButton->setEnabled(false);
    FControls.ContinueButton->setEnabled(false);
    FControls.BreakButton->setEnabled(true);
    FRunProgress->Start(1);
    StartRun(new TRunWorker(FEngine, std::move(projects), OutDirText(), std::nullopt, FLogSink),
             true);
}

void TTarrowMainForm::StartRun(TRunWorker* AThread, bool AContinue) {
    TRunOptions options = FEngine.Options();
    options.Proxy = FSettings.Proxy;
    options.ContinueRun = AContinue;
    FEngine.SetOptions(options);
    AThread->setParent(this);
    FRunThread = AThread;
    if (AThread->IsStartByName())
        connect(AThread, &QThread::finished, this,
                [this, AThread] { OnStartProjectCompleted(AThread); });
    else
        connect(AThread, &QThread::finished, this,
                [this, AThread] { OnLoadWebsitesCompleted(AThread); });
    AThread->start();
}

void TTarrowMainForm::EndRun(TRunWorker* AThread) {
    FlushLog();
    const TRunResult result = AThread->Result();
    FRunProgress->Finish(result.Failed ? result.ErrorMessage : QString());
    FControls.LoadWebsitesButton->setEnabled(true);
    FControls.BreakButton->setEnabled(false);
    if (FRunThread == AThread)
        FRunThread = nullptr;
    UpdateProjectActions(); // a stopped run can be continued now
    AThread->deleteLater();
}

void TTarrowMainForm::OnLoadWebsitesCompleted(TRunWorker* AThread) {
    EndRun(AThread);
    Q_EMIT RunCompleted();
    if (FCloseRequested)
        close();
}

void TTarrowMainForm::OnStartProjectCompleted(TRunWorker* AThread) {
    const bool succeeded = AThread->Result().NamesFound;
    EndRun(AThread);
    Q_EMIT RunCompleted();
    if (FCloseRequested)
        close();
    else if (succeeded && ParseCommandLine(FOptions.Arguments).Close)
        FControls.CloseButton->click();
}

void TTarrowMainForm::BreakButtonClick() {
    FEngine.Terminated().Set();
    FControls.BreakButton->setEnabled(false);
}

void TTarrowMainForm::CloseButtonClick() {
    close();
}

void TTarrowMainForm::CloseBySignal() {
    FClosingBySignal = true;
    // Open dialogs get no answer: the editor is cancelled, a question about saving on closing
    // is left and closing goes on from there.
    for (int i = 0; i < 8; ++i) {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->close())
            break;
    }
    if (!FAskingOnClose)
        close();
}

void TTarrowMainForm::closeEvent(QCloseEvent* AEvent) {
    if (!FClosed) {
        // Saved at once, also during a run (which works on copies): a second instance started
        // meanwhile can no longer be overwritten by this one's late save. A read-only window
        // leaves the place of the first one alone.
        if (!FOptions.ReadOnly) {
            SaveWindowState(this, FControls.ProjectsListView->header());
            const TWebsiteProject* selected = GetSelectedProject();
            SetWindowStateValue(this, "project", selected ? selected->ProjectName() : QString());
            SetWindowStateValue(this, "page", FControls.MainPageControl->currentIndex());
        }
        // Cancel keeps the window open with everything in it.
        if (!WriteSettingsOnClose()) {
            AEvent->ignore();
            return;
        }
        FClosed = true;
    }
    if (IsRunning()) {
        // The worker hands its lines to this thread: break (which aborts the transfer under way),
        // keep the event loop running, and close on its completion.
        FCloseRequested = true;
        BreakButtonClick();
        hide();
        AEvent->ignore();
        return;
    }
    AEvent->accept();
    if (FCloseRequested)
        QCoreApplication::quit();
}

void TTarrowMainForm::WaitForRun() {
    if (!FRunThread)
        return;
    FEngine.Terminated().Set();
    // No completion handler on a window being destroyed.
    disconnect(FRunThread, nullptr, this, nullptr);
    // The worker's log lines are handed to this thread: serve them while waiting.
    while (FRunThread && !FRunThread->wait(QDeadlineTimer(10)))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    delete FRunThread;
}

} // namespace tarrow
