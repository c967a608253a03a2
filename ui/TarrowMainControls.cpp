#include "ui/TarrowMainControls.h"

#include "engine/TarrowVersion.h"
#include "ui/AccessibleUnit.h"
#include "ui/GroupComboBox.h"
#include "ui/ProjectsListModel.h"
#include "ui/ProjectsListView.h"
#include "ui/uFormUtils.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWhatsThis>

#ifndef TARROW_HOME_URL
#define TARROW_HOME_URL ""
#endif

namespace tarrow {

namespace {

// The controls' texts are the main window's.
struct TTexts {
    Q_DECLARE_TR_FUNCTIONS(tarrow::TTarrowMainForm)
};

QAction* NewAction(const QString& AText, QWidget* AForm, const QString& AName) {
    auto* action = new QAction(AText, AForm);
    action->setObjectName(AName);
    return action;
}

void CreateActions(TTarrowMainControls& C, QWidget* AForm) {
    C.AddProjectAction = NewAction(TTexts::tr("Add..."), AForm, QStringLiteral("AddProjectAction"));
    C.CopyProjectAction =
        NewAction(TTexts::tr("Copy..."), AForm, QStringLiteral("CopyProjectAction"));
    C.EditProjectAction =
        NewAction(TTexts::tr("Edit..."), AForm, QStringLiteral("EditProjectAction"));
    C.DeleteProjectAction =
        NewAction(TTexts::tr("Delete"), AForm, QStringLiteral("DeleteProjectAction"));
    C.OpenOutputFolderAction = NewAction(TTexts::tr("Explore Out. Folder"), AForm,
                                         QStringLiteral("OpenOutputFolderAction"));
    C.CheckAllProjectsAction =
        NewAction(TTexts::tr("Select All"), AForm, QStringLiteral("CheckAllProjectsAction"));
    C.UnCheckAllProjectsAction =
        NewAction(TTexts::tr("Unselect All"), AForm, QStringLiteral("UnCheckAllProjectsAction"));
    for (QAction* action : {C.CopyProjectAction, C.EditProjectAction, C.DeleteProjectAction,
                            C.OpenOutputFolderAction})
        action->setEnabled(false);
    // Enter and Delete act in the project list only (its key filter): fields keep theirs.
    C.AddProjectAction->setShortcut(QKeySequence::New);
    C.CopyProjectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    C.EditProjectAction->setShortcut(QKeySequence(Qt::Key_F2));
    C.LoadWebsitesAction =
        NewAction(TTexts::tr("Load Websites"), AForm, QStringLiteral("LoadWebsitesAction"));
    C.LoadWebsitesAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(QKeySequence::Refresh)});
    C.BreakAction = NewAction(TTexts::tr("Break"), AForm, QStringLiteral("BreakAction"));
    C.BreakAction->setShortcut(QKeySequence(Qt::Key_Escape));
    C.CloseAction = NewAction(TTexts::tr("Close"), AForm, QStringLiteral("CloseAction"));
    C.CloseAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_W)});
    C.HelpAction = NewAction(TTexts::tr("Manual"), AForm, QStringLiteral("HelpAction"));
    C.HelpAction->setShortcut(QKeySequence(Qt::Key_F1));
    C.WhatsThisAction = QWhatsThis::createAction(AForm);
    C.WhatsThisAction->setObjectName(QStringLiteral("WhatsThisAction"));
    C.WhatsThisAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    for (QAction* action :
         {C.AddProjectAction, C.CopyProjectAction, C.EditProjectAction, C.LoadWebsitesAction,
          C.BreakAction, C.CloseAction, C.HelpAction, C.WhatsThisAction})
        AForm->addAction(action);
    C.ProjectsPopupMenu = new QMenu(AForm);
    C.ProjectsPopupMenu->setObjectName(QStringLiteral("ProjectsPopupMenu"));
    C.ProjectsPopupMenu->addActions(
        {C.AddProjectAction, C.CopyProjectAction, C.EditProjectAction, C.DeleteProjectAction});
    C.ProjectsPopupMenu->addSeparator();
    C.ProjectsPopupMenu->addAction(C.OpenOutputFolderAction);
    C.ProjectsPopupMenu->addSeparator();
    C.ProjectsPopupMenu->addActions({C.CheckAllProjectsAction, C.UnCheckAllProjectsAction});
}

