// Runs from the window against the scripted loopback server: "Load Websites", "Break", the
// command-line start with -close, closing during a run, and the run log's hand-over.
#include "tests/ui/UiTestSupport.h"

#include "base/uRunContext.h"
#include "engine/LogSinksUnit.h"
#include "project/WebsiteUnit.h"
#include "tests/support/TestProxy.h"
#include "tests/support/TestReplies.h"
#include "tests/support/TestServer.h"
#include "ui/ProjectsListView.h"
#include "ui/RunProgressUnit.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <atomic>
#include <cstdio>

using namespace Qt::StringLiterals;

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
            lines << p + u"ProjectName="_s + ANames[i]
                  << p + u"WebsiteURL="_s + FServer.URL(u"/"_s + ANames[i] + u'/')
                  << p + u"OutputFolder={OutDir}\\{ProjectName}"_s
                  << p + u"Checked="_s + AChecked.mid(i, 1)
                  << p + u"Visible="_s + (AVisible.isEmpty() ? u"1"_s : AVisible.mid(i, 1));
        }
        lines << u"OutDir="_s + AOutDir;
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
            if (line.startsWith(u"Project "_s) || line == u"Completed."_s ||
                line == u"Terminated."_s)
                lines << line;
        return lines;
    }

    TScriptedServer FServer;
    std::atomic<int> FRequests{0};
    std::atomic<int> FDelayMs{0};
};

TEST_F(RunTest, StartAndCloseEndsAfterASuccessfulRun) {
    WriteProjects({u"Blog"_s, u"Shop"_s}, OutDir(), u"00"_s, u"10"_s);
    TTarrowMainForm& window = MakeWindow({u"tarrow"_s, u"-START"_s, u"Shop,Blog"_s, u"-Close"_s});
    ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }, 30000));
    EXPECT_EQ(ProjectLines(Log()),
              (QStringList{u"Project \"Shop\"..."_s, u"Project \"Blog\"..."_s, u"Completed."_s}));
    EXPECT_TRUE(QFile::exists(OutDir() + u"/Shop/index.html"_s)); // a hidden one runs when named
    EXPECT_TRUE(SettingsWereSaved());
    EXPECT_FALSE(window.IsRunning());
}

TEST_F(RunTest, AStartWithAnUnknownNameLeavesTheWindowOpen) {
    WriteProjects({u"Blog"_s}, OutDir(), u"0"_s);
    TTarrowMainForm& window = MakeWindow({u"tarrow"_s, u"-start"_s, u"Blog,blog"_s, u"-close"_s});
    ASSERT_TRUE(WaitFor([&] { return window.IsRunning(); }));
    ASSERT_TRUE(WaitForRunEnd());
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(
        ProjectLines(Log()),
        (QStringList{u"Project \"Blog\"..."_s, u"Project \"blog\" not found."_s, u"Completed."_s}));
    EXPECT_TRUE(window.Controls().LoadWebsitesButton->isEnabled());
    EXPECT_FALSE(window.Controls().BreakButton->isEnabled());
    EXPECT_FALSE(SettingsWereSaved());
}

TEST_F(RunTest, AStartWithoutAnOutputFolderWarnsAndRunsNothing) {
    WriteProjects({u"Blog"_s}, u""_s, u"1"_s);
    TTarrowMainForm& window = MakeWindow({u"tarrow"_s, u"-start"_s, u"Blog"_s});
    ASSERT_TRUE(WaitFor([&] { return !FMessages.isEmpty(); }));
    EXPECT_EQ(FMessages, QStringList{u"Tarrow 1.21 [x64]|Please, enter Output Folder"_s});
    EXPECT_FALSE(window.IsRunning());
    EXPECT_EQ(FRequests.load(), 0);
}

TEST_F(RunTest, AStartWithAMalformedProxyWarnsAndRunsNothing) {
    WriteProjects({u"Blog"_s}, OutDir(), u"1"_s);
    QFile settings(SettingsPath());
    ASSERT_TRUE(settings.open(QIODevice::Append));
    settings.write("Proxy=socks5://127.0.0.1\r\n");
    settings.close();
    TTarrowMainForm& window = MakeWindow({u"tarrow"_s, u"-start"_s, u"Blog"_s, u"-close"_s});
    ASSERT_TRUE(WaitFor([&] { return !FMessages.isEmpty(); }));
    EXPECT_TRUE(FMessages[0].contains(u"Malformed proxy address: the port is missing."_s))
        << FMessages[0].toStdString();
    EXPECT_FALSE(window.IsRunning());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(FRequests.load(), 0);
}

