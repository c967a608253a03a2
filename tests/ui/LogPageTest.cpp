// The log page: it follows new lines only while scrolled to the bottom, and its context menu
// copies and saves the log.
#include "tests/ui/UiTestSupport.h"
#include "ui/RunLogUnit.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

class LogPage : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        MakeWindow();
        FWindow->Controls().MainPageControl->setCurrentWidget(FWindow->Controls().LogTabSheet);
    }
    QPlainTextEdit* Memo() const { return FWindow->Controls().LogMemo; }
    QScrollBar* Bar() const { return Memo()->verticalScrollBar(); }
    void AddLines(int AFirst, int ACount) {
        for (int i = AFirst; i < AFirst + ACount; ++i)
            FWindow->LogMsg(QStringLiteral("line %1").arg(i));
        FWindow->FlushLog();
    }
    QAction* SaveLogAction() const {
        return Memo()->findChild<QAction*>(QStringLiteral("SaveLogAction"));
    }
};

TEST_F(LogPage, FollowsNewLinesOnlyFromTheBottom) {
    AddLines(1, 300);
    ASSERT_GT(Bar()->maximum(), 0);
    EXPECT_EQ(Bar()->value(), Bar()->maximum());
    AddLines(301, 10);
    EXPECT_EQ(Bar()->value(), Bar()->maximum()); // still at the bottom: follows

    Bar()->setValue(40); // the user reads further up
    const int before = Bar()->maximum();
    AddLines(311, 50);
    EXPECT_GT(Bar()->maximum(), before);
    EXPECT_EQ(Bar()->value(), 40);

    Bar()->setValue(Bar()->maximum()); // back at the bottom
    AddLines(361, 5);
    EXPECT_EQ(Bar()->value(), Bar()->maximum());
}

TEST_F(LogPage, TheContextMenuCopiesAndSavesTheLog) {
    AddLines(1, 3);
    EXPECT_TRUE(Memo()->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    Q_EMIT Memo()->customContextMenuRequested(QPoint(5, 5));
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible())
                menu = m;
        return menu != nullptr;
    }));
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    menu->close();
    EXPECT_TRUE(texts.contains(u"Save Log..."_s)) << texts.join(u',').toStdString();
    EXPECT_TRUE(texts.filter(u"Copy"_s).size() == 1) << texts.join(u',').toStdString();

    const QString path = TempPath("run.log");
    TShellHooks hooks;
    QStringList titles;
    QStringList suggested;
    hooks.ChooseSaveFile = [&](QWidget*, const QString& ATitle, const QString& ASuggested) {
        titles << ATitle;
        suggested << ASuggested;
        return path;
    };
    SetShellHooks(hooks);
    FWindow->LogMsg(u"not yet shown"_s); // a pending line is saved too
    SaveLogAction()->trigger();
    EXPECT_EQ(titles, QStringList{u"Save Log"_s});
    // tarrow-YYYY-MM-DD-HHMM.log
    ASSERT_EQ(suggested.size(), 1);
    static const QRegularExpression name(u"^tarrow-\\d{4}-\\d\\d-\\d\\d-\\d{4}\\.log$"_s);
    EXPECT_TRUE(name.match(suggested[0]).hasMatch()) << suggested[0].toStdString();
    EXPECT_EQ(SuggestedLogName(QDateTime(QDate(2026, 3, 7), QTime(9, 5))),
              u"tarrow-2026-03-07-0905.log"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), u"line 1\nline 2\nline 3\nnot yet shown\n"_s);

    // Cancelled: nothing is written; a file that cannot be written is reported.
    hooks.ChooseSaveFile = [](QWidget*, const QString&, const QString&) { return QString(); };
    SetShellHooks(hooks);
    SaveLogAction()->trigger();
    EXPECT_TRUE(FMessages.isEmpty());
    hooks.ChooseSaveFile = [&](QWidget*, const QString&, const QString&) {
        return TempPath("no/such/dir/x");
    };
    SetShellHooks(hooks);
    SaveLogAction()->trigger();
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_TRUE(FMessages[0].contains(u"no/such/dir/x"_s)) << FMessages[0].toStdString();
}

} // namespace