// A button that shows an action: it runs it and follows its enabled state.
// The caption is the action's with a mnemonic that is unique within the window.
QPushButton* ActionButton(QAction* AAction, const QString& ACaption, QWidget* AParent,
                          const QString& AName, const QString& AHint,
                          const QList<QKeySequence>& AListKeys = {}) {
    QPushButton* button = NewButton(ACaption, AParent, AName);
    SetHint(button, AHint, AAction->shortcuts() + AListKeys);
    button->setEnabled(AAction->isEnabled());
    QObject::connect(button, &QPushButton::clicked, AAction, &QAction::trigger);
    QObject::connect(AAction, &QAction::changed, button,
                     [button, AAction] { button->setEnabled(AAction->isEnabled()); });
    return button;
}

QWidget* CreateWebsitesPage(TTarrowMainControls& C, QWidget* AForm) {
    auto* page = new QWidget(AForm);
    page->setObjectName(QStringLiteral("WebsitesTabSheet"));
    C.GroupComboBox = new TGroupComboBox(page);
    C.GroupComboBox->setObjectName(QStringLiteral("GroupComboBox"));
    C.GroupComboBox->setEditable(false);
    C.GroupComboBox->setMinimumWidth(180);
    C.GroupComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    C.GroupComboBox->setMinimumContentsLength(24);
    C.GroupComboBox->addItem(TTexts::tr("<All projects>"));
    SetHint(C.GroupComboBox, TTexts::tr("Shows all projects or only those of one group"));
    C.CheckAllProjectsLabel =
        NewLinkLabel(TTexts::tr("Check All"), page, QStringLiteral("CheckAllProjectsLabel"));
    C.UnCheckAllProjectsLabel =
        NewLinkLabel(TTexts::tr("Uncheck All"), page, QStringLiteral("UnCheckAllProjectsLabel"));
    ExposeAsButton(C.CheckAllProjectsLabel);
    ExposeAsButton(C.UnCheckAllProjectsLabel);
    C.CheckAllProjectsLabel->setAccessibleName(TTexts::tr("Check All"));
    C.UnCheckAllProjectsLabel->setAccessibleName(TTexts::tr("Uncheck All"));
    SetHint(C.CheckAllProjectsLabel, TTexts::tr("Checks every project shown"));
    SetHint(C.UnCheckAllProjectsLabel, TTexts::tr("Unchecks every project"));
    C.ProjectsSelectedLabel =
        NewLabel(TTexts::tr("0 checked."), page, QStringLiteral("ProjectsSelectedLabel"));
    auto* viewBar = new QHBoxLayout;
    viewBar->addWidget(NewFieldLabel(TTexts::tr("View:"), C.GroupComboBox));
    viewBar->addWidget(C.GroupComboBox);
    viewBar->addSpacing(8);
    viewBar->addWidget(C.CheckAllProjectsLabel);
    viewBar->addWidget(C.UnCheckAllProjectsLabel);
    viewBar->addSpacing(8);
    viewBar->addWidget(C.ProjectsSelectedLabel);
    viewBar->addStretch();

    C.ProjectsListView = new TProjectsListView(page);
    C.ProjectsListView->setObjectName(QStringLiteral("ProjectsListView"));
    C.ProjectsListView->setContextMenuPolicy(Qt::CustomContextMenu);
    C.ProjectsListLabel = NewFieldLabel(TTexts::tr("Pro&jects:"), C.ProjectsListView);
    SetHint(C.ProjectsListView,
            TTexts::tr("The projects; the check mark (Space) includes one in Load Websites"));

    C.AddProjectButton = ActionButton(
        C.AddProjectAction, TTexts::tr("&Add..."), page, QStringLiteral("AddProjectButton"),
        TTexts::tr("Adds a new project"), {QKeySequence(Qt::Key_Insert)});
    C.CopyProjectButton = ActionButton(
        C.CopyProjectAction, TTexts::tr("Co&py..."), page, QStringLiteral("CopyProjectButton"),
        TTexts::tr("Adds a copy of the selected project under a new name"));
    C.EditProjectButton = ActionButton(
        C.EditProjectAction, TTexts::tr("&Edit..."), page, QStringLiteral("EditProjectButton"),
        TTexts::tr("Edits the selected project"), {QKeySequence(Qt::Key_Return)});
    C.DeleteProjectButton = ActionButton(
        C.DeleteProjectAction, TTexts::tr("&Delete"), page, QStringLiteral("DeleteProjectButton"),
        TTexts::tr("Deletes the selected project"), {QKeySequence(QKeySequence::Delete)});
    C.OpenOutputFolderButton =
        ActionButton(C.OpenOutputFolderAction, TTexts::tr("Explore &Out. Folder"), page,
                     QStringLiteral("OpenOutputFolderButton"),
                     TTexts::tr("Opens the selected project's output folder in the file manager"));
    C.OutDirEdit = NewEdit(page, QStringLiteral("OutDirEdit"));
    C.ExploreOutDirButton =
        NewButton(TTexts::tr("E&xplore"), page, QStringLiteral("ExploreOutDirButton"));
    C.BrowseOutDirButton =
        NewButton(TTexts::tr("&Browse..."), page, QStringLiteral("BrowseOutDirButton"));
    SetHint(C.OutDirEdit, TTexts::tr("The folder that {OutDir} stands for in output folders"));
    SetHint(C.ExploreOutDirButton, TTexts::tr("Opens the output folder in the file manager"));
    SetHint(C.BrowseOutDirButton, TTexts::tr("Chooses the output folder"));
    // Panel3: the field takes whatever width the buttons leave, up to the panel's right edge.
    auto* panel = new QHBoxLayout;
    for (QPushButton* button : {C.AddProjectButton, C.CopyProjectButton, C.EditProjectButton,
                                C.DeleteProjectButton, C.OpenOutputFolderButton})
        panel->addWidget(button);
    panel->addSpacing(12);
    panel->addWidget(NewFieldLabel(TTexts::tr("Output Folder ({OutDir}):"), C.OutDirEdit));
    panel->addWidget(C.OutDirEdit, 1);
    // The proxy of every run, on the line under the output folder.
    C.ProxyEdit = NewEdit(page, QStringLiteral("ProxyEdit"));
    C.ProxyEdit->setPlaceholderText(TTexts::tr("none, or socks5://host:port"));
    C.ProxyEdit->setMinimumWidth(260);
    SetHint(C.ProxyEdit, TTexts::tr("The proxy every run goes through; empty for none"));
    auto* folderButtons = new QHBoxLayout;
    folderButtons->addWidget(NewFieldLabel(TTexts::tr("Prox&y:"), C.ProxyEdit));
    folderButtons->addWidget(C.ProxyEdit);
    folderButtons->addStretch();
    folderButtons->addWidget(C.ExploreOutDirButton);
    folderButtons->addWidget(C.BrowseOutDirButton);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(viewBar);
    layout->addWidget(C.ProjectsListLabel);
    layout->addWidget(C.ProjectsListView, 1);
    layout->addLayout(panel);
    layout->addLayout(folderButtons);
    return page;
}

