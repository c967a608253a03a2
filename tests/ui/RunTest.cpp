// Runs from the window against the scripted loopback server: "Load Websites", "Break", the
// command-line start with -close, closing during a run, and the run log's hand-over.
#include "tests/ui/UiTestSupport.h"

#include "base/uRunContext.h"
#include "engine/LogSinksUnit.h"
#include "project/WebsiteUnit.h"
#include "tests/support/TestReplies.h"
#include "tests/support/TestServer.h"
#include "ui/ProjectsListView.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <atomic>
#include <cstdio>

using namespace tarrow;
using namespace tarrow::test;

namespace {

class RunTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        FServer.SetHandler([this](const TRequest& ARequest) {
            ++FRequests;
            TReply reply = OkReply("<html><body>page " + ARequest.Path() + "</body></html>");
            reply.DelayMs = FDelayMs.load();
            return reply;
        });
    }
    // Settings with projects named after their paths on the server; Checked and Visible as given.
    void WriteProjects(const QStringList& ANames, const QString& AOutDir, const QString& AChecked,
                       const QString& AVisible = {}) {
        QStringList lines{QStringLiteral("TarrowProjectsN=%1").arg(ANames.size())};
        for (int i = 0; i < ANames.size(); ++i) {
            const QString p = QStringLiteral("TarrowProjects[%1].").arg(i + 1);
            lines << p + S("ProjectName=") + ANames[i]
                  << p + S("WebsiteURL=") + FServer.URL(S("/") + ANames[i] + u'/')
                  << p + S("OutputFolder={OutDir}\\{ProjectName}")
                  << p + S("Checked=") + AChecked.mid(i, 1)
                  << p + S("Visible=") + (AVisible.isEmpty() ? S("1") : AVisible.mid(i, 1));
        }
        lines << S("OutDir=") + AOutDir;
        WriteSettings(lines);
    }
    QString OutDir() const { return TempPath("out"); }
    QStringList Log() const { return FWindow->Controls().LogMemo->toPlainText().split(u'\n'); }
    bool WaitForRunEnd() {
        return WaitFor([this] { return !FWindow->IsRunning(); }, 30000);
    }
    QByteArray SavedSettings() const {
        QFile file(SettingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Settings written by the program start with the byte-order mark; the test writes none.
    bool SettingsWereSaved() const { return SavedSettings().startsWith("\xEF\xBB\xBF"); }
    static QStringList ProjectLines(const QStringList& ALog) {
        QStringList lines;
        for (const QString& line : ALog)
            if (line.startsWith(S("Project ")) || line == S("Completed.") ||
                line == S("Terminated."))
                lines << line;
        return lines;
    }

    TScriptedServer FServer;
    std::atomic<int> FRequests{0};
    std::atomic<int> FDelayMs{0};
};

TEST_F(RunTest, StartAndCloseEndsAfterASuccessfulRun) {
    WriteProjects({S("Blog"), S("Shop")}, OutDir(), S("00"), S("10"));
    TTarrowMainForm& window = MakeWindow({S("tarrow"), S("-START"), S("Shop,Blog"), S("-Close")});
    ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }, 30000));
    EXPECT_EQ(ProjectLines(Log()),
              (QStringList{S("Project \"Shop\"..."), S("Project \"Blog\"..."), S("Completed.")}));
    EXPECT_TRUE(QFile::exists(OutDir() + S("/Shop/index.html"))); // a hidden one runs when named
    EXPECT_TRUE(SettingsWereSaved());
    EXPECT_FALSE(window.IsRunning());
}

