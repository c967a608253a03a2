// The window's place, size and column widths come back from the program's own state file.
#include "tests/ui/UiTestSupport.h"

#include "ui/EditProjectUnit.h"
#include "ui/ProjectsListView.h"
#include "ui/WindowStateUnit.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QScreen>
#include <QTabWidget>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

class WindowState : public UiTest {};

TEST_F(WindowState, SizeAndColumnsAreRememberedOutsideTheSettings) {
    EXPECT_EQ(StateFilePath(), FDir.filePath(u"Tarrow/state.ini"_s));
    QSize saved;
    {
        TTarrowMainForm& window = MakeWindow();
        window.resize(760, 500);
        saved = window.size();
        ASSERT_NE(saved, QSize(1080, 621));
        window.Controls().ProjectsListView->header()->resizeSection(1, 157);
        window.close();
    }
    ASSERT_TRUE(QFile::exists(StateFilePath()));
    QFile settings(SettingsPath());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settings.readAll().contains("geometry")); // never in the settings file

    TTarrowMainForm& again = MakeWindow();
    EXPECT_EQ(again.size(), saved);
    EXPECT_EQ(again.Controls().ProjectsListView->header()->sectionSize(1), 157);
}

TEST_F(WindowState, TheEditorKeepsItsSize) {
    {
        TEditProjectForm editor;
        editor.show();
        editor.resize(520, 430);
        editor.hide();
    }
    TEditProjectForm editor;
    editor.show();
    EXPECT_EQ(editor.size(), QSize(520, 430));
}

TEST_F(WindowState, TheSelectedProjectAndTheOpenPageComeBack) {
    QStringList lines{u"TarrowProjectsN=3"_s};
    for (int i = 1; i <= 3; ++i)
        lines << u"TarrowProjects[%1].ProjectName=P%1"_s.arg(i);
    WriteSettings(lines);
    {
        TTarrowMainForm& window = MakeWindow();
        // At first: the first project, on the first page.
        EXPECT_EQ(window.GetSelectedProject()->ProjectName(), u"P1"_s);
        window.Controls().ProjectsListView->SelectRow(2);
        window.Controls().MainPageControl->setCurrentIndex(2);
        window.close();
    }
    TTarrowMainForm& again = MakeWindow();
    EXPECT_EQ(again.GetSelectedProject()->ProjectName(), u"P3"_s);
    EXPECT_EQ(again.Controls().MainPageControl->currentIndex(), 2);
}

TEST_F(WindowState, ASizeLargerThanTheScreenIsShrunkToFit) {
    // As saved on a screen of twice the size (or at twice the scale).
    const QSize huge(4000, 3000);
    {
        TTarrowMainForm& window = MakeWindow();
        window.resize(huge);
        ASSERT_EQ(window.size(), huge);
        window.close();
        TEditProjectForm editor;
        editor.show();
        editor.resize(huge);
        editor.hide();
    }
    TTarrowMainForm& again = MakeWindow();
    TEditProjectForm editor;
    editor.show();
    for (const QWidget* window :
         {static_cast<const QWidget*>(&again), static_cast<const QWidget*>(&editor)}) {
        SCOPED_TRACE(window->objectName().toStdString());
        const QRect area = window->screen()->availableGeometry();
        EXPECT_TRUE(area.contains(window->frameGeometry()))
            << window->width() << "x" << window->height();
    }
}

TEST_F(WindowState, TheDefaultFolderIsUnderTheHome) {
    qputenv("XDG_STATE_HOME", "");
    EXPECT_EQ(StateFilePath(), QDir::homePath() + u"/.local/state/Tarrow/state.ini"_s);
}

} // namespace