QWidget* CreateLogPage(TTarrowMainControls& C, QWidget* AForm) {
    auto* page = new QWidget(AForm);
    page->setObjectName(QStringLiteral("LogTabSheet"));
    C.LogMemo = new QPlainTextEdit(page);
    C.LogMemo->setObjectName(QStringLiteral("LogMemo"));
    C.LogMemo->setReadOnly(true);
    C.LogMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    C.LogMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    C.LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    C.LogMemo->setUndoRedoEnabled(false);
    C.LogMemo->setAccessibleName(TTexts::tr("Log"));
    SetHint(C.LogMemo, TTexts::tr("The log of the last run"), {QKeySequence::Save});
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(C.LogMemo);
    return page;
}

QWidget* CreateAboutPage(TTarrowMainControls& C, QWidget* AForm) {
    auto* page = new QWidget(AForm);
    page->setObjectName(QStringLiteral("AboutTabSheet"));
    C.AppIconImage = new QLabel(page);
    C.AppIconImage->setObjectName(QStringLiteral("AppIconImage"));
    C.AppIconImage->setFixedSize(32, 32);
    C.TitleLabel = NewLabel(QString(), page, QStringLiteral("TitleLabel"));
    QFont title = C.TitleLabel->font();
    title.setBold(true);
    title.setPointSize(title.pointSize() + 4);
    C.TitleLabel->setFont(title);
    C.NoticeLabel = NewLabel(QString(), page, QStringLiteral("NoticeLabel"));
    C.LinkLabel =
        NewLinkLabel(TTexts::tr("Read the documentation"), page, QStringLiteral("LinkLabel"));
    SetHint(C.LinkLabel, TTexts::tr("Opens the documentation in the web browser"));
    C.LinkLabel->setVisible(!HomePageURL().isEmpty());
    C.EditionLabel = NewLabel(QString(), page, QStringLiteral("EditionLabel"));

    auto* text = new QVBoxLayout;
    for (QLabel* label : {C.TitleLabel, C.NoticeLabel, C.LinkLabel, C.EditionLabel})
        text->addWidget(label);
    text->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(C.AppIconImage, 0, Qt::AlignTop);
    layout->addSpacing(16);
    layout->addLayout(text, 1);
    return page;
}

} // namespace

