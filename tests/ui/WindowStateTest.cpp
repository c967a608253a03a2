// The window's place, size and column widths come back from the program's own state file.
#include "tests/ui/UiTestSupport.h"

#include "ui/EditProjectUnit.h"
#include "ui/ProjectsListView.h"
#include "ui/WindowStateUnit.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>

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

TEST_F(WindowState, TheDefaultFolderIsUnderTheHome) {
    qputenv("XDG_STATE_HOME", "");
    EXPECT_EQ(StateFilePath(), QDir::homePath() + u"/.local/state/Tarrow/state.ini"_s);
}

} // namespace
