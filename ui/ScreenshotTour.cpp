#include "ui/ScreenshotTour.h"

#include "engine/LogSinksUnit.h"
#include "ui/EditProjectUnit.h"
#include "ui/ProjectsListView.h"
#include "ui/ReplaceRuleFormUnit.h"
#include "ui/TarrowMainUnit.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>

namespace tarrow {

namespace {

const int SettleMs = 400;
// The run is pictured when this many files have been saved: progress and counts under way.
const int SavedBeforeProgressPicture = 3;

class TScreenshotTour final : public QObject {
public:
    // AEditorOnly: only the project editor, saved under that name (for a second screen size).
    TScreenshotTour(TTarrowMainForm& AWindow, QString AFolder, QString AEditorOnly)
        : QObject(&AWindow), FWindow(AWindow), FFolder(std::move(AFolder)),
          FEditorOnly(std::move(AEditorOnly)) {}

    void Start() {
        // Gives up when a step never comes (a run that does not end, for instance).
        QTimer::singleShot(120000, this, [] {
            std::fputs("screenshot tour: timed out\n", stderr);
            QCoreApplication::exit(1);
        });
        QTimer::singleShot(SettleMs * 2, this, [this] { MainWindow(); });
    }

private:
    // The whole screen with the window manager's frames when asked, else the widget alone.
    void Save(QWidget* AWidget, const QString& AName) {
        const QString path = QDir(FFolder).filePath(AName);
        const QPixmap picture = qEnvironmentVariableIsSet("TARROW_SCREENSHOT_WHOLE_SCREEN")
                                    ? AWidget->screen()->grabWindow(0)
                                    : AWidget->grab();
        if (!picture.save(path))
            std::fprintf(stderr, "screenshot tour: cannot write %s\n", qPrintable(path));
    }

    // Runs AStep once AWidget is on screen and painted.
    void WhenShown(QWidget* AWidget, std::function<void()> AStep) {
        if (!AWidget->isVisible()) {
            QTimer::singleShot(50, this, [=, this] { WhenShown(AWidget, AStep); });
            return;
        }
        QTimer::singleShot(SettleMs, this, AStep);
    }

    void MainWindow() {
        FWindow.Controls().ProjectsListView->SelectRow(0);
        QTimer::singleShot(SettleMs, this, [this] {
            if (FEditorOnly.isEmpty())
                Save(&FWindow, QStringLiteral("main-window.png"));
            TEditProjectForm& editor = FWindow.EditProjectForm();
            WhenShown(&editor, [this] { Editor(); });
            // The editor is modal: it opens after this step has returned.
            QTimer::singleShot(0, FWindow.Controls().EditProjectAction, &QAction::trigger);
        });
    }

    void Editor() {
        TEditProjectForm& editor = FWindow.EditProjectForm();
        if (!FEditorOnly.isEmpty()) {
            Save(&editor, FEditorOnly);
            editor.reject();
            FWindow.close();
            return;
        }
        Save(&editor, QStringLiteral("project-editor.png"));
        editor.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
        auto* rules = editor.findChild<QTreeWidget*>(QStringLiteral("ReplaceRulesListView"));
        if (rules->topLevelItemCount() == 0) {
            editor.reject();
            AfterEditor();
            return;
        }
        rules->setCurrentItem(rules->topLevelItem(0));
        TReplaceRuleForm& rule = editor.ReplaceRuleForm();
        WhenShown(&rule, [this] { ReplaceRule(); });
        QTimer::singleShot(0, &editor, [&editor] { editor.EditReplaceRuleButtonClick(); });
    }

    void ReplaceRule() {
        TReplaceRuleForm& rule = FWindow.EditProjectForm().ReplaceRuleForm();
        rule.findChild<QLineEdit*>(QStringLiteral("SubjectEdit"))
            ->setText(QStringLiteral("<p>Copyright 2024 Harbour Lights</p>"));
        rule.TestButtonClick();
        QTimer::singleShot(SettleMs, this, [this, &rule] {
            Save(&rule, QStringLiteral("replace-rule.png"));
            rule.reject();
            QTimer::singleShot(SettleMs, this, [this] {
                FWindow.EditProjectForm().reject();
                AfterEditor();
            });
        });
    }

    void AfterEditor() {
        QTabWidget* pages = FWindow.Controls().MainPageControl;
        pages->setCurrentWidget(FWindow.Controls().AboutTabSheet);
        QTimer::singleShot(SettleMs, this, [this, pages] {
            Save(&FWindow, QStringLiteral("about.png"));
            pages->setCurrentWidget(FWindow.Controls().WebsitesTabSheet);
            // After the window's own receiver: the line is in the log and the counts.
            connect(&FWindow.LogSink(), &THandOverLogSink::MsgLogged, this,
                    [this](const QString& ALine) { DuringRun(ALine); });
            connect(&FWindow, &TTarrowMainForm::RunCompleted, this, [this] {
                QTimer::singleShot(SettleMs, this, [this] {
                    Save(&FWindow, QStringLiteral("run-log.png"));
                    FWindow.close();
                });
            });
            FWindow.Controls().LoadWebsitesButton->click();
        });
    }

    // The worker waits while its line is handed over: the run stands still for the picture while
    // the window lays out and paints the progress shown so far.
    void DuringRun(const QString& ALine) {
        if (!ALine.startsWith(QLatin1String("Saving: ")) ||
            ++FSavedLines != SavedBeforeProgressPicture)
            return;
        QEventLoop settle;
        QTimer::singleShot(SettleMs, &settle, &QEventLoop::quit);
        settle.exec();
        Save(&FWindow, QStringLiteral("run-progress.png"));
    }

    TTarrowMainForm& FWindow;
    QString FFolder;
    QString FEditorOnly;
    int FSavedLines = 0;
};

} // namespace

void StartScreenshotTourIfAsked(TTarrowMainForm& AWindow) {
    const QString folder = qEnvironmentVariable("TARROW_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    (new TScreenshotTour(AWindow, folder, qEnvironmentVariable("TARROW_SCREENSHOT_EDITOR_ONLY")))
        ->Start();
}

} // namespace tarrow