TEST_F(RunTest, LoadWebsitesSavesFirstAndRunsTheCheckedVisibleProjects) {
    WriteProjects({u"A"_s, u"B"_s, u"C"_s}, OutDir(), u"101"_s, u"110"_s);
    TTarrowMainForm& window = MakeWindow();
    const TTarrowMainControls& c = window.Controls();
    window.LogMsg(u"an old line"_s);
    window.Engine().Terminated().Set(); // a break of an earlier run does not carry over
    c.LoadWebsitesButton->click();
    EXPECT_TRUE(SettingsWereSaved());
    EXPECT_EQ(c.MainPageControl->currentWidget(), c.LogTabSheet);
    EXPECT_TRUE(window.IsRunning());
    EXPECT_FALSE(c.LoadWebsitesButton->isEnabled());
    EXPECT_TRUE(c.BreakButton->isEnabled());
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(ProjectLines(Log()), (QStringList{u"Project \"A\"..."_s, u"Completed."_s}));
    EXPECT_FALSE(Log().contains(u"an old line"_s));
    EXPECT_TRUE(c.LoadWebsitesButton->isEnabled());
    EXPECT_FALSE(c.BreakButton->isEnabled());
}

TEST_F(RunTest, ARunGoesThroughTheProxyOfTheSettings) {
    WriteProjects({u"A"_s}, OutDir(), u"1"_s);
    TTarrowMainForm& window = MakeWindow();
    TProxyServer proxy(TProxyProtocol::ppSOCKS5);
    window.Controls().ProxyEdit->setText(u"socks5://"_s + proxy.HostPort());
    window.Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(ProjectLines(Log()), (QStringList{u"Project \"A\"..."_s, u"Completed."_s}));
    EXPECT_EQ(proxy.Handshakes().size(), FServer.ConnectionCount());
    EXPECT_GT(FServer.ConnectionCount(), 0);
    EXPECT_TRUE(SavedSettings().contains("\r\nProxy=socks5://" + proxy.HostPort().toLatin1()));
}

// The page's two links are missing on the server: the log ends as always, the status line says
// how many failed and stays in view.
TEST_F(RunTest, ARunWithFailedURLsSaysHowManyFailed) {
    FServer.SetHandler([](const TRequest& ARequest) {
        if (ARequest.Path() != "/A/")
            return MakeReply(404, "Not Found");
        return OkReply("<html><body><a href=\"gone1.html\">1</a><a href=\"gone2.html\">2</a>"
                       "</body></html>");
    });
    WriteProjects({u"A"_s}, OutDir(), u"1"_s);
    TTarrowMainForm& window = MakeWindow();
    window.Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(ProjectLines(Log()), (QStringList{u"Project \"A\"..."_s, u"Completed."_s}));
    EXPECT_TRUE(Log().contains(
        u"Downloaded: 1, already existed: 0, not changed: 0, empty: 0, failed: 2."_s));
    const QLabel* status = window.RunProgress().Status();
    EXPECT_TRUE(status->isVisibleTo(&window));
    EXPECT_EQ(status->text(), u"Completed with 2 failed. Downloaded: 1."_s);
}

TEST_F(RunTest, BreakStopsAfterTheCurrentURL) {
    WriteProjects({u"A"_s, u"B"_s}, OutDir(), u"11"_s);
    FDelayMs = 300;
    TTarrowMainForm& window = MakeWindow();
    window.Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitFor([&] { return FRequests.load() > 0; }));
    window.Controls().BreakButton->click();
    EXPECT_FALSE(window.Controls().BreakButton->isEnabled());
    ASSERT_TRUE(WaitForRunEnd());
    const QStringList lines = ProjectLines(Log());
    EXPECT_EQ(lines, (QStringList{u"Project \"A\"..."_s, u"Terminated."_s}));
}