QString NoticeFormat() {
    return TTexts::tr("A website downloader. Copyright \u00a9 The Tarrow developers, 2021-20%.2d");
}

QString HomePageURL() {
    return QString::fromUtf8(TARROW_HOME_URL);
}

TTarrowMainControls CreateMainControls(QWidget* AForm) {
    TTarrowMainControls C;
    CreateActions(C, AForm);
    C.MainPageControl = new QTabWidget(AForm);
    C.MainPageControl->setObjectName(QStringLiteral("MainPageControl"));
    C.WebsitesTabSheet = CreateWebsitesPage(C, AForm);
    C.LogTabSheet = CreateLogPage(C, AForm);
    C.AboutTabSheet = CreateAboutPage(C, AForm);
    C.MainPageControl->addTab(C.WebsitesTabSheet, TTexts::tr("Websites"));
    C.MainPageControl->addTab(C.LogTabSheet, TTexts::tr("Log"));
    C.MainPageControl->addTab(C.AboutTabSheet, TTexts::tr("About"));

    C.LoadWebsitesButton =
        NewButton(TTexts::tr("&Load Websites"), AForm, QStringLiteral("LoadWebsitesButton"));
    QFont bold = C.LoadWebsitesButton->font();
    bold.setBold(true);
    C.LoadWebsitesButton->setFont(bold);
    C.ContinueButton = NewButton(TTexts::tr("Con&tinue"), AForm, QStringLiteral("ContinueButton"));
    C.ContinueButton->setEnabled(false);
    C.BreakButton = NewButton(TTexts::tr("B&reak"), AForm, QStringLiteral("BreakButton"));
    C.BreakButton->setEnabled(false);
    C.CloseButton = NewButton(TTexts::tr("&Close"), AForm, QStringLiteral("CloseButton"));
    SetHint(C.LoadWebsitesButton, TTexts::tr("Downloads the checked projects"),
            C.LoadWebsitesAction->shortcuts());
    SetHint(C.ContinueButton,
            TTexts::tr("Continues the selected project's interrupted run from its journal"), {});
    SetHint(C.BreakButton, TTexts::tr("Stops the run"), C.BreakAction->shortcuts());
    SetHint(C.CloseButton, TTexts::tr("Saves the settings and closes the window"),
            C.CloseAction->shortcuts());
    auto* bottomBar = new QHBoxLayout;
    bottomBar->addWidget(C.LoadWebsitesButton);
    bottomBar->addWidget(C.ContinueButton);
    bottomBar->addWidget(C.BreakButton);
    bottomBar->addStretch();
    bottomBar->addWidget(C.CloseButton);

    auto* layout = new QVBoxLayout(AForm);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(C.MainPageControl, 1);
    layout->addLayout(bottomBar);

    auto* header = C.ProjectsListView->header();
    header->setDefaultSectionSize(100);
    return C;
}

} // namespace tarrow
