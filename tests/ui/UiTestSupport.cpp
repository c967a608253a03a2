#include "tests/ui/UiTestSupport.h"

#include "ui/ProjectsListModel.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace tarrow::test {

void WhenModal(QWidget* ADialog, std::function<void()> AStep) {
    auto deadline = std::make_shared<QDeadlineTimer>(5000);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [ADialog, AStep, deadline, poll] {
        if (ADialog->isVisible() && QApplication::activeModalWidget() == ADialog) {
            AStep();
            *poll = nullptr; // breaks the cycle
            return;
        }
        if (deadline->hasExpired()) {
            ADD_FAILURE() << "dialog never became modal: " << ADialog->objectName().toStdString();
            *poll = nullptr;
            return;
        }
        QTimer::singleShot(5, ADialog, *poll);
    };
    QTimer::singleShot(0, ADialog, *poll);
    // Whatever happens in the step, the dialog does not stay open for ever.
    QTimer::singleShot(8000, ADialog, [ADialog] {
        if (auto* dialog = qobject_cast<QDialog*>(ADialog); dialog && dialog->isVisible()) {
            ADD_FAILURE() << "dialog left open: " << ADialog->objectName().toStdString();
            dialog->reject();
        }
    });
}

bool WaitFor(const std::function<bool()>& APredicate, int ATimeoutMs) {
    if (APredicate())
        return true;
    // A real event loop, so posted events are served as soon as they come.
    const QDeadlineTimer deadline(ATimeoutMs);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (APredicate() || deadline.hasExpired())
            loop.quit();
    });
    poll.start(2);
    loop.exec();
    return APredicate();
}

void UiTest::SetUp() {
    ASSERT_TRUE(FDir.isValid());
    // The window's own state file goes to the test's folder too.
    qputenv("XDG_STATE_HOME", FDir.path().toLocal8Bit());
    SetMessageHandler([this](const TMessage& AMessage) -> int {
        FMessages.append(AMessage.Title + u'|' + AMessage.Text);
        // Retry is never the answer nobody gave: a failing save would ask for ever.
        if (AMessage.Kind == TMessageKind::mkRetry && FAnswers.empty())
            return false;
        if ((AMessage.Kind != TMessageKind::mkConfirm && AMessage.Kind != TMessageKind::mkRetry) ||
            FAnswers.empty())
            return true;
        const int answer = FAnswers.front();
        FAnswers.pop_front();
        return answer;
    });
    TShellHooks hooks;
    hooks.OpenFolder = [this](const QString& AFolder) { FOpenedFolders.append(AFolder); };
    hooks.OpenWebPage = [this](const QUrl& AURL) { FOpenedPages.append(AURL); };
    hooks.ChooseFolder = [this](QWidget*, const QString& AStart, const QString& ATitle) {
        FChooserStarts.append(AStart);
        FChooserTitles.append(ATitle);
        return FChosenFolder;
    };
    SetShellHooks(std::move(hooks));
    FRunOptions.RetryPauseMs = 1;
    FRunOptions.RedirectPauseMs = 1;
    FRunOptions.ConnectTimeoutMs = 5000;
    FRunOptions.ReadTimeoutMs = 5000;
}

void UiTest::TearDown() {
    FModelTester.reset();
    FWindow.reset();
    SetMessageHandler(nullptr);
    SetShellHooks({});
}

void UiTest::WriteSettings(const QStringList& ALines) const {
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((ALines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
}

TTarrowMainForm& UiTest::MakeWindow(const QStringList& AArguments) {
    TMainFormOptions options;
    options.Arguments = AArguments;
    options.SettingsFile = SettingsPath();
    return MakeWindow(std::move(options));
}

TTarrowMainForm& UiTest::MakeWindow(TMainFormOptions AOptions) {
    TMainFormOptions options = std::move(AOptions);
    options.RunOptions = FRunOptions;
    FWindow = std::make_unique<TTarrowMainForm>(std::move(options));
    FModelTester = std::make_unique<QAbstractItemModelTester>(
        &FWindow->ProjectsModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    FWindow->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
    return *FWindow;
}

} // namespace tarrow::test
