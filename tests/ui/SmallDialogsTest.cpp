// The start-page, download-rule and replace-rule dialogs: "OK" only with the main field filled,
// values written back only on "OK", and the replace rule's test area.
#include "tests/ui/UiTestSupport.h"

#include "ui/ReplaceRuleFormUnit.h"
#include "ui/WebDocFormUnit.h"
#include "ui/WebPageFormUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

class SmallDialogs : public UiTest {};

TEST_F(SmallDialogs, OKNeedsTheMainField) {
    TWebPageForm page;
    TWebDocForm doc;
    TReplaceRuleForm rule;
    struct Row {
        QDialog* Dialog;
        const char* Field;
        std::function<bool(const QString&)> Execute;
    };
    QString text2;
    int depth = 0;
    const Row rows[] = {
        {&page, "WebPageEdit", [&](QString A) { return page.Execute(A, depth); }},
        {&doc, "WebDocumentEdit", [&](QString A) { return doc.Execute(A, text2); }},
        {&rule, "PatternEdit", [&](QString A) { return rule.Execute(A, text2); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Field);
        for (const char* start : {"", "x"}) {
            bool enabledAtStart = false;
            bool enabledEmpty = true;
            WhenModal(row.Dialog, [&] {
                auto* ok = Child<QPushButton>(row.Dialog, "OKButton");
                enabledAtStart = ok->isEnabled();
                Child<QLineEdit>(row.Dialog, row.Field)->setText(u""_s);
                enabledEmpty = ok->isEnabled();
                row.Dialog->reject();
            });
            EXPECT_FALSE(row.Execute(QString::fromUtf8(start)));
            EXPECT_EQ(enabledAtStart, *start != 0);
            EXPECT_FALSE(enabledEmpty);
        }
    }
}

TEST_F(SmallDialogs, TextsComeBackAsTypedOnlyOnOK) {
    TWebDocForm doc;
    QString prefix = u"old"_s;
    QString folder = u"kept"_s;
    WhenModal(&doc, [&] {
        Child<QLineEdit>(&doc, "WebDocumentEdit")->setText(u" https://cdn/ "_s);
        Child<QLineEdit>(&doc, "OutFolderEdit")->setText(u""_s);
        doc.reject();
    });
    EXPECT_FALSE(doc.Execute(prefix, folder));
    EXPECT_EQ(prefix + folder, u"oldkept"_s);
    WhenModal(&doc, [&] {
        Child<QLineEdit>(&doc, "WebDocumentEdit")->setText(u" https://cdn/ "_s);
        Child<QLineEdit>(&doc, "OutFolderEdit")->setText(u""_s);
        Child<QPushButton>(&doc, "OKButton")->click();
    });
    EXPECT_TRUE(doc.Execute(prefix, folder));
    EXPECT_EQ(prefix, u" https://cdn/ "_s);
    EXPECT_EQ(folder, u""_s);
}

TEST_F(SmallDialogs, TheDepthIsReadAsAnInteger) {
    TWebPageForm page;
    struct Row {
        const char* Depth;
        int Value;
    };
    const Row rows[] = {{"-1", -1}, {" 3", 3}, {"$10", 16}, {"2147483647", 2147483647}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Depth);
        QString url = u"https://site/"_s;
        int depth = 99;
        WhenModal(&page, [&] {
            Child<QLineEdit>(&page, "ExtractURLsEdit")->setText(QString::fromUtf8(row.Depth));
            Child<QPushButton>(&page, "OKButton")->click();
        });
        EXPECT_TRUE(page.Execute(url, depth));
        EXPECT_EQ(depth, row.Value);
    }
    for (const char* bad : {"2x", "", "2147483648", "1.5"}) {
        SCOPED_TRACE(bad);
        FMessages.clear();
        QString url = u"https://site/"_s;
        int depth = 5;
        WhenModal(&page, [&] {
            Child<QLineEdit>(&page, "ExtractURLsEdit")->setText(QString::fromUtf8(bad));
            Child<QPushButton>(&page, "OKButton")->click();
            EXPECT_TRUE(page.isVisible());
            page.reject();
        });
        EXPECT_FALSE(page.Execute(url, depth));
        EXPECT_EQ(depth, 5);
        EXPECT_EQ(FMessages, QStringList{u"Tarrow|'"_s + QString::fromUtf8(bad) +
                                         u"' is not a valid integer value"_s});
    }
}

