// The run's progress as told by the log lines: the counts, the bar, the status line, the caption
// and the notification when a run ends while the window is not active.
#include "tests/ui/UiTestSupport.h"

#include "ui/RunProgressUnit.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

TEST(RunCounts, FollowProjectsURLsAndCounts) {
    struct Row {
        const char* Line;
        int Project;
        const char* Name;
        int URL;
        int URLs;
        int Downloaded;
        int Failed;
        int Percent;
    };
    // Two projects; the second one's summary corrects what its lines told (a failed write).
    const Row rows[] = {
        {"Project \"Blog\"...", 1, "Blog", 0, 0, 0, 0, 0},
        {"Downloading [ 1 / 2 ]: http://a/", 1, "Blog", 1, 2, 0, 0, 0},
        {"Saving: C:\\out\\index.html", 1, "Blog", 1, 2, 1, 0, 0},
        {"Downloading [ 2 / 4 ]: http://a/b", 1, "Blog", 2, 4, 1, 0, 12},
        {"Invalid directory C:\\x", 1, "Blog", 2, 4, 1, 1, 12},
        {"Retry #1...", 1, "Blog", 2, 4, 1, 1, 12},
        {"Downloaded: 3, already existed: 0, not changed: 0, empty: 0, failed: 2.", 1, "Blog", 2, 4,
         3, 2, 50},
        {"Project \"Sh\"op\"...", 2, "Sh\"op", 0, 0, 3, 2, 50},
        {"Downloading [ 1 / 1 ]: http://b/", 2, "Sh\"op", 1, 1, 3, 2, 50},
        {"Saving: /out/b", 2, "Sh\"op", 1, 1, 4, 2, 50},
        {"Downloaded: 0, already existed: 0, not changed: 0, empty: 0, failed: 1.", 2, "Sh\"op", 1,
         1, 3, 3, 100},
    };
    TRunCounts counts;
    counts.ProjectCount = 2;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Line);
        counts.Add(QString::fromUtf8(row.Line));
        EXPECT_EQ(counts.ProjectIndex, row.Project);
        EXPECT_EQ(counts.ProjectName, QString::fromUtf8(row.Name));
        EXPECT_EQ(counts.URLIndex, row.URL);
        EXPECT_EQ(counts.URLCount, row.URLs);
        EXPECT_EQ(counts.Downloaded, row.Downloaded);
        EXPECT_EQ(counts.Failed, row.Failed);
        EXPECT_EQ(counts.Percent(), row.Percent);
    }
    EXPECT_EQ(counts.URL, u"http://b/"_s);
    EXPECT_TRUE(counts.Outcome.isEmpty());
    counts.Add(u"Completed."_s);
    EXPECT_EQ(counts.Outcome, u"Completed."_s);
}

// A project that obeys robots.txt ends with a skipped count; its summary still gives the counts.
TEST(RunCounts, ASummaryWithASkippedCountIsASummary) {
    TRunCounts counts;
    counts.ProjectCount = 1;
    for (const char* line :
         {"Project \"Blog\"...", "Downloading [ 1 / 2 ]: http://a/", "Saving: /out/index.html",
          "Downloaded: 0, already existed: 0, not changed: 0, empty: 0, "
          "failed: 1, skipped: 4."})
        counts.Add(QString::fromUtf8(line));
    EXPECT_EQ(counts.Downloaded, 0);
    EXPECT_EQ(counts.Failed, 1);
}

class RunProgress : public UiTest {};

TEST_F(RunProgress, ShowsTheRunAndNotifiesWhenTheWindowIsNotActive) {
    TTarrowMainForm& window = MakeWindow();
    TRunProgress& progress = window.RunProgress();
    QStringList notices;
    progress.SetNotifier(
        [&](const QString& ATitle, const QString& AText) { notices << ATitle + u'|' + AText; });
    EXPECT_FALSE(progress.Bar()->isVisibleTo(&window));

    progress.Start(2);
    EXPECT_TRUE(progress.Bar()->isVisibleTo(&window));
    for (const char* line : {"Project \"Blog\"...", "Downloading [ 3 / 4 ]: http://a/x",
                             "Saving: /out/x", "Invalid directory /y"})
        window.LogMsg(QString::fromUtf8(line));
    ASSERT_TRUE(WaitFor([&] { return progress.Bar()->value() == 25; }));
    EXPECT_EQ(progress.Status()->text(),
              u"Project 1 of 2: Blog   URL 3 of 4: http://a/x   Downloaded: 1, failed: 1"_s);
    EXPECT_EQ(window.windowTitle(), u"Tarrow 1.21 [x64] - 25%"_s);

    window.LogMsg(u"Terminated."_s);
    window.hide(); // a window not shown is not the active one
    progress.Finish();
    EXPECT_FALSE(progress.Bar()->isVisibleTo(&window));
    EXPECT_EQ(window.windowTitle(), u"Tarrow 1.21 [x64]"_s);
    EXPECT_EQ(notices, QStringList{QString::fromUtf8(
                           "Tarrow 1.21 [x64]|The run was broken off. Downloaded: 1, failed: 1.")});

    // No notice for the window in front.
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(window.isActiveWindow());
    progress.Start(1);
    progress.Finish();
    EXPECT_EQ(notices.size(), 1);
}

