// The main window: captions, the project list and its check marks, the group filter, add, copy,
// edit, delete, drag reordering, the output-folder controls and the checks before a run.
#include "tests/ui/UiTestSupport.h"

#include "base/uPathUtils.h"
#include "project/WebsiteUnit.h"
#include "ui/EditProjectUnit.h"
#include "ui/GroupComboBox.h"
#include "ui/HelpUnit.h"
#include "ui/ProjectsListModel.h"
#include "ui/ProjectsListView.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWhatsThis>
#include <QWheelEvent>
#include <sys/stat.h>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

struct TProjectRow {
    const char* Name;
    const char* Group = "";
    bool Checked = false;
    bool Visible = true;
};

QStringList SettingsLines(std::initializer_list<TProjectRow> ARows, const char* AOutDir = "") {
    QStringList lines{QStringLiteral("TarrowProjectsN=%1").arg(ARows.size())};
    int i = 0;
    for (const TProjectRow& row : ARows) {
        const QString p = QStringLiteral("TarrowProjects[%1].").arg(++i);
        lines << p + u"ProjectName="_s + QString::fromUtf8(row.Name)
              << p + u"GroupName="_s + QString::fromUtf8(row.Group)
              << p + u"WebsiteURL=http://127.0.0.1:9/"_s + QString::fromUtf8(row.Name) + u'/'
              << p + u"OutputFolder={OutDir}\\{ProjectName}"_s
              << p + u"Checked="_s + (row.Checked ? u'1' : u'0')
              << p + u"Visible="_s + (row.Visible ? u'1' : u'0');
    }
    lines << u"OutDir="_s + QString::fromUtf8(AOutDir);
    return lines;
}

class MainForm : public UiTest {
protected:
    TTarrowMainForm& Open(std::initializer_list<TProjectRow> ARows, const char* AOutDir = "") {
        WriteSettings(SettingsLines(ARows, AOutDir));
        return MakeWindow();
    }
    const TTarrowMainControls& C() const { return FWindow->Controls(); }
    QStringList RowNames() const {
        QStringList names;
        const TProjectsListModel& model = FWindow->ProjectsModel();
        for (int i = 0; i < model.rowCount(); ++i)
            names << model.index(i, 0).data().toString();
        return names;
    }
    QStringList CheckedNames() const {
        QStringList names;
        for (int i = 0; i < FWindow->Projects().Count(); ++i)
            if (FWindow->Projects().GetProject(i)->Checked())
                names << FWindow->Projects().GetProject(i)->ProjectName();
        return names;
    }
    QString CheckedLabel() const { return C().ProjectsSelectedLabel->text(); }
    QPoint RowPoint(int ARow, int AX) const {
        const QRect rect =
            C().ProjectsListView->visualRect(FWindow->ProjectsModel().index(ARow, 0));
        return QPoint(AX, rect.center().y());
    }
    // Middle of the check box zone of a row.
    int CheckZoneX(int ARow) const {
        return (C().ProjectsListView->CaptionLeft(ARow) - 15) / 2 + 8;
    }
    void Press(int ARow, int AX) {
        QTest::mousePress(C().ProjectsListView->viewport(), Qt::LeftButton, {}, RowPoint(ARow, AX));
        QTest::mouseRelease(C().ProjectsListView->viewport(), Qt::LeftButton, {},
                            RowPoint(ARow, AX));
    }
    void ChooseGroup(const QString& AText) {
        FWindow->GroupComboBoxDropDown();
        C().GroupComboBox->setCurrentIndex(C().GroupComboBox->findText(AText));
        FWindow->GroupComboBoxClick();
    }
    QStringList GroupItems() const {
        QStringList items;
        for (int i = 0; i < C().GroupComboBox->count(); ++i)
            items << C().GroupComboBox->itemText(i);
        return items;
    }
    void Select(int ARow) { C().ProjectsListView->SelectRow(ARow); }
    TEditProjectForm& Editor() const { return FWindow->EditProjectForm(); }
    QLineEdit* EditorField(const char* AName) const { return Child<QLineEdit>(&Editor(), AName); }
    // Types a name into the editor and confirms it.
    void ConfirmEditorWithName(const QString& AName) {
        EditorField("ProjectNameEdit")->setText(AName);
        Child<QPushButton>(&Editor(), "OKButton")->click();
    }
};