TEST_F(RunTest, AStartWithAnUnknownNameLeavesTheWindowOpen) {
    WriteProjects({S("Blog")}, OutDir(), S("0"));
    TTarrowMainForm& window = MakeWindow({S("tarrow"), S("-start"), S("Blog,blog"), S("-close")});
    ASSERT_TRUE(WaitFor([&] { return window.IsRunning(); }));
    ASSERT_TRUE(WaitForRunEnd());
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(
        ProjectLines(Log()),
        (QStringList{S("Project \"Blog\"..."), S("Project \"blog\" not found."), S("Completed.")}));
    EXPECT_TRUE(window.Controls().LoadWebsitesButton->isEnabled());
    EXPECT_FALSE(window.Controls().BreakButton->isEnabled());
    EXPECT_FALSE(SettingsWereSaved());
}

TEST_F(RunTest, AStartWithoutAnOutputFolderWarnsAndRunsNothing) {
    WriteProjects({S("Blog")}, S(""), S("1"));
    TTarrowMainForm& window = MakeWindow({S("tarrow"), S("-start"), S("Blog")});
    ASSERT_TRUE(WaitFor([&] { return !FMessages.isEmpty(); }));
    EXPECT_EQ(FMessages, QStringList{S("Tarrow 1.21 [x64]|Please, enter Output Folder")});
    EXPECT_FALSE(window.IsRunning());
    EXPECT_EQ(FRequests.load(), 0);
}

TEST_F(RunTest, LoadWebsitesSavesFirstAndRunsTheCheckedVisibleProjects) {
    WriteProjects({S("A"), S("B"), S("C")}, OutDir(), S("101"), S("110"));
    TTarrowMainForm& window = MakeWindow();
    const TTarrowMainControls& c = window.Controls();
    window.LogMsg(S("an old line"));
    window.Engine().Terminated().Set(); // a break of an earlier run does not carry over
    c.LoadWebsitesButton->click();
    EXPECT_TRUE(SettingsWereSaved());
    EXPECT_EQ(c.MainPageControl->currentWidget(), c.LogTabSheet);
    EXPECT_TRUE(window.IsRunning());
    EXPECT_FALSE(c.LoadWebsitesButton->isEnabled());
    EXPECT_TRUE(c.BreakButton->isEnabled());
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(ProjectLines(Log()), (QStringList{S("Project \"A\"..."), S("Completed.")}));
    EXPECT_FALSE(Log().contains(S("an old line")));
    EXPECT_TRUE(c.LoadWebsitesButton->isEnabled());
    EXPECT_FALSE(c.BreakButton->isEnabled());
}

TEST_F(RunTest, BreakStopsAfterTheCurrentURL) {
    WriteProjects({S("A"), S("B")}, OutDir(), S("11"));
    FDelayMs = 300;
    TTarrowMainForm& window = MakeWindow();
    window.Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitFor([&] { return FRequests.load() > 0; }));
    window.Controls().BreakButton->click();
    EXPECT_FALSE(window.Controls().BreakButton->isEnabled());
    ASSERT_TRUE(WaitForRunEnd());
    const QStringList lines = ProjectLines(Log());
    EXPECT_EQ(lines, (QStringList{S("Project \"A\"..."), S("Terminated.")}));
}

TEST_F(RunTest, CommandsStayUsableWhileARunWorksOnItsCopy) {
    WriteProjects({S("A"), S("B")}, OutDir(), S("11"));
    FDelayMs = 300;
    TTarrowMainForm& window = MakeWindow();
    window.Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitFor([&] { return FRequests.load() > 0; }));
    // Every project the run reads is deleted under it; the run has its own copies.
    FAnswers = {true, true};
    for (int i = 0; i < 2; ++i) {
        window.Controls().ProjectsListView->SelectRow(0);
        window.Controls().DeleteProjectAction->trigger();
    }
    EXPECT_EQ(window.Projects().Count(), 0);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(ProjectLines(Log()),
              (QStringList{S("Project \"A\"..."), S("Project \"B\"..."), S("Completed.")}));
    EXPECT_TRUE(QFile::exists(OutDir() + S("/B/index.html")));
}

