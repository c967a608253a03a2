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
#include <QDir>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

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
        AProject.SaveToList(list, u"P"_s);
        return list.Lines();
    }
    static std::unique_ptr<TWebsiteProject> FullProject() {
        auto p = std::make_unique<TWebsiteProject>();
        p->SetProjectName(u"Blog"_s);
        p->SetGroupName(u"News"_s);
        p->SetWebsiteURL(u"https://site/blog/"_s);
        p->SetDomainAliasesString(u"site.org;www.site.org"_s);
        p->SetOutputFolder(u"{OutDir}\\{ProjectName}"_s);
        p->SetOverwrite(ofAll);
        p->SetRemoveScripts(true);
        p->SetRemoveNoscripts(true);
        p->SetRelativePathLinks(true);
        p->SetCompletePages(true);
        p->SetBaseURL(u"https://mirror/"_s);
        p->SetIndexFile(u"default.htm"_s);
        p->SetConnections(3);
        p->SetChecked(true);
        p->WebPages() << u"https://site/blog/"_s << u"https://site/blog/archive/"_s;
        p->WPExtractURLs().Add(2);
        p->WPExtractURLs().Add(-1);
        p->WebDocuments() << u"https://cdn.site/img/"_s << u"https://cdn.site/pdf/"_s;
        p->WDOutFolders() << u"img"_s << u""_s;
        p->ReplacePatterns() << u"(\\d+)-(\\d+)"_s;
        p->ReplaceRules() << u"$2/$1"_s;
        p->SuppressURLs() << u"logout"_s << u"?print=1"_s;
        p->IncludePatterns() << u"/docs/"_s << u"\\.html$"_s;
        p->ExcludePatterns() << u"/private/"_s;
        p->SetTrapGuard(true);
        p->SetDropQueryParams(u"utm_*;fbclid"_s);
        p->SetMaxFiles(100);
        p->SetMaxBytesMB(20);
        p->SetMaxSeconds(600);
        p->SetCookiesFile(QCoreApplication::applicationFilePath());
        p->SetUserAgent(u"Tarrow/test"_s);
        p->RequestHeaders() << u"Accept-Language: de"_s << u"X-Token: a b"_s;
        p->SetRetryTransientOnly(true);
        p->SetVerifyTLS(true);
        p->SetSitemaps(true);
        p->SetJournal(true);
        p->SetWarcFile(u"{OutDir}/{ProjectName}.warc.gz"_s);
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
    EXPECT_EQ(shown, (QStringList{u"site.org;www.site.org"_s, u"Overwrite all files"_s,
                                  u"https://site/blog/|2"_s, u"https://site/blog/archive/|-1"_s,
                                  u"https://cdn.site/img/|img"_s, u"https://cdn.site/pdf/|"_s,
                                  u"(\\d+)-(\\d+)|$2/$1"_s, u"logout\n?print=1\n"_s}));
    EXPECT_EQ(Lines(*project), before);
}