TEST_F(MainForm, CaptionsPagesColumnsAndStartState) {
    TTarrowMainForm& window = Open({});
    EXPECT_EQ(window.windowTitle(), u"Tarrow 1.21 [x64]"_s);
    EXPECT_EQ(C().TitleLabel->text(), u"Tarrow 1.21"_s);
    EXPECT_EQ(C().EditionLabel->text(), u"64-Bit Edition"_s);
    EXPECT_TRUE(C().NoticeLabel->text().endsWith(
        QStringLiteral("%1").arg(QDate::currentDate().year() % 100, 2, 10, QLatin1Char('0'))));
    QTabWidget* pages = C().MainPageControl;
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), u"Websites"_s);
    EXPECT_EQ(pages->tabText(1), u"Log"_s);
    EXPECT_EQ(pages->tabText(2), u"About"_s);
    EXPECT_EQ(pages->currentWidget(), C().WebsitesTabSheet);
    EXPECT_TRUE(C().LoadWebsitesButton->isEnabled());
    EXPECT_TRUE(C().LoadWebsitesButton->font().bold());
    // The desktop's font, not a fixed one.
    EXPECT_EQ(window.font().family(), QApplication::font().family());
    EXPECT_EQ(window.font().pointSizeF(), QApplication::font().pointSizeF());
    EXPECT_EQ(Editor().font().pointSizeF(), QApplication::font().pointSizeF());
    const int sum = [&] {
        int total = 0;
        for (int i = 0; i < TProjectsListModel::coCount; ++i)
            total += C().ProjectsListView->header()->sectionSize(i);
        return total;
    }();
    EXPECT_GE(sum, C().ProjectsListView->viewport()->width()); // the columns fill the list
    EXPECT_FALSE(C().BreakButton->isEnabled());
    EXPECT_EQ(CheckedLabel(), u"0 checked."_s);
    EXPECT_EQ(GroupItems(), QStringList{u"<All projects>"_s});
    EXPECT_EQ(window.SelectedItemIndex(), -1);

    const QStringList captions{u"Project Name"_s,  u"Project Group"_s,   u"Website URL"_s,
                               u"Output Folder"_s, u"Remove Scripts?"_s, u"Target Base URL"_s,
                               u"Index File"_s,    u"Overwrite"_s};
    const int widths[] = {130, 100, 200, 200, 100, 100, 100, 80};
    for (int i = 0; i < captions.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(window.ProjectsModel().headerData(i, Qt::Horizontal, Qt::DisplayRole),
                  captions[i]);
        if (i + 1 < captions.size())
            EXPECT_EQ(C().ProjectsListView->header()->sectionSize(i), widths[i]);
        else // the last column stretches over the rest of the list
            EXPECT_GE(C().ProjectsListView->header()->sectionSize(i), widths[i]);
    }
    QStringList menu;
    for (QAction* action : C().ProjectsPopupMenu->actions())
        menu << (action->isSeparator() ? u"-"_s : action->text());
    EXPECT_EQ(menu,
              (QStringList{u"Add..."_s, u"Copy..."_s, u"Edit..."_s, u"Delete"_s, u"-"_s,
                           u"Explore Out. Folder"_s, u"-"_s, u"Select All"_s, u"Unselect All"_s}));
    for (QAction* action : {C().CopyProjectAction, C().EditProjectAction, C().DeleteProjectAction,
                            C().OpenOutputFolderAction})
        EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
    EXPECT_TRUE(C().AddProjectAction->isEnabled());
}

