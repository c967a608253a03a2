// The project editor: presets, the round trip of every field, cancel, the name check, the output
// folder's "Explore" and "Browse...", and the three lists with their commands and reordering.
#include "tests/ui/UiTestSupport.h"

#include "base/uPathUtils.h"
#include "project/VHashedStringList.h"
#include "project/WebsiteUnit.h"
#include "ui/EditProjectUnit.h"
#include "ui/ReplaceRuleFormUnit.h"
#include "ui/RowListView.h"
#include "ui/WebDocFormUnit.h"
#include "ui/WebPageFormUnit.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace tarrow;
using namespace tarrow::test;

namespace {

class EditProject : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        FEditor = std::make_unique<TEditProjectForm>();
    }
    void TearDown() override {
        FEditor.reset();
        UiTest::TearDown();
    }
    QLineEdit* Field(const char* AName) const { return Child<QLineEdit>(FEditor.get(), AName); }
    TRowListView* List(const char* AName) const {
        return Child<TRowListView>(FEditor.get(), AName);
    }
    QPushButton* Button(const char* AName) const {
        return Child<QPushButton>(FEditor.get(), AName);
    }
    QStringList Rows(const char* AList) const {
        QStringList rows;
        TRowListView* list = List(AList);
        for (int i = 0; i < list->RowCount(); ++i)
            rows << list->RowText(i, 0) + u'|' + list->RowText(i, 1);
        return rows;
    }
    void SelectRows(const char* AList, std::initializer_list<int> ARows) const {
        TRowListView* list = List(AList);
        list->clearSelection();
        for (int row : ARows)
            list->topLevelItem(row)->setSelected(true);
    }
    // Opens the editor on AProject, runs AStep inside it, and returns what EditProject returned.
    bool Edit(TWebsiteProject& AProject, std::function<void()> AStep, const QString& AOutDir = {}) {
        WhenModal(FEditor.get(), std::move(AStep));
        return FEditor->EditProject(AProject, AOutDir, false);
    }
    void Ok() const { Button("OKButton")->click(); }
    // The project as its settings lines: compares every field at once.
    static QStringList Lines(const TWebsiteProject& AProject) {
        TVHashedStringList list(64);
        AProject.SaveToList(list, S("P"));
        return list.Lines();
    }
    static std::unique_ptr<TWebsiteProject> FullProject() {
        auto p = std::make_unique<TWebsiteProject>();
        p->SetProjectName(S("Blog"));
        p->SetGroupName(S("News"));
        p->SetWebsiteURL(S("https://site/blog/"));
        p->SetDomainAliasesString(S("site.org;www.site.org"));
        p->SetOutputFolder(S("{OutDir}\\{ProjectName}"));
        p->SetOverwrite(ofAll);
        p->SetRemoveScripts(true);
        p->SetRemoveNoscripts(true);
        p->SetRelativePathLinks(true);
        p->SetCompletePages(true);
        p->SetBaseURL(S("https://mirror/"));
        p->SetIndexFile(S("default.htm"));
        p->SetChecked(true);
        p->WebPages() << S("https://site/blog/") << S("https://site/blog/archive/");
        p->WPExtractURLs().Add(2);
        p->WPExtractURLs().Add(-1);
        p->WebDocuments() << S("https://cdn.site/img/") << S("https://cdn.site/pdf/");
        p->WDOutFolders() << S("img") << S("");
        p->ReplacePatterns() << S("(\\d+)-(\\d+)");
        p->ReplaceRules() << S("$2/$1");
        p->SuppressURLs() << S("logout") << S("?print=1");
        return p;
    }
    std::unique_ptr<TEditProjectForm> FEditor;
};

TEST_F(EditProject, EveryFieldMakesTheRoundTrip) {
    auto project = FullProject();
    const QStringList before = Lines(*project);
    QStringList shown;
    ASSERT_TRUE(Edit(*project, [&] {
        shown << Field("DomainAliasesEdit")->text()
              << Child<QComboBox>(FEditor.get(), "ProjectOverwriteComboBox")->currentText()
              << Rows("WebPagesListView") << Rows("WebDocsListView") << Rows("ReplaceRulesListView")
              << Child<QPlainTextEdit>(FEditor.get(), "SuppressMemo")->toPlainText();
        Ok();
    }));
    EXPECT_EQ(shown, (QStringList{S("site.org;www.site.org"), S("Overwrite all files"),
                                  S("https://site/blog/|2"), S("https://site/blog/archive/|-1"),
                                  S("https://cdn.site/img/|img"), S("https://cdn.site/pdf/|"),
                                  S("(\\d+)-(\\d+)|$2/$1"), S("logout\n?print=1\n")}));
    EXPECT_EQ(Lines(*project), before);
}