TEST_F(RunTest, ClosingDuringARunBreaksHidesAndClosesOnCompletion) {
    WriteProjects({S("A"), S("B")}, OutDir(), S("11"));
    FDelayMs = 300;
    TTarrowMainForm& window = MakeWindow();
    window.Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitFor([&] { return FRequests.load() > 0; }));
    window.Controls().OutDirEdit->setText(S("/changed/after/start"));
    EXPECT_FALSE(window.close()); // not yet: the worker still runs
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.Engine().Terminated().IsSet());
    EXPECT_TRUE(window.IsRunning());
    EXPECT_FALSE(SavedSettings().contains("/changed/after/start"));
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_TRUE(WaitFor([&] { return SavedSettings().contains("/changed/after/start"); }));
    EXPECT_EQ(ProjectLines(Log()), (QStringList{S("Project \"A\"..."), S("Terminated.")}));
}

TEST_F(RunTest, ADestroyedWindowWaitsForItsWorker) {
    WriteProjects({S("A")}, OutDir(), S("1"));
    FDelayMs = 300;
    MakeWindow().Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitFor([&] { return FRequests.load() > 0; }));
    FModelTester.reset();
    FWindow.reset(); // serves the worker's log lines until it has ended
    // The worker has ended with the window: nothing more reaches the server.
    const int requests = FRequests.load();
    QThread::msleep(2 * FDelayMs);
    EXPECT_EQ(FRequests.load(), requests);
}

// A worker that only logs: the hand-over keeps every line, in order, and skips empty ones.
class TLogLinesThread final : public QThread {
public:
    TLogLinesThread(TLogSink* ASink, int ACount) : FContext(ASink), FCount(ACount) {}

protected:
    void run() override {
        for (int i = 0; i < FCount; ++i) {
            FContext.Log(QStringLiteral("Downloading [ %1 / %2 ]: http://127.0.0.1/page/%1")
                             .arg(i + 1)
                             .arg(FCount));
            FContext.Log(QString());
        }
    }

private:
    TRunContext FContext;
    int FCount;
};

TEST_F(RunTest, ThousandsOfLogLinesArriveInOrder) {
    TTarrowMainForm& window = MakeWindow();
    window.Controls().MainPageControl->setCurrentWidget(window.Controls().LogTabSheet);
    const int count = 20000;
    TLogLinesThread thread(&window.LogSink(), count);
    QElapsedTimer timer;
    timer.start();
    // How long the window's own timers wait at most while the lines pour in (reported only).
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = qMax(longestGap, timer.elapsed() - lastTick);
        lastTick = timer.elapsed();
    });
    ticker.start(10);
    thread.start();
    ASSERT_TRUE(WaitFor([&] { return thread.isFinished(); }, 120000));
    ticker.stop();
    window.LogMsg(QString());
    window.FlushLog();
    std::printf("[          ] %d log lines through the window in %lld ms; longest gap between "
                "10 ms timer ticks: %lld ms\n",
                count, static_cast<long long>(timer.elapsed()), static_cast<long long>(longestGap));
    const QStringList lines = Log();
    ASSERT_EQ(lines.size(), count);
    for (int i = 0; i < count; i += 997)
        ASSERT_TRUE(lines[i].endsWith(QStringLiteral("/page/%1").arg(i + 1))) << i;
    QPlainTextEdit* memo = window.Controls().LogMemo;
    EXPECT_EQ(memo->verticalScrollBar()->value(), memo->verticalScrollBar()->maximum());
}

TEST_F(RunTest, TheProgramClosesAfterAStartWithClose) {
    WriteProjects({S("Blog")}, OutDir(), S("0"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(S("QT_QPA_PLATFORM"), S("offscreen"));
    program.setProcessEnvironment(env);
    program.start(S(TARROW_PROGRAM),
                  {S("-settingsdir"), FDir.path(), S("-start"), S("Blog"), S("-close")});
    ASSERT_TRUE(program.waitForFinished(60000)) << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(OutDir() + S("/Blog/index.html")));
    EXPECT_TRUE(SettingsWereSaved());
}

} // namespace