TEST_F(MainForm, CellsFollowTheProjects) {
    WriteSettings({u"TarrowProjectsN=2"_s, u"TarrowProjects[1].ProjectName=<b>Blog</b>"_s,
                   u"TarrowProjects[1].RemoveScripts=1"_s, u"TarrowProjects[1].Overwrite=1"_s,
                   u"TarrowProjects[1].BaseURL=https://mirror/"_s, u"TarrowProjects[1].Checked=1"_s,
                   u"TarrowProjects[2].ProjectName=Shop"_s, u"TarrowProjects[2].Overwrite=2"_s});
    TTarrowMainForm& window = MakeWindow();
    const TProjectsListModel& model = window.ProjectsModel();
    auto cell = [&](int ARow, int AColumn) { return model.index(ARow, AColumn).data().toString(); };
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(cell(0, TProjectsListModel::coProjectName), u"<b>Blog</b>"_s);
    EXPECT_EQ(cell(0, TProjectsListModel::coRemoveScripts), u"Yes"_s);
    EXPECT_EQ(cell(1, TProjectsListModel::coRemoveScripts), u"No"_s);
    EXPECT_EQ(cell(0, TProjectsListModel::coOverwrite), u"All"_s);
    EXPECT_EQ(cell(1, TProjectsListModel::coOverwrite), u"Changed"_s);
    EXPECT_EQ(cell(0, TProjectsListModel::coBaseURL), u"https://mirror/"_s);
    const QVariant ticked = model.index(0, 0).data(Qt::DecorationRole);
    const QVariant empty = model.index(1, 0).data(Qt::DecorationRole);
    EXPECT_EQ(ticked.value<QPixmap>().toImage(), model.CheckboxImage(1).toImage());
    EXPECT_EQ(empty.value<QPixmap>().toImage(), model.CheckboxImage(0).toImage());
    EXPECT_NE(model.CheckboxImage(0).toImage(), model.CheckboxImage(1).toImage());
    EXPECT_EQ(model.index(0, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    EXPECT_EQ(model.index(1, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    EXPECT_FALSE(model.index(0, 1).data(Qt::CheckStateRole).isValid());
    // Drawn with the screen's pixels, shown at 16 x 16.
    EXPECT_EQ(model.CheckboxImage(1).devicePixelRatio(), qApp->devicePixelRatio());
    EXPECT_EQ(model.CheckboxImage(1).deviceIndependentSize(), QSizeF(16, 16));
    EXPECT_EQ(CheckedLabel(), u"1 checked."_s);
}

TEST_F(MainForm, APressOnTheCheckBoxTogglesOnlyThere) {
    Open({{"Blog"}, {"Shop"}});
    Press(1, CheckZoneX(1));
    EXPECT_EQ(CheckedNames(), QStringList{u"Shop"_s});
    EXPECT_EQ(CheckedLabel(), u"1 checked."_s);
    Press(1, C().ProjectsListView->CaptionLeft(1) + 20); // on the name: selects only
    EXPECT_EQ(CheckedNames(), QStringList{u"Shop"_s});
    EXPECT_EQ(FWindow->SelectedItemIndex(), 1);
    EXPECT_TRUE(C().EditProjectAction->isEnabled());
    const int right = C().ProjectsListView->CaptionLeft(0);
    Press(0, (right - 15) / 2 + 16); // just past the zone
    EXPECT_EQ(CheckedNames(), QStringList{u"Shop"_s});
    Press(1, CheckZoneX(1));
    EXPECT_TRUE(CheckedNames().isEmpty());
}

TEST_F(MainForm, CheckAllChecksTheVisibleAndUncheckAllUnchecksEveryProject) {
    Open({{"A", "News"}, {"B", "Shop"}, {"C", "News"}});
    ChooseGroup(u"News"_s);
    C().CheckAllProjectsLabel->linkActivated(u"#"_s);
    EXPECT_EQ(CheckedNames(), (QStringList{u"A"_s, u"C"_s}));
    EXPECT_EQ(CheckedLabel(), u"2 checked."_s);
    ChooseGroup(u"<All projects>"_s);
    C().CheckAllProjectsAction->trigger(); // "Select All" of the popup menu
    EXPECT_EQ(CheckedLabel(), u"3 checked."_s);
    ChooseGroup(u"Shop"_s);
    C().UnCheckAllProjectsLabel->linkActivated(u"#"_s);
    EXPECT_TRUE(CheckedNames().isEmpty());
}

TEST_F(MainForm, ACheckedHiddenProjectIsNotCounted) {
    Open({{"A", "", true}, {"B", "", true, false}, {"C"}});
    EXPECT_EQ(CheckedLabel(), u"1 checked."_s);
    EXPECT_EQ(RowNames(), (QStringList{u"A"_s, u"C"_s}));
}

TEST_F(MainForm, ChoosingAGroupHidesAndUnchecksTheOthers) {
    Open({{"A", "News", true}, {"B", "Shop", true}, {"C", "News"}});
    ChooseGroup(u"News"_s);
    EXPECT_EQ(RowNames(), (QStringList{u"A"_s, u"C"_s}));
    EXPECT_EQ(CheckedNames(), QStringList{u"A"_s});
    ChooseGroup(u"<All projects>"_s);
    EXPECT_EQ(RowNames(), (QStringList{u"A"_s, u"C"_s, u"B"_s})); // B comes back at the end
    EXPECT_EQ(CheckedNames(), QStringList{u"A"_s});
}

TEST_F(MainForm, GroupsDifferingInCaseAreOneItemThatMatchesExactly) {
    Open({{"A", "News"}, {"B", "news"}, {"C", "Archive"}, {"D"}});
    FWindow->GroupComboBoxDropDown();
    EXPECT_EQ(GroupItems(), (QStringList{u"<All projects>"_s, u"Archive"_s, u"News"_s}));
    ChooseGroup(u"News"_s);
    EXPECT_EQ(RowNames(), QStringList{u"A"_s});
    // Filling again keeps the chosen group, found ignoring case.
    FWindow->Projects().GetProject(0)->SetGroupName(u"Zoo"_s);
    FWindow->GroupComboBoxDropDown();
    EXPECT_EQ(GroupItems(), (QStringList{u"<All projects>"_s, u"Archive"_s, u"news"_s, u"Zoo"_s}));
    EXPECT_EQ(C().GroupComboBox->currentText(), u"news"_s);
}

TEST_F(MainForm, AddPresetsTheFilterGroupAndAppendsWhateverTheFilter) {
    Open({{"A", "News"}, {"B", "Shop"}}, "/tmp/Sites");
    ChooseGroup(u"News"_s);
    QStringList seen;
    WhenModal(&Editor(), [&] {
        seen << Editor().windowTitle() << EditorField("ProjectNameEdit")->text()
             << EditorField("GroupNameEdit")->text() << EditorField("IndexFileEdit")->text()
             << EditorField("ProjectOutFolderEdit")->text()
             << Child<QComboBox>(&Editor(), "ProjectOverwriteComboBox")->currentText();
        EditorField("GroupNameEdit")->setText(u"Other"_s);
        ConfirmEditorWithName(u"New"_s);
    });
    Select(0);
    C().AddProjectButton->click();
    EXPECT_EQ(seen, (QStringList{u"Add New Project"_s, u""_s, u"News"_s, u"index.html"_s,
                                 QDir::toNativeSeparators(u"{OutDir}/{ProjectName}"_s),
                                 u"Overwrite changed files only"_s}));
    EXPECT_EQ(RowNames(), (QStringList{u"A"_s, u"New"_s}));
    const TWebsiteProject* added = FWindow->Projects().GetProject(2);
    EXPECT_EQ(added->GroupName(), u"Other"_s);
    // Checked, so that the next Load Websites runs it.
    EXPECT_TRUE(added->Checked());
    EXPECT_TRUE(FMessages.isEmpty());
    // The new project is the current row, also when another row was selected.
    EXPECT_EQ(FWindow->GetSelectedProject(), added);
    EXPECT_EQ(C().ProjectsListView->currentIndex().row(), 1);
}

TEST_F(MainForm, ATakenNameWarnsAndReopensTheEditorWithTheUsersEdits) {
    Open({{"Blog"}, {"Shop"}});
    QString reopenedWith;
    WhenModal(&Editor(), [&] {
        EditorField("WebsiteURLEdit")->setText(u"http://typed/"_s);
        WhenModal(&Editor(), [&] {
            reopenedWith = EditorField("WebsiteURLEdit")->text() + u' ' + Editor().windowTitle();
            Child<QPushButton>(&Editor(), "CancelButton")->click();
        });
        ConfirmEditorWithName(u"Shop"_s);
    });
    C().AddProjectAction->trigger();
    EXPECT_EQ(FMessages, QStringList{u"Tarrow 1.21 [x64]|Project \"Shop\" already exists."_s});
    EXPECT_EQ(reopenedWith, u"http://typed/ Add New Project"_s);
    EXPECT_EQ(FWindow->Projects().Count(), 2);
}

TEST_F(MainForm, CopyGivesACheckedCopyAtTheEndWithANewName) {
    Open({{"Blog", "", true}, {"Shop"}});
    Select(0);
    QString nameShown;
    WhenModal(&Editor(), [&] {
        nameShown = EditorField("ProjectNameEdit")->text();
        EXPECT_EQ(Editor().windowTitle(), u"Add New Project"_s);
        EXPECT_EQ(EditorField("WebsiteURLEdit")->text(), u"http://127.0.0.1:9/Blog/"_s);
        ConfirmEditorWithName(u"Blog 2"_s);
    });
    C().CopyProjectButton->click();
    EXPECT_EQ(nameShown, u""_s);
    EXPECT_EQ(RowNames(), (QStringList{u"Blog"_s, u"Shop"_s, u"Blog 2"_s}));
    EXPECT_EQ(CheckedNames(), (QStringList{u"Blog"_s, u"Blog 2"_s}));
}

TEST_F(MainForm, EditKeepsItsOwnNameButNotAnotherProjects) {
    Open({{"Blog"}, {"Shop"}});
    Select(0);
    WhenModal(&Editor(), [&] {
        EXPECT_EQ(Editor().windowTitle(), u"Edit Project"_s);
        EditorField("WebsiteURLEdit")->setText(u"http://changed/"_s);
        ConfirmEditorWithName(u"Blog"_s);
    });
    FWindow->EditProjectActionExecute();
    EXPECT_TRUE(FMessages.isEmpty());
    EXPECT_EQ(FWindow->Projects().GetProject(0)->WebsiteURL(), u"http://changed/"_s);

    Select(0);
    WhenModal(&Editor(), [&] {
        EditorField("WebsiteURLEdit")->setText(u"http://lost/"_s);
        WhenModal(&Editor(), [&] { Editor().reject(); });
        ConfirmEditorWithName(u"Shop"_s);
    });
    FWindow->EditProjectActionExecute();
    EXPECT_EQ(FMessages, QStringList{u"Tarrow 1.21 [x64]|Project \"Shop\" already exists."_s});
    EXPECT_EQ(RowNames(), (QStringList{u"Blog"_s, u"Shop"_s}));
    EXPECT_EQ(FWindow->Projects().GetProject(0)->WebsiteURL(), u"http://changed/"_s);
}

TEST_F(MainForm, ADoubleClickOnARowOpensTheEditorForIt) {
    Open({{"Blog"}, {"Shop"}});
    QString name;
    WhenModal(&Editor(), [&] {
        name = EditorField("ProjectNameEdit")->text();
        Editor().reject();
    });
    const QPoint point = RowPoint(1, C().ProjectsListView->CaptionLeft(1) + 10);
    // As the platform delivers a double click: press, release, press, double click, release.
    QTest::mouseClick(C().ProjectsListView->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(C().ProjectsListView->viewport(), Qt::LeftButton, {}, point);
    EXPECT_EQ(name, u"Shop"_s);
}

TEST_F(MainForm, DeleteAsksFirst) {
    Open({{"Blog"}, {"Shop"}});
    Select(1);
    FAnswers = {false, true};
    C().DeleteProjectButton->click();
    EXPECT_EQ(FMessages, QStringList{u"Delete Project|Delete \"Shop\".\"\r\n\r\nAre you sure?"_s});
    EXPECT_EQ(RowNames(), (QStringList{u"Blog"_s, u"Shop"_s}));
    C().DeleteProjectButton->click();
    EXPECT_EQ(RowNames(), QStringList{u"Blog"_s});
    EXPECT_EQ(FWindow->Projects().FindProject(u"Shop"_s), nullptr);
    EXPECT_FALSE(C().DeleteProjectAction->isEnabled()); // the row is gone
}

TEST_F(MainForm, DraggingAProjectOntoARowMovesItThere) {
    Open({{"A"}, {"B"}, {"C"}, {"D"}});
    TProjectsListView* list = C().ProjectsListView;
    auto drop = [&](int AFromRow, QPoint APoint) {
        TDragWebsiteProject drag(FWindow->GetItemProject(AFromRow));
        QDragEnterEvent enter(APoint, Qt::MoveAction, &drag, Qt::LeftButton, {});
        QCoreApplication::sendEvent(list->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(APoint, Qt::MoveAction, &drag, Qt::LeftButton, {});
        QCoreApplication::sendEvent(list->viewport(), &event);
        return event.isAccepted();
    };
    EXPECT_TRUE(drop(0, RowPoint(2, 40)));
    EXPECT_EQ(RowNames(), (QStringList{u"B"_s, u"C"_s, u"A"_s, u"D"_s}));
    EXPECT_EQ(FWindow->Projects().GetProject(2)->ProjectName(), u"A"_s); // the saved order too
    drop(3, RowPoint(0, 40));
    EXPECT_EQ(RowNames(), (QStringList{u"D"_s, u"B"_s, u"C"_s, u"A"_s}));
    drop(0, QPoint(40, list->viewport()->height() - 2)); // below the last row
    EXPECT_EQ(RowNames(), (QStringList{u"D"_s, u"B"_s, u"C"_s, u"A"_s}));

    // Anything else dragged over the list is refused.
    QMimeData text;
    text.setText(u"A"_s);
    QDragMoveEvent over(RowPoint(0, 40), Qt::MoveAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list->viewport(), &over);
    EXPECT_FALSE(over.isAccepted());
}

TEST_F(MainForm, ListKeysCheckEditDeleteAddAndMove) {
    Open({{"A"}, {"B"}, {"C"}});
    TProjectsListView* list = C().ProjectsListView;
    list->setFocus();
    Select(1);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(CheckedNames(), QStringList{u"B"_s});
    EXPECT_EQ(CheckedLabel(), u"1 checked."_s);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(CheckedNames().isEmpty());

    // Ctrl+Up/Down move the row onto its neighbour, in the list and in the saved order; the moved
    // row stays selected, and nothing moves past either end.
    QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(RowNames(), (QStringList{u"B"_s, u"A"_s, u"C"_s}));
    QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(RowNames(), (QStringList{u"B"_s, u"A"_s, u"C"_s}));
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(RowNames(), (QStringList{u"A"_s, u"C"_s, u"B"_s}));
    EXPECT_EQ(FWindow->Projects().GetProject(2)->ProjectName(), u"B"_s);
    EXPECT_EQ(FWindow->GetSelectedProject()->ProjectName(), u"B"_s);

    // Return opens the editor on the selected project.
    bool edited = false;
    WhenModal(&Editor(), [&] {
        edited = EditorField("ProjectNameEdit")->text() == u"B"_s;
        Editor().reject();
    });
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(edited);

    // Delete asks first.
    FAnswers = {true};
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(FMessages, QStringList{u"Delete Project|Delete \"B\".\"\r\n\r\nAre you sure?"_s});
    EXPECT_EQ(RowNames(), (QStringList{u"A"_s, u"C"_s}));

    // Insert adds.
    WhenModal(&Editor(), [&] { ConfirmEditorWithName(u"D"_s); });
    QTest::keyClick(list, Qt::Key_Insert);
    EXPECT_EQ(RowNames(), (QStringList{u"A"_s, u"C"_s, u"D"_s}));
}

TEST_F(MainForm, TheWheelOverTheClosedFilterChangesNothing) {
    Open({{"A", "G1"}, {"B", "G2"}});
    TGroupComboBox* combo = C().GroupComboBox;
    FWindow->GroupComboBoxDropDown(); // fills the items without opening the list
    ASSERT_EQ(combo->count(), 3);
    combo->setFocus();
    for (int delta : {-120, 120, -120}) {
        QWheelEvent wheel(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(combo, &wheel);
    }
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(RowNames(), (QStringList{u"A"_s, u"B"_s}));
    EXPECT_EQ(combo->focusPolicy(), Qt::StrongFocus);
}

TEST_F(MainForm, ADragOverARowFramesIt) {
    Open({{"A"}, {"B"}, {"C"}});
    TProjectsListView* list = C().ProjectsListView;
    TDragWebsiteProject drag(FWindow->GetItemProject(0));
    QDragEnterEvent enter(RowPoint(2, 40), Qt::MoveAction, &drag, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent over(RowPoint(2, 40), Qt::MoveAction, &drag, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list->viewport(), &over);
    EXPECT_TRUE(over.isAccepted());
    EXPECT_TRUE(list->DropIndicatorOnRow());
    QDragMoveEvent below(QPoint(40, list->viewport()->height() - 2), Qt::MoveAction, &drag,
                         Qt::LeftButton, {});
    QCoreApplication::sendEvent(list->viewport(), &below);
    EXPECT_TRUE(below.isAccepted()); // dropped there, the project stays where it is
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(list->viewport(), &leave);
}

TEST_F(MainForm, TheDragCarriesTheSelectedProject) {
    Open({{"A"}, {"B"}});
    Select(1);
    TDragWebsiteProject drag(FWindow->GetSelectedProject());
    EXPECT_EQ(drag.Project()->ProjectName(), u"B"_s);
    EXPECT_TRUE(drag.hasFormat(TDragWebsiteProject::Format()));
}

TEST_F(MainForm, ExploreOpensTheExpandedFolder) {
    Open({{"Blog"}}, "C:\\Sites");
    Select(0);
    C().OpenOutputFolderButton->click();
    FWindow->Projects().GetProject(0)->SetOutputFolder(u"{outdir}/{PROJECTNAME}/"_s);
    C().OpenOutputFolderAction->trigger();
    C().ExploreOutDirButton->click();
    FWindow->Projects().GetProject(0)->SetOutputFolder(u""_s);
    C().OpenOutputFolderAction->trigger(); // an empty folder opens nothing
    C().OutDirEdit->setText(u""_s);
    C().ExploreOutDirButton->click();
    EXPECT_EQ(FOpenedFolders,
              (QStringList{u"C:\\Sites\\Blog"_s, u"C:\\Sites/Blog/"_s, u"C:\\Sites"_s}));
}

TEST_F(MainForm, BrowseTakesTheChosenFolder) {
    Open({}, "/srv/old");
    C().BrowseOutDirButton->click(); // cancelled
    EXPECT_EQ(C().OutDirEdit->text(), u"/srv/old"_s);
    FChosenFolder = u"/srv/new"_s;
    C().BrowseOutDirButton->click();
    EXPECT_EQ(C().OutDirEdit->text(), u"/srv/new"_s);
    EXPECT_EQ(FChooserStarts, (QStringList{u"/srv/old"_s, u"/srv/old"_s}));
    EXPECT_EQ(FChooserTitles.value(0), u"Output Folder ({OutDir})"_s); // the field it fills
}

// The proxy field takes a well-formed proxy when the user leaves it, refuses a malformed one with
// a warning (what was typed stays, marked invalid), and the settings file keeps only what was
// taken.
TEST_F(MainForm, TheProxyFieldStoresWellFormedProxiesOnly) {
    QStringList lines = SettingsLines({{"Blog", "", true}});
    lines << u"Proxy=http://old.lan:3128"_s;
    WriteSettings(lines);
    MakeWindow();
    QLineEdit* field = C().ProxyEdit;
    EXPECT_EQ(field->text(), u"http://old.lan:3128"_s);
    EXPECT_EQ(field->accessibleName(), u"Proxy"_s);
    const auto leave = [field](const QString& AText) {
        field->setText(AText);
        Q_EMIT field->editingFinished();
    };
    leave(u"socks5://me:pw@127.0.0.1:1080"_s);
    EXPECT_TRUE(FMessages.isEmpty());
    EXPECT_FALSE(field->property("invalid").toBool());
    leave(u"socks5://127.0.0.1"_s);
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_TRUE(FMessages[0].startsWith(
        u"Tarrow 1.21 [x64]|Malformed proxy address: the port is missing. Expected "_s))
        << FMessages[0].toStdString();
    // What was typed stays, marked; leaving it again does not repeat the warning.
    EXPECT_EQ(field->text(), u"socks5://127.0.0.1"_s);
    EXPECT_TRUE(field->property("invalid").toBool());
    EXPECT_TRUE(field->toolTip().startsWith(u"Malformed proxy address: the port is missing."_s));
    Q_EMIT field->editingFinished();
    EXPECT_EQ(FMessages.size(), 1);

    // Still in the field when the window closes: refused, and the stored proxy is saved.
    field->setText(u"ftp://x:1"_s);
    FWindow->close();
    ASSERT_EQ(FMessages.size(), 2);
    EXPECT_TRUE(FMessages[1].contains(u"unknown scheme \"ftp\""_s));
    QFile saved(SettingsPath());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().endsWith("\r\nProxy=socks5://me:pw@127.0.0.1:1080\r\n"));
}

TEST_F(MainForm, AMalformedProxyStartsNoRun) {
    Open({{"Blog", "", true}}, "/tmp/out");
    C().ProxyEdit->setText(u"socks5:/127.0.0.1:1080"_s);
    C().LoadWebsitesButton->click();
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_TRUE(FMessages[0].contains(u"Malformed proxy address"_s));
    EXPECT_FALSE(FWindow->IsRunning());
    EXPECT_EQ(C().ProxyEdit->text(), u"socks5:/127.0.0.1:1080"_s);
    // Refused again at each click, also once the field was left.
    C().LoadWebsitesButton->click();
    EXPECT_EQ(FMessages.size(), 2);
    EXPECT_FALSE(FWindow->IsRunning());
}

// A malformed proxy in the settings file: shown marked in its field with the password hidden,
// no run starts with it, and the file keeps it as it was.
TEST_F(MainForm, AMalformedProxyFromTheSettingsFileIsShownInvalidAndStartsNoRun) {
    QStringList lines = SettingsLines({{"Blog", "", true}}, "/tmp/out");
    lines << u"Proxy=socks5:/me:s3cret@127.0.0.1:1080"_s;
    WriteSettings(lines);
    MakeWindow();
    QLineEdit* field = C().ProxyEdit;
    EXPECT_EQ(field->text(), u"socks5:/me:***@127.0.0.1:1080"_s);
    EXPECT_TRUE(field->property("invalid").toBool());
    EXPECT_TRUE(field->toolTip().startsWith(u"Malformed proxy address"_s));
    EXPECT_TRUE(FMessages.isEmpty());
    Q_EMIT field->editingFinished(); // passing through warns no more than the mark does
    EXPECT_TRUE(FMessages.isEmpty());

    C().LoadWebsitesButton->click();
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_TRUE(FMessages[0].contains(u"Malformed proxy address"_s));
    EXPECT_FALSE(FMessages[0].contains(u"s3cret"_s));
    EXPECT_FALSE(FWindow->IsRunning());
    EXPECT_EQ(C().MainPageControl->currentWidget(), C().WebsitesTabSheet);

    FWindow->close();
    QFile saved(SettingsPath());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("\r\nProxy=socks5:/me:s3cret@127.0.0.1:1080\r\n"));

    // Masking, table of the malformed shapes.
    const std::pair<const char*, const char*> masks[] = {
        {"http//u:p@h:1", "http//u:***@h:1"},
        {"socks5://u:p:q@h", "socks5://u:***@h"},
        {"socks5://p@h", "socks5://p@h"},
        {"ftp://h:1", "ftp://h:1"},
    };
    for (const auto& [text, shown] : masks) {
        SCOPED_TRACE(text);
        WriteSettings({u"Proxy="_s + QString::fromUtf8(text)});
        MakeWindow();
        EXPECT_EQ(C().ProxyEdit->text(), QString::fromUtf8(shown));
    }
}

// The real question box: Enter on it keeps the project.
TEST_F(MainForm, DeletesConfirmationHasNoAsItsDefault) {
    Open({{"Blog"}});
    SetMessageHandler(nullptr);
    C().ProjectsListView->SelectRow(0);
    bool defaultNo = false;
    int polls = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (++polls > 2000) // never shown: the trigger has long returned
                poll.stop();
            return;
        }
        poll.stop();
        defaultNo = box->defaultButton() == box->button(QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Return);
    });
    poll.start(5);
    C().DeleteProjectAction->trigger();
    EXPECT_TRUE(defaultNo);
    EXPECT_EQ(RowNames(), QStringList{u"Blog"_s});
}

TEST_F(MainForm, LoadWebsitesNeedsACheckedProjectAndAnOutputFolder) {
    Open({{"Blog"}});
    C().LoadWebsitesButton->click();
    Press(0, CheckZoneX(0));
    C().LoadWebsitesButton->click();
    EXPECT_EQ(FMessages, (QStringList{u"Tarrow 1.21 [x64]|Please, check one or more projects."_s,
                                      u"Tarrow 1.21 [x64]|Please, enter Output Folder"_s}));
    EXPECT_FALSE(FWindow->IsRunning());
    EXPECT_EQ(C().MainPageControl->currentWidget(), C().WebsitesTabSheet);
}

TEST_F(MainForm, ASettingsFileThatCannotBeWrittenStartsNoRun) {
    WriteSettings(SettingsLines({{"Blog", "", true}}, "/tmp/out"));
    QFile blocker(TempPath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    TMainFormOptions options;
    options.SettingsFile = SettingsPath();
    options.SettingsSaveFile = TempPath("file") + u"/tarrow.ini"_s; // under a file: cannot exist
    FWindow = std::make_unique<TTarrowMainForm>(std::move(options));
    FWindow->show();
    C().LoadWebsitesButton->click();
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_TRUE(FMessages[0].startsWith(u"Tarrow|Cannot create file \""_s))
        << FMessages[0].toStdString();
    EXPECT_FALSE(FWindow->IsRunning());
    EXPECT_TRUE(C().LoadWebsitesButton->isEnabled());
    EXPECT_EQ(C().MainPageControl->currentWidget(), C().WebsitesTabSheet);
}

TEST_F(MainForm, AnUnreadableSettingsFileIsReportedAndTheListStartsEmpty) {
    ASSERT_EQ(mkfifo(QFile::encodeName(SettingsPath()).constData(), 0600), 0);
    TTarrowMainForm& window = MakeWindow();
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_TRUE(FMessages[0].startsWith(u"Tarrow|Cannot open file \""_s))
        << FMessages[0].toStdString();
    EXPECT_EQ(window.ProjectsModel().rowCount(), 0);
    EXPECT_EQ(GroupItems(), QStringList{u"<All projects>"_s});
}

TEST_F(MainForm, AboutLinkOpensTheHomePageWhenThereIsOne) {
    Open({});
    FWindow->LinkLabelClick();
    EXPECT_EQ(FOpenedPages.size(), HomePageURL().isEmpty() ? 0 : 1);
    EXPECT_EQ(C().LinkLabel->isVisibleTo(FWindow.get()), !HomePageURL().isEmpty());
}

} // namespace

namespace {

TEST(ShellFolders, TheDesktopGetsAnAbsoluteLinuxPath) {
    EXPECT_EQ(FolderURL(u"/home/u/Sites\\Blog"_s), QUrl(u"file:///home/u/Sites/Blog"_s));
    EXPECT_EQ(FolderURL(u"Sites/Blog"_s),
              QUrl::fromLocalFile(QDir::currentPath() + u"/Sites/Blog"_s));
}

} // namespace

TEST_F(MainForm, StandardKeysRunTheirCommandsAndTheTooltipsNameThem) {
    Open({{"A"}, {"B"}});
    // The offscreen platform has no window manager to give the window back its activation when
    // a dialog closes: the test gives it.
    const auto activate = [this] {
        QApplication::setActiveWindow(FWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
    };
    activate();
    TProjectsListView* list = C().ProjectsListView;
    list->setFocus();
    Select(1);
    // Each key opens the editor on what its command edits; cancelled.
    struct TEditorKey {
        QKeyCombination Key;
        QString Name;
    };
    for (const TEditorKey& row : {TEditorKey{Qt::CTRL | Qt::Key_N, QString()},
                                  TEditorKey{QKeyCombination(Qt::Key_F2), u"B"_s},
                                  TEditorKey{Qt::CTRL | Qt::Key_D, QString()}}) {
        SCOPED_TRACE(QKeySequence(row.Key).toString().toStdString());
        QString shown = u"(not opened)"_s;
        WhenModal(&Editor(), [&] {
            shown = EditorField("ProjectNameEdit")->text();
            Editor().reject();
        });
        QTest::keyClick(list, row.Key.key(), row.Key.keyboardModifiers());
        activate();
        EXPECT_EQ(shown, row.Name);
        EXPECT_EQ(RowNames(), (QStringList{u"A"_s, u"B"_s}));
    }
    // Ctrl+R and F5 are Load Websites (here refused: nothing is checked); Escape without a run
    // does nothing.
    QTest::keyClick(list, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_F5);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(FMessages.size(), 2);
    EXPECT_EQ(FMessages.filter(u"|Please, check one or more projects."_s).size(), 2);
    // Ctrl+S saves the log from any page.
    QStringList saveTitles;
    TShellHooks hooks;
    hooks.ChooseSaveFile = [&](QWidget*, const QString& ATitle, const QString&) {
        saveTitles << ATitle;
        return QString();
    };
    SetShellHooks(hooks);
    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(saveTitles, QStringList{u"Save Log"_s});
    // Shift+F1 asks what a control is.
    QTest::keyClick(list, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();

    // Every button and field says what it does; a command's keys are named.
    static const QRegularExpression control(
        u"^(?!Scroll).*(Button|Edit|ComboBox|ListView|Memo)$"_s);
    for (const QWidget* widget : FWindow->findChildren<QWidget*>(control)) {
        if (widget->window() == FWindow.get()) {
            EXPECT_FALSE(widget->toolTip().isEmpty()) << widget->objectName().toStdString();
        }
    }
    EXPECT_TRUE(C().AddProjectButton->toolTip().contains(u"Ctrl+N"_s));
    EXPECT_TRUE(C().LoadWebsitesButton->toolTip().contains(u"F5"_s));

    // Ctrl+W closes the window.
    QTest::keyClick(list, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(FWindow->isVisible());
}

TEST(Manual, F1OpensTheInstalledManualElseTheReadmesSection) {
    struct TRow {
        const char* File; // installed under share/
        const char* HomePage;
        const char* Expected; // "" for none; a leading "/" is under the folder
    };
    const TRow rows[] = {
        {"doc/tarrow/html/index.html", "https://example.org/t",
         "/share/doc/tarrow/html/index.html"},
        {"man/man1/tarrow.1.gz", "https://example.org/t", "man:tarrow(1)"},
        {"", "https://example.org/t", "https://example.org/t#desktop-program"},
        {"doc/tarrow/README.md", "", "/share/doc/tarrow/README.md"},
        {"", "", ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Expected);
        QTemporaryDir dir;
        ASSERT_TRUE(QDir(dir.path()).mkpath(u"bin"_s));
        if (*row.File) {
            const QString file = dir.filePath(u"share/"_s + QString::fromLatin1(row.File));
            ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        const QString expected = QString::fromLatin1(row.Expected);
        const QUrl url = ManualURL(dir.filePath(u"bin"_s), QString::fromLatin1(row.HomePage));
        if (expected.startsWith(u'/'))
            EXPECT_EQ(url, QUrl::fromLocalFile(dir.path() + expected));
        else
            EXPECT_EQ(url.toString(), expected);
    }
}

TEST_F(MainForm, TheListKeepsTheFocusOnTheAffectedRowAndTypingFindsAName) {
    Open({{"Alpha"}, {"Blog"}, {"Blog Two"}, {"Shop"}});
    TProjectsListView* list = C().ProjectsListView;
    // At start: the list, on its first row.
    EXPECT_EQ(FWindow->focusWidget(), list);
    EXPECT_EQ(list->SelectedRow(), 0);

    // After the editor (confirmed or cancelled) and after a warning: the list, on the row.
    struct TStep {
        const char* Name;
        std::function<void()> Run;
        int Row;
    };
    const TStep steps[] = {
        {"add",
         [&] {
             WhenModal(&Editor(), [&] { ConfirmEditorWithName(u"New"_s); });
             C().AddProjectButton->click();
         },
         4},
        {"edit cancelled",
         [&] {
             Select(2);
             WhenModal(&Editor(), [&] { Editor().reject(); });
             C().EditProjectButton->click();
         },
         2},
        {"delete refused",
         [&] {
             FAnswers = {false};
             C().DeleteProjectButton->click();
         },
         2},
        {"nothing checked",
         [&] {
             C().UnCheckAllProjectsAction->trigger();
             C().LoadWebsitesButton->click();
         },
         2},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.Name);
        C().OutDirEdit->setFocus();
        step.Run();
        EXPECT_EQ(FWindow->focusWidget(), list);
        EXPECT_EQ(list->SelectedRow(), step.Row);
    }
    // Typing jumps to the name; its blank is part of the name, not a check mark.
    const int interval = QApplication::keyboardInputInterval();
    QApplication::setKeyboardInputInterval(600000); // no pause ends the search
    QTest::keyClicks(list, u"blog t"_s);
    EXPECT_EQ(list->currentIndex().data().toString(), u"Blog Two"_s);
    EXPECT_TRUE(CheckedNames().isEmpty());
    // A new search; then a pause long enough ends it.
    list->keyboardSearch(QString());
    QApplication::setKeyboardInputInterval(0);
    QTest::keyClicks(list, u"a"_s);
    EXPECT_EQ(list->currentIndex().data().toString(), u"Alpha"_s);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(CheckedNames(), QStringList{u"Alpha"_s});
    QApplication::setKeyboardInputInterval(interval);

    // A deleted row leaves the focus frame where it was, on the next project.
    Select(2);
    C().OutDirEdit->setFocus();
    FAnswers = {true};
    C().DeleteProjectButton->click();
    EXPECT_EQ(FWindow->focusWidget(), list);
    EXPECT_EQ(list->currentIndex().row(), 2);
    EXPECT_EQ(list->currentIndex().data().toString(), u"Shop"_s);
}

TEST_F(MainForm, AssistiveTechnologyHearsTheCheckMarksAndTheCheckAllButtons) {
    Open({{"A", "", true}, {"B"}});
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(C().ProjectsListView);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->tableInterface(), nullptr);
    for (const auto& [row, checked] : {std::pair{0, true}, std::pair{1, false}}) {
        SCOPED_TRACE(row);
        QAccessibleInterface* cell = list->tableInterface()->cellAt(row, 0);
        ASSERT_NE(cell, nullptr);
        EXPECT_TRUE(cell->state().checkable);
        EXPECT_EQ(bool(cell->state().checked), checked);
    }
    // Check All and Uncheck All are buttons that can be pressed.
    for (const auto& [label, name, after] :
         {std::tuple{C().CheckAllProjectsLabel, u"Check All"_s, QStringList{u"A"_s, u"B"_s}},
          std::tuple{C().UnCheckAllProjectsLabel, u"Uncheck All"_s, QStringList()}}) {
        SCOPED_TRACE(name.toStdString());
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(label);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->role(), QAccessible::Button);
        EXPECT_EQ(button->text(QAccessible::Name), name);
        ASSERT_NE(button->actionInterface(), nullptr);
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(CheckedNames(), after);
    }
    // The links take their colour from the palette (a fixed blue is unreadable on a dark one).
    for (const QLabel* link : {C().CheckAllProjectsLabel, C().UnCheckAllProjectsLabel})
        EXPECT_FALSE(link->text().contains(u"color"_s)) << link->text().toStdString();
}
