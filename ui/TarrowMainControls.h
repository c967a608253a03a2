#pragma once

#include <QString>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace tarrow {

class TGroupComboBox;
class TProjectsListView;

// The controls of the main window, laid out by CreateMainControls. The window gives them their
// behaviour; each carries its name as its object name.
struct TTarrowMainControls {
    QTabWidget* MainPageControl = nullptr;
    QWidget* WebsitesTabSheet = nullptr;
    QWidget* LogTabSheet = nullptr;
    QWidget* AboutTabSheet = nullptr;
    QPushButton* LoadWebsitesButton = nullptr;
    QPushButton* ContinueButton = nullptr;
    QPushButton* BreakButton = nullptr;
    QPushButton* CloseButton = nullptr;
    TGroupComboBox* GroupComboBox = nullptr;
    QLabel* CheckAllProjectsLabel = nullptr;
    QLabel* UnCheckAllProjectsLabel = nullptr;
    QLabel* ProjectsSelectedLabel = nullptr;
    QLabel* ProjectsListLabel = nullptr;
    TProjectsListView* ProjectsListView = nullptr;
    QPushButton* AddProjectButton = nullptr;
    QPushButton* CopyProjectButton = nullptr;
    QPushButton* EditProjectButton = nullptr;
    QPushButton* DeleteProjectButton = nullptr;
    QPushButton* OpenOutputFolderButton = nullptr;
    QLineEdit* OutDirEdit = nullptr;
    QPushButton* ExploreOutDirButton = nullptr;
    QPushButton* BrowseOutDirButton = nullptr;
    QLineEdit* ProxyEdit = nullptr;
    QPlainTextEdit* LogMemo = nullptr;
    QLabel* AppIconImage = nullptr;
    QLabel* TitleLabel = nullptr;
    QLabel* NoticeLabel = nullptr;
    QLabel* LinkLabel = nullptr;
    QLabel* EditionLabel = nullptr;
    // ProjectsActionList
    QAction* AddProjectAction = nullptr;
    QAction* CopyProjectAction = nullptr;
    QAction* EditProjectAction = nullptr;
    QAction* DeleteProjectAction = nullptr;
    QAction* OpenOutputFolderAction = nullptr;
    QAction* CheckAllProjectsAction = nullptr;
    QAction* UnCheckAllProjectsAction = nullptr;
    QMenu* ProjectsPopupMenu = nullptr;
    // The window's keys for its buttons and help (they act like the buttons they stand for).
    QAction* LoadWebsitesAction = nullptr;
    QAction* BreakAction = nullptr;
    QAction* CloseAction = nullptr;
    QAction* HelpAction = nullptr;
    QAction* WhatsThisAction = nullptr;
};

// Builds the window's pages, bars, actions and popup menu inside AForm.
TTarrowMainControls CreateMainControls(QWidget* AForm);

// The notice of the About page: a format ending in a year range whose second year is "%.2d".
QString NoticeFormat();
// The page the About page's link opens.
QString HomePageURL();

} // namespace tarrow