TEST_F(EditProject, WhatIsTypedIsWrittenBackAsTyped) {
    TWebsiteProject project;
    const QString odd = S("  <b>&amp;</b> \t") + QString(70000, u'x') + S("\U0001F600 ");
    ASSERT_TRUE(Edit(project, [&] {
        for (const char* name : {"ProjectNameEdit", "GroupNameEdit", "WebsiteURLEdit",
                                 "BaseURLEdit", "IndexFileEdit", "ProjectOutFolderEdit"})
            Field(name)->setText(odd);
        Field("DomainAliasesEdit")->setText(S("a ; b ;;c"));
        Child<QComboBox>(FEditor.get(), "ProjectOverwriteComboBox")->setCurrentIndex(0);
        Child<QCheckBox>(FEditor.get(), "RemoveScriptsCheckBox")->setChecked(true);
        Child<QPlainTextEdit>(FEditor.get(), "SuppressMemo")->setPlainText(S("a\n\n b\n"));
        Ok();
    }));
    EXPECT_EQ(project.ProjectName(), odd);
    EXPECT_EQ(project.GroupName(), odd);
    EXPECT_EQ(project.WebsiteURL(), odd);
    EXPECT_EQ(project.BaseURL(), odd);
    EXPECT_EQ(project.IndexFile(), odd);
    EXPECT_EQ(project.OutputFolder(), odd);
    EXPECT_EQ(project.WebsiteDomainAliases(), (QStringList{S("a"), S("b"), S("c")}));
    EXPECT_EQ(project.Overwrite(), ofNone);
    EXPECT_TRUE(project.RemoveScripts());
    EXPECT_EQ(project.SuppressURLs(), (QStringList{S("a"), S(""), S("b")}));

    QString aliases;
    ASSERT_TRUE(Edit(project, [&] {
        aliases = Field("DomainAliasesEdit")->text();
        Ok();
    }));
    EXPECT_EQ(aliases, S("a;b;c"));
}

TEST_F(EditProject, CompletePagesCheckBoxShowsAndWritesTheSwitch) {
    auto project = FullProject();
    project->SetCompletePages(false);
    QString caption;
    ASSERT_TRUE(Edit(*project, [&] {
        auto* box = Child<QCheckBox>(FEditor.get(), "CompletePagesCheckBox");
        caption = box->text().remove(u'&'); // the caption as written, without its mnemonic
        EXPECT_FALSE(box->isChecked());
        box->setChecked(true);
        Ok();
    }));
    EXPECT_EQ(caption, S("Complete pages (style sheets, responsive images, media)"));
    EXPECT_TRUE(project->CompletePages());
    ASSERT_TRUE(Edit(*project, [&] {
        Child<QCheckBox>(FEditor.get(), "CompletePagesCheckBox")->setChecked(false);
        Ok();
    }));
    EXPECT_FALSE(project->CompletePages());
}

TEST_F(EditProject, SuppressLinesWithoutAFinalLineBreak) {
    struct Row {
        const char* Text;
        QStringList Lines;
    };
    const Row rows[] = {{"", {}},
                        {"\n", {S("")}},
                        {"a", {S("a")}},
                        {"a\nb", {S("a"), S("b")}},
                        {" \ta b\t \n\t\n", {S("a b"), S("")}}}; // blanks and tabs at the ends go
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Text);
        TWebsiteProject project;
        project.SetProjectName(S("P"));
        ASSERT_TRUE(Edit(project, [&] {
            Child<QPlainTextEdit>(FEditor.get(), "SuppressMemo")->setPlainText(S(row.Text));
            Ok();
        }));
        EXPECT_EQ(project.SuppressURLs(), row.Lines);
    }
}