// The bar is busy while most of the table is unknown, then shows done out of done and waiting,
// and does not go back when nothing new was found.
TEST_F(RunProgress, TheBarIsBusyUntilMostIsKnownAndDoesNotJumpBack) {
    TTarrowMainForm& window = MakeWindow();
    TRunProgress& progress = window.RunProgress();
    progress.Start(1);
    struct TStep {
        const char* Line;
        const char* Shown; // in the status line once the bar shows the line
        int Maximum;       // 0: busy
        int Value;         // when not busy
    };
    const TStep steps[] = {
        {"Project \"Blog\"...", "Project 1 of 1: Blog", 0, 0},
        {"Downloading [ 1 / 3 ]: http://a/", "URL 1 of 3", 0, 0},
        {"Downloading [ 3 / 4 ]: http://a/c", "URL 3 of 4", 100, 50},
        {"Downloading [ 2 / 4 ]: http://a/b", "URL 2 of 4", 100, 50}, // taken up again
        {"Downloading [ 4 / 5 ]: http://a/d", "URL 4 of 5", 100, 60},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.Line);
        window.LogMsg(QString::fromUtf8(step.Line));
        ASSERT_TRUE(WaitFor(
            [&] { return progress.Status()->text().contains(QString::fromUtf8(step.Shown)); }));
        EXPECT_EQ(progress.Bar()->maximum(), step.Maximum);
        if (step.Maximum > 0) {
            EXPECT_EQ(progress.Bar()->value(), step.Value);
        }
    }
    EXPECT_TRUE(progress.Bar()->text().contains(u"4 of 5"_s))
        << progress.Bar()->text().toStdString();
    progress.Finish();
}

// A run that ends with failed URLs, broken off or stopped by an error keeps its final counts in the
// status line (the bar goes); a clean one leaves nothing. The notification says the same.
TEST_F(RunProgress, ARunThatDidNotEndCleanlyKeepsItsCountsInView) {
    struct Row {
        const char* Name;
        QStringList Lines;
        const char* Error;
        const char* Text; // empty: the panel is hidden after the run
    };
    const QString summary3 =
        u"Downloaded: 5, already existed: 0, not changed: 0, empty: 0, failed: 3."_s;
    const QString summary0 =
        u"Downloaded: 2, already existed: 0, not changed: 0, empty: 0, failed: 0."_s;
    const Row rows[] = {
        {"failed",
         {u"Project \"Blog\"..."_s, summary3, u"Completed."_s},
         "",
         "Completed with 3 failed. Downloaded: 5."},
        {"clean", {u"Project \"Blog\"..."_s, summary0, u"Completed."_s}, "", ""},
        {"broken off",
         {u"Project \"Blog\"..."_s, summary0, u"Terminated."_s},
         "",
         "The run was broken off. Downloaded: 2, failed: 0."},
        {"error",
         {u"Project \"Blog\"..."_s},
         "Malformed proxy address: the port is missing.",
         "The run ended early. Downloaded: 0, failed: 0. Malformed proxy address: the port is "
         "missing."},
    };
    TTarrowMainForm& window = MakeWindow();
    TRunProgress& progress = window.RunProgress();
    QStringList notices;
    progress.SetNotifier([&](const QString&, const QString& AText) { notices << AText; });
    window.hide(); // not the active window: every end is notified
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        notices.clear();
        progress.Start(1);
        for (const QString& line : row.Lines)
            window.LogMsg(line);
        progress.Finish(QString::fromUtf8(row.Error));
        EXPECT_FALSE(progress.Bar()->isVisibleTo(&window));
        const QString text = QString::fromUtf8(row.Text);
        EXPECT_EQ(progress.Status()->isVisibleTo(&window), !text.isEmpty());
        if (!text.isEmpty()) {
            EXPECT_EQ(progress.Status()->text(), text);
        }
        ASSERT_EQ(notices.size(), 1);
        EXPECT_EQ(notices[0],
                  text.isEmpty() ? u"The run completed. Downloaded: 2, failed: 0."_s : text);
        EXPECT_EQ(window.windowTitle(), u"Tarrow 1.21 [x64]"_s);
    }
    // The next run shows its bar again.
    progress.Start(1);
    EXPECT_TRUE(progress.Bar()->isVisibleTo(&window));
}

} // namespace