class ReplaceRuleTest : public UiTest {
protected:
    QStringList Test(const char* APattern, const char* ARule, const char* ASubject) {
        Child<QLineEdit>(&FForm, "PatternEdit")->setText(QString::fromUtf8(APattern));
        Child<QLineEdit>(&FForm, "RuleEdit")->setText(QString::fromUtf8(ARule));
        Child<QLineEdit>(&FForm, "SubjectEdit")->setText(QString::fromUtf8(ASubject));
        Child<QPushButton>(&FForm, "TestButton")->click();
        return Memo()->toPlainText().split(u'\n');
    }
    QPlainTextEdit* Memo() { return Child<QPlainTextEdit>(&FForm, "TestMemo"); }
    QString Result() { return Child<QLabel>(&FForm, "ResultLabel")->text(); }
    TReplaceRuleForm FForm;
};

TEST_F(ReplaceRuleTest, ShowsEachMatchWithItsGroups) {
    EXPECT_EQ(Test("(\\d+)-(\\d+)", "$2/$1", "1-2"),
              (QStringList{u"Pattern: (\\d+)-(\\d+)"_s, u""_s, u"Matched text: 1-2"_s,
                           u"Replaced by: 2/1"_s, u"=== groups ==="_s, u"  $0: 1-2"_s, u"  $1: 1"_s,
                           u"  $2: 2"_s}));
    EXPECT_EQ(Result(), u"2/1"_s);
    EXPECT_EQ(Memo()->textCursor().position(), 0);
    EXPECT_FALSE(Memo()->textCursor().hasSelection());
}

TEST_F(ReplaceRuleTest, NoMatchAndErrorsKeepThePreviousResult) {
    EXPECT_EQ(Test("zzz", "y", "<b>a</b>"), (QStringList{u"Pattern: zzz"_s, u"No matches."_s}));
    EXPECT_EQ(Result(), u"<b>a</b>"_s); // shown as text, not markup
    const QStringList lines = Test("(", "y", "other");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], u"Pattern: ("_s);
    EXPECT_TRUE(lines[1].startsWith(u"Error in regular expression at offset "_s))
        << lines[1].toStdString();
    EXPECT_EQ(Result(), u"<b>a</b>"_s);
    EXPECT_EQ(
        Test("", "y", "x"),
        (QStringList{u"Pattern: "_s, u"A regular expression specified in RegEx is required"_s}));
}

TEST_F(ReplaceRuleTest, EnterInTheSubjectTestsAndKeepsTheDialogOpen) {
    bool stillOpen = false;
    QStringList memo;
    WhenModal(&FForm, [&] {
        auto* subject = Child<QLineEdit>(&FForm, "SubjectEdit");
        subject->setText(u"1-2"_s);
        subject->setFocus();
        QTest::keyClick(subject, Qt::Key_Return);
        QTest::keyClick(subject, Qt::Key_Enter, Qt::KeypadModifier);
        stillOpen = FForm.isVisible();
        memo = Memo()->toPlainText().split(u'\n');
        FForm.reject();
    });
    QString pattern = u"(\\d+)-(\\d+)"_s;
    QString rule = u"$2/$1"_s;
    EXPECT_FALSE(FForm.Execute(pattern, rule)); // neither key confirmed the dialog
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(memo.value(2), u"Matched text: 1-2"_s);
    EXPECT_EQ(Result(), u"2/1"_s);
}

TEST_F(ReplaceRuleTest, EachOpeningStartsWithAnEmptyTestButKeepsTheSubject) {
    Test("a", "b", "abc");
    ASSERT_FALSE(Result().isEmpty());
    QStringList seen;
    WhenModal(&FForm, [&] {
        seen << Memo()->toPlainText() << Result()
             << Child<QLineEdit>(&FForm, "SubjectEdit")->text();
        FForm.reject();
    });
    QString pattern = u"p"_s;
    QString rule = u"r"_s;
    EXPECT_FALSE(FForm.Execute(pattern, rule));
    EXPECT_EQ(seen, (QStringList{u""_s, u""_s, u"abc"_s}));
}

} // namespace