TEST_F(EditProject, PastedLineBreaksBecomeBlanksAndTabLeavesTheSuppressList) {
    TWebsiteProject project;
    ASSERT_TRUE(Edit(project, [&] {
        QLineEdit* name = Field("ProjectNameEdit");
        name->setFocus();
        QGuiApplication::clipboard()->setText(S("Blog\r\nof\nmine\n"));
        name->paste();
        EXPECT_EQ(name->text(), S("Blog of mine "));
        QLineEdit* depth = Child<QLineEdit>(&FEditor->WebPageForm(), "ExtractURLsEdit");
        depth->setText(S("1\n2"));
        EXPECT_EQ(depth->text(), S("1 2")); // the small dialogs' fields too

        auto* memo = Child<QPlainTextEdit>(FEditor.get(), "SuppressMemo");
        memo->setPlainText(S("a"));
        memo->setFocus();
        QTest::keyClick(memo, Qt::Key_Tab);
        EXPECT_EQ(memo->toPlainText(), S("a"));
        EXPECT_FALSE(memo->hasFocus());
        Ok();
    }));
    EXPECT_EQ(project.ProjectName(), S("Blog of mine "));
}

TEST_F(EditProject, CancelLeavesTheProjectUntouched) {
    auto project = FullProject();
    const QStringList before = Lines(*project);
    EXPECT_FALSE(Edit(*project, [&] {
        Field("ProjectNameEdit")->setText(S("Other"));
        SelectRows("WebPagesListView", {1});
        List("WebPagesListView")->MoveSelectedRows(0);
        SelectRows("WebDocsListView", {0, 1});
        Button("DeleteWebDocButton")->click();
        List("ReplaceRulesListView")->AddRow(S("x"), S("y"));
        FEditor->reject(); // the close box counts as "Cancel"
    }));
    EXPECT_EQ(Lines(*project), before);
    EXPECT_FALSE(Edit(*project, [&] { Button("CancelButton")->click(); }));
    EXPECT_EQ(Lines(*project), before);
}

TEST_F(EditProject, AddPresetsAClearedProject) {
    auto project = FullProject();
    WhenModal(FEditor.get(), [&] {
        Ok(); // a name is needed: the editor stays open
        EXPECT_TRUE(FEditor->isVisible());
        FEditor->reject();
    });
    EXPECT_FALSE(FEditor->AddProject(*project, S("/out"), S("News")));
    EXPECT_EQ(FMessages, QStringList{S("Add New Project|Please, enter Project Name")});
    EXPECT_EQ(project->GroupName(), S("News"));
    EXPECT_EQ(project->IndexFile(), S("index.html"));
    EXPECT_EQ(project->OutputFolder(), S("{OutDir}\\{ProjectName}"));
    EXPECT_EQ(project->Overwrite(), ofChanged);
    EXPECT_TRUE(project->CompletePages());
    EXPECT_TRUE(project->WebPages().isEmpty());
    EXPECT_FALSE(project->Checked());
    EXPECT_TRUE(project->Visible());
}

TEST_F(EditProject, ABlankNamePassesTheCheck) {
    TWebsiteProject project;
    EXPECT_TRUE(Edit(project, [&] {
        Field("ProjectNameEdit")->setText(S(" "));
        Ok();
    }));
    EXPECT_EQ(project.ProjectName(), S(" "));
    EXPECT_TRUE(FMessages.isEmpty());
}

TEST_F(EditProject, ExploreAndBrowseUseTheTypedNameAndTheWindowsFolder) {
    TWebsiteProject project;
    FChosenFolder = S("D:\\Chosen");
    QString afterBrowse;
    Edit(
        project,
        [&] {
            Field("ProjectOutFolderEdit")->setText(S("{outdir}\\{PROJECTNAME}"));
            Field("ProjectNameEdit")->setText(S("Blog"));
            Button("ExploreProjectOutFolderButton")->click();
            Button("BrowseProjectOutFolderButton")->click();
            afterBrowse = Field("ProjectOutFolderEdit")->text();
            Field("ProjectOutFolderEdit")->setText(S(""));
            Button("ExploreProjectOutFolderButton")->click(); // nothing to open
            FChosenFolder.clear();
            Field("ProjectOutFolderEdit")->setText(S("kept"));
            Button("BrowseProjectOutFolderButton")->click(); // cancelled
            EXPECT_EQ(Field("ProjectOutFolderEdit")->text(), S("kept"));
            FEditor->reject();
        },
        S("C:\\Sites"));
    EXPECT_EQ(FOpenedFolders, QStringList{S("C:\\Sites\\Blog")});
    EXPECT_EQ(FChooserStarts, (QStringList{S("C:\\Sites\\Blog"), S("kept")}));
    EXPECT_EQ(FChooserTitles.value(0), S("Output Folder"));
    EXPECT_EQ(afterBrowse, S("D:\\Chosen"));
}