TEST_F(EditProject, WhatIsTypedIsWrittenBackAsTyped) {
    TWebsiteProject project;
    const QString odd = u"  <b>&amp;</b> \t"_s + QString(70000, u'x') + u"\U0001F600 "_s;
    ASSERT_TRUE(Edit(project, [&] {
        for (const char* name : {"ProjectNameEdit", "GroupNameEdit", "WebsiteURLEdit",
                                 "BaseURLEdit", "IndexFileEdit", "ProjectOutFolderEdit"})
            Field(name)->setText(odd);
        Field("DomainAliasesEdit")->setText(u"a ; b ;;c"_s);
        Child<QComboBox>(FEditor.get(), "ProjectOverwriteComboBox")->setCurrentIndex(0);
        Child<QCheckBox>(FEditor.get(), "RemoveScriptsCheckBox")->setChecked(true);
        Child<QPlainTextEdit>(FEditor.get(), "SuppressMemo")->setPlainText(u"a\n\n b\n"_s);
        Ok();
    }));
    EXPECT_EQ(project.ProjectName(), odd);
    EXPECT_EQ(project.GroupName(), odd);
    EXPECT_EQ(project.WebsiteURL(), odd);
    EXPECT_EQ(project.BaseURL(), odd);
    EXPECT_EQ(project.IndexFile(), odd);
    EXPECT_EQ(project.OutputFolder(), odd);
    EXPECT_EQ(project.WebsiteDomainAliases(), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    EXPECT_EQ(project.Overwrite(), ofNone);
    EXPECT_TRUE(project.RemoveScripts());
    EXPECT_EQ(project.SuppressURLs(), (QStringList{u"a"_s, u""_s, u"b"_s}));

    QString aliases;
    ASSERT_TRUE(Edit(project, [&] {
        aliases = Field("DomainAliasesEdit")->text();
        Ok();
    }));
    EXPECT_EQ(aliases, u"a;b;c"_s);
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
    EXPECT_EQ(caption, u"Complete pages (style sheets, responsive images, media)"_s);
    EXPECT_TRUE(project->CompletePages());
    ASSERT_TRUE(Edit(*project, [&] {
        Child<QCheckBox>(FEditor.get(), "CompletePagesCheckBox")->setChecked(false);
        Ok();
    }));
    EXPECT_FALSE(project->CompletePages());
}

TEST_F(EditProject, ConnectionsSpinBoxShowsAndWritesTheNumber) {
    auto project = FullProject();
    int shown = 0;
    ASSERT_TRUE(Edit(*project, [&] {
        auto* box = Child<QSpinBox>(FEditor.get(), "ConnectionsSpinBox");
        shown = box->value();
        EXPECT_EQ(box->minimum(), 1);
        EXPECT_EQ(box->maximum(), 16);
        EXPECT_EQ(box->accessibleName(), u"Connections"_s);
        box->setValue(40); // the box keeps it within its range
        Ok();
    }));
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(project->Connections(), 16);
    // A project made with Add shows its four connections.
    WhenModal(FEditor.get(), [&] {
        shown = Child<QSpinBox>(FEditor.get(), "ConnectionsSpinBox")->value();
        FEditor->reject();
    });
    FEditor->AddProject(*project, u"/out"_s, QString());
    EXPECT_EQ(shown, 4);
}

TEST_F(EditProject, SuppressLinesWithoutAFinalLineBreak) {
    struct Row {
        const char* Text;
        QStringList Lines;
    };
    const Row rows[] = {{"", {}},
                        {"\n", {u""_s}},
                        {"a", {u"a"_s}},
                        {"a\nb", {u"a"_s, u"b"_s}},
                        {" \ta b\t \n\t\n", {u"a b"_s, u""_s}}}; // blanks and tabs at the ends go
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Text);
        TWebsiteProject project;
        project.SetProjectName(u"P"_s);
        ASSERT_TRUE(Edit(project, [&] {
            Child<QPlainTextEdit>(FEditor.get(), "SuppressMemo")
                ->setPlainText(QString::fromUtf8(row.Text));
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
        QGuiApplication::clipboard()->setText(u"Blog\r\nof\nmine\n"_s);
        name->paste();
        EXPECT_EQ(name->text(), u"Blog of mine "_s);
        QLineEdit* depth = Child<QLineEdit>(&FEditor->WebPageForm(), "ExtractURLsEdit");
        depth->setText(u"1\n2"_s);
        EXPECT_EQ(depth->text(), u"1 2"_s); // the small dialogs' fields too

        auto* memo = Child<QPlainTextEdit>(FEditor.get(), "SuppressMemo");
        memo->setPlainText(u"a"_s);
        memo->setFocus();
        QTest::keyClick(memo, Qt::Key_Tab);
        EXPECT_EQ(memo->toPlainText(), u"a"_s);
        EXPECT_FALSE(memo->hasFocus());
        Ok();
    }));
    EXPECT_EQ(project.ProjectName(), u"Blog of mine "_s);
}

