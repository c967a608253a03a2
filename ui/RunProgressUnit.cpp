#include "ui/RunProgressUnit.h"

#include "ui/DesktopNotifyUnit.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <cmath>

namespace tarrow {

namespace {

// The progress line's texts are the main window's.
struct TTexts {
    Q_DECLARE_TR_FUNCTIONS(tarrow::TTarrowMainForm)
};

// How long the tray's balloon (and its icon) stays.
constexpr int BalloonMs = 10000;

int Number(const QRegularExpressionMatch& AMatch, int AGroup) {
    return AMatch.captured(AGroup).toInt();
}

} // namespace

void TRunCounts::Add(const QString& ALine) {
    static const QRegularExpression downloading(
        QStringLiteral("^Downloading \\[ (\\d+) / (\\d+) \\]: (.*)$"));
    static const QRegularExpression summary(
        QStringLiteral("^Downloaded: (\\d+), already existed: \\d+, not changed: \\d+, "
                       "empty: \\d+, failed: (\\d+)(?:, skipped: \\d+)?\\.$"));
    if (ALine.startsWith(QLatin1String("Downloading ["))) {
        if (const QRegularExpressionMatch m = downloading.match(ALine); m.hasMatch()) {
            URLIndex = Number(m, 1);
            URLCount = Number(m, 2);
            URL = m.captured(3);
        }
    } else if (ALine.startsWith(QLatin1String("Saving: "))) {
        ++FLiveDownloaded;
    } else if (ALine.startsWith(QLatin1String("Invalid directory ")) ||
               ALine.startsWith(QLatin1String("Unable to create directory "))) {
        ++FLiveFailed;
    } else if (ALine.startsWith(QLatin1String("Project \"")) &&
               ALine.endsWith(QLatin1String("\"..."))) {
        ++ProjectIndex;
        ProjectName = ALine.mid(9, ALine.size() - 9 - 4);
        URLIndex = URLCount = 0;
        URL.clear();
        FLiveDownloaded = FLiveFailed = 0;
        FProjectDone = false;
    } else if (ALine.startsWith(QLatin1String("Downloaded: "))) {
        if (const QRegularExpressionMatch m = summary.match(ALine); m.hasMatch()) {
            // The summary's numbers replace what the project's lines told.
            FSummedDownloaded += Number(m, 1);
            FSummedFailed += Number(m, 2);
            FLiveDownloaded = FLiveFailed = 0;
            FProjectDone = true;
        }
    } else if (ALine == QLatin1String("Completed.") || ALine == QLatin1String("Terminated.")) {
        Outcome = ALine;
    }
    Downloaded = FSummedDownloaded + FLiveDownloaded;
    Failed = FSummedFailed + FLiveFailed;
}

int TRunCounts::Percent() const {
    if (ProjectCount <= 0)
        return 0;
    const double project = FProjectDone   ? 1.0
                           : URLCount > 0 ? double(qMax(0, URLIndex - 1)) / URLCount
                                          : 0.0;
    const double done = (qMax(0, ProjectIndex - 1) + project) / ProjectCount;
    return qBound(0, int(done * 100), 100);
}

bool TRunCounts::MostlyUnknown() const {
    if (ProjectIndex > 1 || FProjectDone)
        return false;
    const int done = qMax(0, URLIndex - 1);
    return URLCount <= 0 || done < URLCount - done;
}

TRunProgress::TRunProgress(QWidget* AWindow, int AIndex)
    : QObject(AWindow), FWindow(AWindow), FPanel(new QWidget(AWindow)),
      FBar(new QProgressBar(FPanel)), FStatus(new QLabel(FPanel)) {
    FPanel->setObjectName(QStringLiteral("RunProgressPanel"));
    FBar->setObjectName(QStringLiteral("RunProgressBar"));
    FBar->setRange(0, 100);
    FStatus->setObjectName(QStringLiteral("RunStatusLabel"));
    FStatus->setTextFormat(Qt::PlainText);
    // A long URL must not widen the window.
    FStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(FPanel);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->addWidget(FBar);
    layout->addWidget(FStatus);
    if (auto* box = qobject_cast<QBoxLayout*>(AWindow->layout()))
        box->insertWidget(AIndex, FPanel);
    FPanel->hide();
    FShowTimer.setSingleShot(true);
    FShowTimer.setInterval(100);
    connect(&FShowTimer, &QTimer::timeout, this, &TRunProgress::Show);
}

TRunProgress::~TRunProgress() = default;

void TRunProgress::Start(int AProjectCount) {
    FCounts = TRunCounts();
    FCounts.ProjectCount = AProjectCount;
    FShownPercent = FShownProject = FShownURLCount = 0;
    FShowsPercent = false;
    FError.clear();
    if (!FRunning)
        FCaption = FWindow->windowTitle();
    FRunning = true;
    FBar->show();
    FPanel->show();
    Show();
}

void TRunProgress::Add(const QString& ALine) {
    if (!FRunning)
        return;
    FCounts.Add(ALine);
    if (!FShowTimer.isActive())
        FShowTimer.start();
}

void TRunProgress::Show() {
    FShowTimer.stop();
    const TRunCounts& c = FCounts;
    const int percent = SteadyPercent();
    // Once a percentage is shown the bar stays one: switching back would jump too.
    const bool busy = !FShowsPercent && c.MostlyUnknown();
    FShowsPercent = !busy;
    // A busy bar while a percentage would mislead; the status line has the counts.
    FBar->setRange(0, busy ? 0 : 100);
    FBar->setValue(percent);
    FBar->setFormat(c.URLCount > 0
                        ? TTexts::tr("%p% (%1 of %2 URLs known)").arg(c.URLIndex).arg(c.URLCount)
                        : QStringLiteral("%p%"));
    QString text = TTexts::tr("Project %1 of %2").arg(c.ProjectIndex).arg(c.ProjectCount);
    if (!c.ProjectName.isEmpty())
        text += QStringLiteral(": ") + c.ProjectName;
    if (c.URLCount > 0)
        text += TTexts::tr("   URL %1 of %2: %3").arg(c.URLIndex).arg(c.URLCount).arg(c.URL);
    text += TTexts::tr("   Downloaded: %1, failed: %2").arg(c.Downloaded).arg(c.Failed);
    FStatus->setText(text);
    FWindow->setWindowTitle(
        busy ? TTexts::tr("%1 - URL %2 of %3").arg(FCaption).arg(c.URLIndex).arg(c.URLCount)
             : QStringLiteral("%1 - %2%").arg(FCaption).arg(percent));
}

int TRunProgress::SteadyPercent() {
    const TRunCounts& c = FCounts;
    int allowedDrop = 0;
    if (c.ProjectIndex == FShownProject && c.URLCount > FShownURLCount && c.ProjectCount > 0)
        allowedDrop =
            int(std::ceil(100.0 * (c.URLCount - FShownURLCount) / c.URLCount / c.ProjectCount));
    const int percent = qBound(0, qMax(c.Percent(), FShownPercent - allowedDrop), 100);
    FShownPercent = percent;
    FShownProject = c.ProjectIndex;
    FShownURLCount = c.URLCount;
    return percent;
}

QString TRunProgress::EndText() const {
    const TRunCounts& c = FCounts;
    if (c.Outcome == QLatin1String("Completed.") && c.Failed > 0)
        return TTexts::tr("Completed with %1 failed. Downloaded: %2.")
            .arg(c.Failed)
            .arg(c.Downloaded);
    // Whole sentences, so that a translation can word each in its own way.
    const char* const format =
        c.Outcome == QLatin1String("Completed.")
            ? QT_TRANSLATE_NOOP("tarrow::TTarrowMainForm",
                                "The run completed. Downloaded: %1, failed: %2.")
        : c.Outcome == QLatin1String("Terminated.")
            ? QT_TRANSLATE_NOOP("tarrow::TTarrowMainForm",
                                "The run was broken off. Downloaded: %1, failed: %2.")
            : QT_TRANSLATE_NOOP("tarrow::TTarrowMainForm",
                                "The run ended early. Downloaded: %1, failed: %2.");
    QString text = TTexts::tr(format).arg(c.Downloaded).arg(c.Failed);
    if (!FError.isEmpty())
        text += u' ' + FError;
    return text;
}

bool TRunProgress::EndedCleanly() const {
    return FCounts.Outcome == QLatin1String("Completed.") && FCounts.Failed == 0 &&
           FError.isEmpty();
}

void TRunProgress::Finish(const QString& AError) {
    if (!FRunning)
        return;
    FRunning = false;
    FError = AError;
    FShowTimer.stop();
    FWindow->setWindowTitle(FCaption);
    FBar->hide();
    // What went wrong stays in view; a clean run leaves nothing behind.
    if (EndedCleanly())
        FPanel->hide();
    else
        FStatus->setText(EndText());
    if (!FWindow->isActiveWindow())
        Notify(FCaption, EndText());
}

QString TRunProgress::NotificationText() const {
    return TTexts::tr("%1 downloaded, %2 failed").arg(FCounts.Downloaded).arg(FCounts.Failed);
}

void TRunProgress::Notify(const QString& ATitle, const QString& AText) {
    if (FNotify) {
        FNotify(ATitle, AText);
        return;
    }
    // The desktop's notification service leaves nothing behind; the tray balloon needs an icon
    // in the tray, so it is only the fallback.
    if (SendDesktopNotification(QStringLiteral("Tarrow"), NotificationText()))
        return;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (!FTrayIcon) {
        FTrayIcon = new QSystemTrayIcon(QApplication::windowIcon(), this);
        FTrayIcon->setToolTip(ATitle);
    }
    FTrayIcon->show();
    FTrayIcon->showMessage(ATitle, AText, QSystemTrayIcon::Information, BalloonMs);
    // The icon is there for the balloon only: it goes with it.
    QTimer::singleShot(BalloonMs, FTrayIcon, &QSystemTrayIcon::hide);
}

} // namespace tarrow