TEST_F(EditProject, ListButtonsFollowTheSelectionAndTheKeys) {
    auto project = FullProject();
    project->WebPages() << S("c") << S("d");
    project->WPExtractURLs().Add(0);
    project->WPExtractURLs().Add(0);
    Edit(*project, [&] {
        EXPECT_EQ(FEditor->findChild<QTabWidget*>(S("PageControl1"))->currentIndex(), 0);
        EXPECT_FALSE(Button("EditWebPageButton")->isEnabled());
        EXPECT_FALSE(Button("DeleteWebPageButton")->isEnabled());
        TRowListView* list = List("WebPagesListView");
        QTest::keyClick(list, Qt::Key_Delete); // nothing selected: nothing happens
        EXPECT_EQ(list->RowCount(), 4);
        SelectRows("WebPagesListView", {0, 2, 3});
        EXPECT_TRUE(Button("EditWebPageButton")->isEnabled());
        QTest::keyClick(list, Qt::Key_Delete);
        EXPECT_EQ(Rows("WebPagesListView"), QStringList{S("https://site/blog/archive/|-1")});
        EXPECT_FALSE(Button("DeleteWebPageButton")->isEnabled());

        SelectRows("WebPagesListView", {0});
        WhenModal(&FEditor->WebPageForm(), [&] {
            EXPECT_EQ(Child<QLineEdit>(&FEditor->WebPageForm(), "ExtractURLsEdit")->text(),
                      S("-1"));
            Child<QLineEdit>(&FEditor->WebPageForm(), "ExtractURLsEdit")->setText(S("7"));
            Child<QPushButton>(&FEditor->WebPageForm(), "OKButton")->click();
        });
        QTest::keyClick(list, Qt::Key_Space); // "Edit..."
        EXPECT_EQ(Rows("WebPagesListView"), QStringList{S("https://site/blog/archive/|7")});

        WhenModal(&FEditor->WebDocForm(), [&] {
            EXPECT_EQ(Child<QLineEdit>(&FEditor->WebDocForm(), "WebDocumentEdit")->text(),
                      S("https://cdn.site/pdf/"));
            FEditor->WebDocForm().reject();
        });
        SelectRows("WebDocsListView", {1});
        QTest::mouseDClick(List("WebDocsListView")->viewport(), Qt::LeftButton, {},
                           List("WebDocsListView")
                               ->visualItemRect(List("WebDocsListView")->topLevelItem(1))
                               .center());
        EXPECT_EQ(Rows("WebDocsListView").size(), 2);
        FEditor->reject();
    });
}

TEST_F(EditProject, StartPagesNeedAnIntegerDepth) {
    TWebsiteProject project;
    TWebPageForm& dialog = FEditor->WebPageForm();
    auto fill = [&](const char* AURL, const char* ADepth) {
        Child<QLineEdit>(&dialog, "WebPageEdit")->setText(S(AURL));
        Child<QLineEdit>(&dialog, "ExtractURLsEdit")->setText(S(ADepth));
        Child<QPushButton>(&dialog, "OKButton")->click();
    };
    Edit(project, [&] {
        WhenModal(&dialog, [&] {
            EXPECT_EQ(Child<QLineEdit>(&dialog, "ExtractURLsEdit")->text(), S("0"));
            fill("https://site/a", "2x");
            EXPECT_TRUE(dialog.isVisible()); // the dialog stays open with the text
            dialog.reject();
        });
        Button("AddWebPageButton")->click();
        EXPECT_EQ(List("WebPagesListView")->RowCount(), 0);
        WhenModal(&dialog, [&] { fill("https://site/b", "-1"); });
        Button("AddWebPageButton")->click();
        EXPECT_EQ(Rows("WebPagesListView"), QStringList{S("https://site/b|-1")});
        WhenModal(&FEditor->ReplaceRuleForm(), [&] {
            Child<QLineEdit>(&FEditor->ReplaceRuleForm(), "PatternEdit")->setText(S("a"));
            Child<QPushButton>(&FEditor->ReplaceRuleForm(), "OKButton")->click();
        });
        Button("AddReplaceRuleButton")->click();
        EXPECT_EQ(Rows("ReplaceRulesListView"), QStringList{S("a|")});
        FEditor->reject();
    });
    EXPECT_EQ(FMessages, QStringList{S("Tarrow|'2x' is not a valid integer value")});
}