TEST_F(EditProject, CancelLeavesTheProjectUntouched) {
    auto project = FullProject();
    const QStringList before = Lines(*project);
    EXPECT_FALSE(Edit(*project, [&] {
        Field("ProjectNameEdit")->setText(u"Other"_s);
        SelectRows("WebPagesListView", {1});
        List("WebPagesListView")->MoveSelectedRows(0);
        SelectRows("WebDocsListView", {0, 1});
        Button("DeleteWebDocButton")->click();
        List("ReplaceRulesListView")->AddRow(u"x"_s, u"y"_s);
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
    EXPECT_FALSE(FEditor->AddProject(*project, u"/out"_s, u"News"_s));
    EXPECT_EQ(FMessages, QStringList{u"Add New Project|Please, enter Project Name"_s});
    EXPECT_EQ(project->GroupName(), u"News"_s);
    EXPECT_EQ(project->IndexFile(), u"index.html"_s);
    EXPECT_EQ(project->OutputFolder(), QDir::toNativeSeparators(u"{OutDir}/{ProjectName}"_s));
    EXPECT_EQ(project->Overwrite(), ofChanged);
    EXPECT_TRUE(project->RelativePathLinks());
    EXPECT_TRUE(project->Checked());
    EXPECT_TRUE(project->CompletePages());
    EXPECT_EQ(project->Connections(), 4);
    EXPECT_TRUE(project->WebPages().isEmpty());
    EXPECT_TRUE(project->Visible());
}

TEST_F(EditProject, ABlankNamePassesTheCheck) {
    TWebsiteProject project;
    EXPECT_TRUE(Edit(project, [&] {
        Field("ProjectNameEdit")->setText(u" "_s);
        Ok();
    }));
    EXPECT_EQ(project.ProjectName(), u" "_s);
    EXPECT_TRUE(FMessages.isEmpty());
}

TEST_F(EditProject, ExploreAndBrowseUseTheTypedNameAndTheWindowsFolder) {
    TWebsiteProject project;
    FChosenFolder = u"D:\\Chosen"_s;
    QString afterBrowse;
    Edit(
        project,
        [&] {
            Field("ProjectOutFolderEdit")->setText(u"{outdir}\\{PROJECTNAME}"_s);
            Field("ProjectNameEdit")->setText(u"Blog"_s);
            Button("ExploreProjectOutFolderButton")->click();
            Button("BrowseProjectOutFolderButton")->click();
            afterBrowse = Field("ProjectOutFolderEdit")->text();
            Field("ProjectOutFolderEdit")->setText(u""_s);
            Button("ExploreProjectOutFolderButton")->click(); // nothing to open
            FChosenFolder.clear();
            Field("ProjectOutFolderEdit")->setText(u"kept"_s);
            Button("BrowseProjectOutFolderButton")->click(); // cancelled
            EXPECT_EQ(Field("ProjectOutFolderEdit")->text(), u"kept"_s);
            FEditor->reject();
        },
        u"C:\\Sites"_s);
    EXPECT_EQ(FOpenedFolders, QStringList{u"C:\\Sites\\Blog"_s});
    EXPECT_EQ(FChooserStarts, (QStringList{u"C:\\Sites\\Blog"_s, u"kept"_s}));
    EXPECT_EQ(FChooserTitles.value(0), u"Output Folder"_s);
    EXPECT_EQ(afterBrowse, u"D:\\Chosen"_s);
}

TEST_F(EditProject, ListButtonsFollowTheSelectionAndTheKeys) {
    auto project = FullProject();
    project->WebPages() << u"c"_s << u"d"_s;
    project->WPExtractURLs().Add(0);
    project->WPExtractURLs().Add(0);
    Edit(*project, [&] {
        EXPECT_EQ(FEditor->findChild<QTabWidget*>(u"PageControl1"_s)->currentIndex(), 0);
        EXPECT_FALSE(Button("EditWebPageButton")->isEnabled());
        EXPECT_FALSE(Button("DeleteWebPageButton")->isEnabled());
        TRowListView* list = List("WebPagesListView");
        QTest::keyClick(list, Qt::Key_Delete); // nothing selected: nothing happens
        EXPECT_EQ(list->RowCount(), 4);
        SelectRows("WebPagesListView", {0, 2, 3});
        EXPECT_TRUE(Button("EditWebPageButton")->isEnabled());
        QTest::keyClick(list, Qt::Key_Delete);
        EXPECT_EQ(Rows("WebPagesListView"), QStringList{u"https://site/blog/archive/|-1"_s});
        EXPECT_FALSE(Button("DeleteWebPageButton")->isEnabled());

        SelectRows("WebPagesListView", {0});
        WhenModal(&FEditor->WebPageForm(), [&] {
            EXPECT_EQ(Child<QLineEdit>(&FEditor->WebPageForm(), "ExtractURLsEdit")->text(),
                      u"-1"_s);
            Child<QLineEdit>(&FEditor->WebPageForm(), "ExtractURLsEdit")->setText(u"7"_s);
            Child<QPushButton>(&FEditor->WebPageForm(), "OKButton")->click();
        });
        QTest::keyClick(list, Qt::Key_Space); // "Edit..."
        EXPECT_EQ(Rows("WebPagesListView"), QStringList{u"https://site/blog/archive/|7"_s});

        WhenModal(&FEditor->WebDocForm(), [&] {
            EXPECT_EQ(Child<QLineEdit>(&FEditor->WebDocForm(), "WebDocumentEdit")->text(),
                      u"https://cdn.site/pdf/"_s);
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

// In each of the three lists the arrow keys select the row they move to, and Enter edits that
// row: the editor itself stays open.
TEST_F(EditProject, ArrowsSelectAndEnterEditsTheRowOfEachList) {
    struct Row {
        const char* List;
        int Tab;
        QDialog* Dialog;
        const char* Field;
        const char* Second; // the field's text for the second row
    };
    const Row rows[] = {
        {"WebPagesListView", 0, &FEditor->WebPageForm(), "WebPageEdit",
         "https://site/blog/archive/"},
        {"WebDocsListView", 0, &FEditor->WebDocForm(), "WebDocumentEdit", "https://cdn.site/pdf/"},
        {"ReplaceRulesListView", 1, &FEditor->ReplaceRuleForm(), "PatternEdit", "b+"},
    };
    auto project = FullProject();
    project->ReplacePatterns() << u"b+"_s;
    project->ReplaceRules() << u"c"_s;
    const bool confirmed = Edit(*project, [&] {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.List);
            FEditor->findChild<QTabWidget*>(u"PageControl1"_s)->setCurrentIndex(row.Tab);
            TRowListView* list = List(row.List);
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Down);
            EXPECT_EQ(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(1)});
            QTest::keyClick(list, Qt::Key_Up);
            EXPECT_EQ(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(0)});
            QTest::keyClick(list, Qt::Key_Down);
            QString shown;
            WhenModal(row.Dialog, [&] {
                shown = Child<QLineEdit>(row.Dialog, row.Field)->text();
                row.Dialog->reject();
            });
            QTest::keyClick(list, Qt::Key_Return);
            EXPECT_EQ(shown, QString::fromUtf8(row.Second));
            EXPECT_TRUE(FEditor->isVisible());
        }
        FEditor->reject();
    });
    EXPECT_FALSE(confirmed);
}

// An editor taller than the screen (its size as last left) opens within the screen's available
// area with its frame, and its buttons on it.
TEST_F(EditProject, TheAddDialogFitsWithItsButtonsOnAShortScreen) {
    const QRect area = FEditor->screen()->availableGeometry();
    {
        TEditProjectForm tall;
        tall.show();
        tall.resize(587, area.height() + 200);
        tall.hide();
    }
    TWebsiteProject project;
    WhenModal(FEditor.get(), [&] {
        EXPECT_TRUE(area.contains(FEditor->frameGeometry()));
        QPushButton* ok = Button("OKButton");
        EXPECT_TRUE(
            FEditor->rect().contains(QRect(ok->mapTo(FEditor.get(), QPoint()), ok->size())));
        FEditor->reject();
    });
    EXPECT_FALSE(FEditor->AddProject(project, QString(), QString()));
}

TEST_F(EditProject, StartPagesNeedAnIntegerDepth) {
    TWebsiteProject project;
    TWebPageForm& dialog = FEditor->WebPageForm();
    auto fill = [&](const char* AURL, const char* ADepth) {
        Child<QLineEdit>(&dialog, "WebPageEdit")->setText(QString::fromUtf8(AURL));
        Child<QLineEdit>(&dialog, "ExtractURLsEdit")->setText(QString::fromUtf8(ADepth));
        Child<QPushButton>(&dialog, "OKButton")->click();
    };
    Edit(project, [&] {
        WhenModal(&dialog, [&] {
            EXPECT_EQ(Child<QLineEdit>(&dialog, "ExtractURLsEdit")->text(), u"0"_s);
            fill("https://site/a", "2x");
            EXPECT_TRUE(dialog.isVisible()); // the dialog stays open with the text
            dialog.reject();
        });
        Button("AddWebPageButton")->click();
        EXPECT_EQ(List("WebPagesListView")->RowCount(), 0);
        WhenModal(&dialog, [&] { fill("https://site/b", "-1"); });
        Button("AddWebPageButton")->click();
        EXPECT_EQ(Rows("WebPagesListView"), QStringList{u"https://site/b|-1"_s});
        WhenModal(&FEditor->ReplaceRuleForm(), [&] {
            Child<QLineEdit>(&FEditor->ReplaceRuleForm(), "PatternEdit")->setText(u"a"_s);
            Child<QPushButton>(&FEditor->ReplaceRuleForm(), "OKButton")->click();
        });
        Button("AddReplaceRuleButton")->click();
        EXPECT_EQ(Rows("ReplaceRulesListView"), QStringList{u"a|"_s});
        FEditor->reject();
    });
    EXPECT_EQ(FMessages, QStringList{u"Tarrow|'2x' is not a valid integer value"_s});
}

TEST_F(EditProject, APatternThatDoesNotCompileKeepsTheDialogOpen) {
    TWebsiteProject project;
    project.SetProjectName(u"Blog"_s);
    const bool accepted = Edit(project, [&] {
        auto* excludes = Child<QPlainTextEdit>(FEditor.get(), "ExcludePatterns");
        excludes->setPlainText(u"fine\n(open"_s);
        Ok();
        EXPECT_TRUE(FEditor->isVisible());
        EXPECT_EQ(FEditor->focusWidget(), excludes);
        excludes->setPlainText(u"fine\n\\(open"_s);
        Ok();
    });
    EXPECT_TRUE(accepted);
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_TRUE(
        FMessages[0].startsWith(u"Edit Project|Exclude pattern \"(open\": Error in regular "_s))
        << FMessages[0].toStdString();
    EXPECT_EQ(project.ExcludePatterns(), (QStringList{u"fine"_s, u"\\(open"_s}));
}

TEST_F(EditProject, AnHTTPSProjectWithoutVerifiedTLSShowsAWarning) {
    const struct {
        const char* URL;
        bool Verify;
        bool Warned;
    } cases[] = {{"https://site.org/", false, true},
                 {"HTTPS://site.org/", true, false},
                 {"http://site.org/", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.URL);
        TWebsiteProject project;
        project.SetProjectName(u"Blog"_s);
        project.SetWebsiteURL(QString::fromLatin1(c.URL));
        project.SetVerifyTLS(c.Verify);
        ASSERT_TRUE(Edit(project, [&] {
            auto* warning = Child<QLabel>(FEditor.get(), "VerifyTLSWarning");
            auto* box = Child<QCheckBox>(FEditor.get(), "VerifyTLS");
            EXPECT_EQ(!warning->isHidden(), c.Warned);
            box->setChecked(!box->isChecked()); // the warning follows the box at once
            const bool https =
                QString::fromLatin1(c.URL).startsWith(u"https"_s, Qt::CaseInsensitive);
            EXPECT_EQ(!warning->isHidden(), https && !box->isChecked());
            box->setChecked(c.Verify);
            Ok();
        }));
        EXPECT_EQ(project.VerifyTLS(), c.Verify);
    }
}

// Rows 1 to 4 (second column 10 to 40), with the rows of ASelected selected.
void FillFourRows(TRowListView& AList, std::initializer_list<int> ASelected) {
    AList.clear();
    for (int i = 1; i <= 4; ++i)
        AList.AddRow(QString::number(i), QString::number(i * 10));
    for (int r : ASelected)
        AList.topLevelItem(r)->setSelected(true);
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
    TRowListView list({u"URL"_s, u"Extract URLs Depth"_s}, {310, 120}, true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Order);
        FillFourRows(list, row.Selected);
        list.MoveSelectedRows(row.Target);
        QStringList order;
        for (int i = 0; i < list.RowCount(); ++i) {
            order << list.RowText(i, 0);
            EXPECT_EQ(list.RowText(i, 1), list.RowText(i, 0) + u'0'); // both texts move
        }
        EXPECT_EQ(order.join(u','), QString::fromUtf8(row.Order));
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
    TRowListView list({u"URL"_s, u"Extract URLs Depth"_s}, {310, 120}, true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Order);
        FillFourRows(list, row.Selected);
        for (Qt::Key key : row.Keys)
            QTest::keyClick(&list, key, Qt::ControlModifier);
        QStringList order;
        for (int i = 0; i < list.RowCount(); ++i) {
            order << list.RowText(i, 0);
            EXPECT_EQ(list.RowText(i, 1), list.RowText(i, 0) + u'0');
        }
        EXPECT_EQ(order.join(u','), QString::fromUtf8(row.Order));
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
        foreign.setText(u"x"_s);
        QDragMoveEvent over(onFirst, Qt::MoveAction, &foreign, Qt::LeftButton, {});
        QCoreApplication::sendEvent(list->viewport(), &over);
        EXPECT_FALSE(over.isAccepted());
        EXPECT_FALSE(List("ReplaceRulesListView")->dragEnabled());
        list->MoveSelectedRows(0);
        Ok();
    }));
    EXPECT_EQ(project->WebDocuments(),
              (QStringList{u"https://cdn.site/pdf/"_s, u"https://cdn.site/img/"_s}));
    EXPECT_EQ(project->WDOutFolders(), (QStringList{u""_s, u"img"_s}));
}

} // namespace