TEST_F(RunTest, ContinueGoesOnWithTheSelectedProjectsInterruptedRun) {
    WriteSettings({u"TarrowProjectsN=1"_s, u"TarrowProjects[1].ProjectName=A"_s,
                   u"TarrowProjects[1].WebsiteURL="_s + FServer.URL(u"/A/"_s),
                   u"TarrowProjects[1].OutputFolder={OutDir}\\{ProjectName}"_s,
                   u"TarrowProjects[1].Checked=1"_s, u"TarrowProjects[1].Journal=1"_s,
                   u"OutDir="_s + OutDir()});
    // The start page links a second page; Break comes while that one loads.
    FServer.SetHandler([this](const TRequest& ARequest) {
        const int request = ++FRequests;
        TReply reply = OkReply(ARequest.Path() == "/A/" ? "<a href=\"b.html\">b</a>" : "b");
        reply.DelayMs = request == 2 ? FDelayMs.load() : 0;
        return reply;
    });
    FDelayMs = 3000;
    TTarrowMainForm& window = MakeWindow();
    QPushButton* resume = window.Controls().ContinueButton;
    window.Controls().ProjectsListView->SelectRow(0);
    EXPECT_FALSE(resume->isEnabled()); // nothing to continue yet
    window.Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitFor([&] { return FRequests.load() > 1; }));
    window.Controls().BreakButton->click();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_FALSE(QFile::exists(OutDir() + u"/A/b.html"_s));
    ASSERT_TRUE(resume->isEnabled());
    FDelayMs = 0;
    resume->click();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(ProjectLines(Log()), (QStringList{u"Project \"A\"..."_s, u"Completed."_s}));
    EXPECT_TRUE(Log().contains(u"Continuing from the journal: 1 of 2 URLs done"_s));
    EXPECT_TRUE(QFile::exists(OutDir() + u"/A/b.html"_s));
    EXPECT_EQ(FRequests.load(), 3);    // the start page is not asked for again
    EXPECT_FALSE(resume->isEnabled()); // the run ended: its journal is complete
}

TEST_F(RunTest, CommandsStayUsableWhileARunWorksOnItsCopy) {
    WriteProjects({u"A"_s, u"B"_s}, OutDir(), u"11"_s);
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
              (QStringList{u"Project \"A\"..."_s, u"Project \"B\"..."_s, u"Completed."_s}));
    EXPECT_TRUE(QFile::exists(OutDir() + u"/B/index.html"_s));
}

TEST_F(RunTest, ClosingDuringARunSavesAtOnceBreaksHidesAndClosesOnCompletion) {
    WriteProjects({u"A"_s, u"B"_s}, OutDir(), u"11"_s);
    FDelayMs = 300;
    TTarrowMainForm& window = MakeWindow();
    window.Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitFor([&] { return FRequests.load() > 0; }));
    window.Controls().OutDirEdit->setText(u"/changed/after/start"_s);
    EXPECT_FALSE(window.close()); // not yet: the worker still runs
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.Engine().Terminated().IsSet());
    EXPECT_TRUE(window.IsRunning());
    // Saved before the worker ends, so a later instance's save is never overwritten.
    EXPECT_TRUE(SavedSettings().contains("/changed/after/start"));
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(ProjectLines(Log()), (QStringList{u"Project \"A\"..."_s, u"Terminated."_s}));
}

TEST_F(RunTest, ADestroyedWindowWaitsForItsWorker) {
    WriteProjects({u"A"_s}, OutDir(), u"1"_s);
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
    // Qt's own hand-over at the thread's end is invisible to ThreadSanitizer; this one is not.
    bool Done() const { return FDone.load(std::memory_order_acquire); }

protected:
    void run() override {
        for (int i = 0; i < FCount; ++i) {
            FContext.Log(QStringLiteral("Downloading [ %1 / %2 ]: http://127.0.0.1/page/%1")
                             .arg(i + 1)
                             .arg(FCount));
            FContext.Log(QString());
        }
        FDone.store(true, std::memory_order_release);
    }

private:
    TRunContext FContext;
    int FCount;
    std::atomic<bool> FDone{false};
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
    ASSERT_TRUE(WaitFor([&] { return thread.Done(); }, 120000));
    thread.wait();
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
    WriteProjects({u"Blog"_s}, OutDir(), u"0"_s);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program.setProcessEnvironment(env);
    program.start(QString::fromUtf8(TARROW_PROGRAM),
                  {u"-settingsdir"_s, FDir.path(), u"-start"_s, u"Blog"_s, u"-close"_s});
    ASSERT_TRUE(program.waitForFinished(60000)) << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(OutDir() + u"/Blog/index.html"_s));
    EXPECT_TRUE(SettingsWereSaved());
}

} // namespace