// Start pages or download rules 1 to 4; the selected rows are dropped on a row (0-based) or
// below the last row (-1).
TEST_F(EditProject, DroppedRowsKeepTheirOrderBeforeTheTarget) {
    struct Row {
        std::initializer_list<int> Selected;
        int Target;
        const char* Order;
    };
    const Row rows[] = {
        {{0, 2}, 3, "2,1,3,4"}, {{0, 2}, -1, "2,4,1,3"},
        {{1}, 1, "1,2,3,4"},                            // a single row onto itself
        {{3}, 0, "4,1,2,3"},    {{0, 2}, 2, "2,1,3,4"}, // onto a moved row: where that row stood
        {{0, 2}, 0, "1,3,2,4"}, {{2, 3}, 3, "1,2,3,4"},
    };
    TRowListView list({S("URL"), S("Extract URLs Depth")}, {310, 120}, true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Order);
        list.clear();
        for (int i = 1; i <= 4; ++i)
            list.AddRow(QString::number(i), QString::number(i * 10));
        for (int r : row.Selected)
            list.topLevelItem(r)->setSelected(true);
        list.MoveSelectedRows(row.Target);
        QStringList order;
        for (int i = 0; i < list.RowCount(); ++i) {
            order << list.RowText(i, 0);
            EXPECT_EQ(list.RowText(i, 1), list.RowText(i, 0) + u'0'); // both texts move
        }
        EXPECT_EQ(order.join(u','), S(row.Order));
        EXPECT_FALSE(list.HasSelection());
    }
}

// Ctrl+Up/Down on rows 1 to 4 with some rows selected: the order after each key.
TEST_F(EditProject, CtrlUpAndDownMoveTheSelectedRows) {
    struct Row {
        std::initializer_list<int> Selected;
        std::initializer_list<Qt::Key> Keys;
        const char* Order;
    };
    const Row rows[] = {
        {{1}, {Qt::Key_Up}, "2,1,3,4"},    {{1}, {Qt::Key_Down, Qt::Key_Down}, "1,3,4,2"},
        {{3}, {Qt::Key_Down}, "1,2,3,4"}, // already last
        {{0}, {Qt::Key_Up}, "1,2,3,4"},   // already first
        {{1, 2}, {Qt::Key_Up}, "2,3,1,4"}, {{1, 2}, {Qt::Key_Down}, "1,4,2,3"},
    };
    TRowListView list({S("URL"), S("Extract URLs Depth")}, {310, 120}, true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Order);
        list.clear();
        for (int i = 1; i <= 4; ++i)
            list.AddRow(QString::number(i), QString::number(i * 10));
        for (int r : row.Selected)
            list.topLevelItem(r)->setSelected(true);
        for (Qt::Key key : row.Keys)
            QTest::keyClick(&list, key, Qt::ControlModifier);
        QStringList order;
        for (int i = 0; i < list.RowCount(); ++i) {
            order << list.RowText(i, 0);
            EXPECT_EQ(list.RowText(i, 1), list.RowText(i, 0) + u'0');
        }
        EXPECT_EQ(order.join(u','), S(row.Order));
        int selected = 0;
        for (int i = 0; i < list.RowCount(); ++i)
            selected += list.topLevelItem(i)->isSelected() ? 1 : 0;
        EXPECT_EQ(selected, int(row.Selected.size())); // still selected for the next press
    }
}

TEST_F(EditProject, ReorderedRowsReachTheProjectAndForeignDragsAreRefused) {
    auto project = FullProject();
    ASSERT_TRUE(Edit(*project, [&] {
        TRowListView* list = List("WebDocsListView");
        SelectRows("WebDocsListView", {1});
        const QPoint onFirst = list->visualItemRect(list->topLevelItem(0)).center();
        QMimeData foreign;
        foreign.setText(S("x"));
        QDragMoveEvent over(onFirst, Qt::MoveAction, &foreign, Qt::LeftButton, {});
        QCoreApplication::sendEvent(list->viewport(), &over);
        EXPECT_FALSE(over.isAccepted());
        EXPECT_FALSE(List("ReplaceRulesListView")->dragEnabled());
        list->MoveSelectedRows(0);
        Ok();
    }));
    EXPECT_EQ(project->WebDocuments(),
              (QStringList{S("https://cdn.site/pdf/"), S("https://cdn.site/img/")}));
    EXPECT_EQ(project->WDOutFolders(), (QStringList{S(""), S("img")}));
}

} // namespace
