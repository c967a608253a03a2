#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QLabel;
class QProgressBar;
class QSystemTrayIcon;
class QWidget;

namespace tarrow {

// What the run log tells about a run so far, read line by line.
struct TRunCounts {
    int ProjectIndex = 0; // 1-based, 0 before the first project
    int ProjectCount = 0;
    QString ProjectName;
    int URLIndex = 0; // 1-based, 0 before the first URL of the project
    int URLCount = 0;
    QString URL;
    // Whole projects from their summary lines, plus what the current one logged so far:
    // "Saving: " lines count as downloaded, "Invalid directory " and "Unable to create directory "
    // lines as failed. Failed fetches are told only by the summary.
    int Downloaded = 0;
    int Failed = 0;
    QString Outcome; // "Completed.", "Terminated." or empty

    // Takes one log line.
    void Add(const QString& ALine);
    // The share of the run done, 0 to 100: whole projects, plus the current one's URLs done out of
    // done and waiting in its table.
    int Percent() const;
    // So little of the table is known yet (the first project, fewer URLs done than waiting) that
    // a percentage would mislead.
    bool MostlyUnknown() const;

private:
    bool FProjectDone = false; // its summary was logged
    int FLiveDownloaded = 0;
    int FLiveFailed = 0;
    int FSummedDownloaded = 0;
    int FSummedFailed = 0;
};

// The progress bar and status line under the main window's pages while a run goes on; the
// window's caption gains the percentage. When a run ends while the window is not active, a
// desktop notification tells how it ended (where the desktop has a notification area). A run
// that did not end cleanly (failed URLs, broken off, stopped by an error) leaves its final counts
// in the status line until the next run starts.
class TRunProgress final : public QObject {
public:
    // Places the bar and the line into AWindow's layout, under its pages (layout item AIndex).
    TRunProgress(QWidget* AWindow, int AIndex);
    ~TRunProgress() override;

    void Start(int AProjectCount);
    void Add(const QString& ALine);
    // AError: why the run stopped before its end, when it did.
    void Finish(const QString& AError = QString());

    const TRunCounts& Counts() const { return FCounts; }
    QProgressBar* Bar() const { return FBar; }
    QLabel* Status() const { return FStatus; }
    // Replaces the desktop notification (tests).
    void SetNotifier(std::function<void(const QString& ATitle, const QString& AText)> ANotify) {
        FNotify = std::move(ANotify);
    }
    // How the last run ended, in words.
    QString EndText() const;
    // The body of the desktop notification: "12 downloaded, 3 failed".
    QString NotificationText() const;
    // The last run completed with nothing failed.
    bool EndedCleanly() const;

private:
    void Show();
    // Percent, never going back by more than the share that newly found URLs take.
    int SteadyPercent();
    void Notify(const QString& ATitle, const QString& AText);

    QWidget* FWindow;
    QWidget* FPanel;
    QProgressBar* FBar;
    QLabel* FStatus;
    QTimer FShowTimer;
    TRunCounts FCounts;
    int FShownPercent = 0;
    int FShownProject = 0;
    int FShownURLCount = 0;
    bool FShowsPercent = false;
    QString FCaption;
    QString FError;
    bool FRunning = false;
    std::function<void(const QString&, const QString&)> FNotify;
    QSystemTrayIcon* FTrayIcon = nullptr;
};

} // namespace tarrow
