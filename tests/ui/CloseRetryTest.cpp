// A settings file that cannot be written when the window closes: Retry tries again, Cancel keeps
// the window open with everything in it, Close Without Saving closes; a signal closes after one
// more attempt, told on stderr.
#include "tests/ui/UiTestSupport.h"

#include "ui/ProjectsListModel.h"
#include "ui/SignalCloseUnit.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstring>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

class CloseRetry : public UiTest {
protected:
    // A window whose settings are saved under a regular file: no write can succeed, even as root.
    TTarrowMainForm& OpenBlocked() {
        WriteSettings({u"TarrowProjectsN=1"_s, u"TarrowProjects[1].ProjectName=Blog"_s,
                       u"TarrowProjects[1].WebsiteURL=http://127.0.0.1:9/blog/"_s,
                       u"TarrowProjects[1].Visible=1"_s, u"OutDir=/srv/old"_s});
        QFile blocker(TempPath("blocker"));
        EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
        TMainFormOptions options;
        options.SettingsFile = SettingsPath();
        options.SettingsSaveFile = SavePath();
        TTarrowMainForm& window = MakeWindow(std::move(options));
        window.Controls().OutDirEdit->setText(u"/srv/typed"_s);
        return window;
    }
    QString SavePath() const { return TempPath("blocker") + u"/tarrow.ini"_s; }
};

TEST_F(CloseRetry, CancelKeepsTheWindowOpenWithNothingLost) {
    TTarrowMainForm& window = OpenBlocked();
    FAnswers = {true, false}; // Retry (fails again), then Cancel
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(FMessages.size(), 2);
    for (const QString& message : FMessages)
        EXPECT_TRUE(message.startsWith(u"Tarrow|Cannot create file \""_s)) << message.toStdString();
    EXPECT_EQ(window.Controls().OutDirEdit->text(), u"/srv/typed"_s);
    EXPECT_EQ(window.ProjectsModel().rowCount(), 1);

    // Closing stays possible and asks again.
    FAnswers = {false};
    EXPECT_FALSE(window.close());
    EXPECT_EQ(FMessages.size(), 3);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(CloseRetry, RetrySavesOnceTheFileCanBeWritten) {
    TTarrowMainForm& window = OpenBlocked();
    int asked = 0;
    SetMessageHandler([&](const TMessage& AMessage) {
        EXPECT_EQ(AMessage.Kind, TMessageKind::mkRetry);
        ++asked;
        // The user makes room, then chooses Retry.
        QFile::remove(TempPath("blocker"));
        QDir().mkdir(TempPath("blocker"));
        return true;
    });
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(asked, 1);
    QFile saved(SavePath());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    EXPECT_TRUE(text.contains(u"OutDir=/srv/typed"_s));
    EXPECT_TRUE(text.contains(u"ProjectName=Blog"_s));
}

TEST_F(CloseRetry, CloseWithoutSavingClosesAndTheQuestionNamesTheReason) {
    TTarrowMainForm& window = OpenBlocked();
    QStringList asked;
    SetMessageHandler([&](const TMessage& AMessage) -> int {
        EXPECT_EQ(AMessage.Kind, TMessageKind::mkRetry);
        EXPECT_TRUE(AMessage.OffersClose);
        asked << AMessage.Text;
        return CloseWithoutSavingAnswer;
    });
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(asked.size(), 1);
    // The file's name, then the system's own words for what went wrong.
    const QString prefix = u"Cannot create file \""_s + SavePath() + u"\". "_s;
    EXPECT_EQ(asked[0], prefix + QString::fromLocal8Bit(strerror(ENOTDIR)));
    EXPECT_FALSE(QFile::exists(SavePath()));
}

// Nobody may be there to answer when a signal closes the window: one attempt, a line on stderr,
// closed. Both when the signal comes first and when the question is already open.
TEST_F(CloseRetry, ASignalClosesAfterOneAttemptAndSaysSoOnStderr) {
    for (const bool questionOpen : {false, true}) {
        SCOPED_TRACE(questionOpen);
        FMessages.clear();
        TTarrowMainForm& window = OpenBlocked();
        bool signalled = false;
        const TSignalClose closer(&window, [&] {
            signalled = true;
            window.CloseBySignal();
        });
        testing::internal::CaptureStderr();
        if (questionOpen) {
            SetMessageHandler([&](const TMessage& AMessage) -> int {
                FMessages << AMessage.Text;
                EXPECT_EQ(raise(SIGTERM), 0);
                EXPECT_TRUE(WaitFor([&] { return signalled; }));
                return 0; // the question is gone unanswered
            });
            EXPECT_TRUE(window.close()); // the one more attempt fails: closed without saving
        } else {
            ASSERT_EQ(raise(SIGTERM), 0);
        }
        EXPECT_TRUE(WaitFor([&] { return !window.isVisible(); }));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(FMessages.size(), questionOpen ? 1 : 0);
        EXPECT_NE(err.find("tarrow: closing without saving the settings: Cannot create file \""),
                  std::string::npos)
            << err;
        EXPECT_FALSE(QFile::exists(SavePath()));
    }
}

// The real question: its three buttons, and a signal while it is open closes it and the window.
TEST_F(CloseRetry, TheQuestionBoxOffersThreeWaysAndASignalEndsIt) {
    TTarrowMainForm& window = OpenBlocked();
    const TSignalClose closer(&window, [&] { window.CloseBySignal(); });
    SetMessageHandler(nullptr);
    QStringList buttons;
    int polls = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (++polls > 2000)
                poll.stop();
            return;
        }
        poll.stop();
        for (QAbstractButton* button : box->buttons())
            buttons << button->text().remove(u'&');
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Retry));
        EXPECT_EQ(raise(SIGTERM), 0);
    });
    poll.start(5);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(window.close());
    const std::string err = testing::internal::GetCapturedStderr();
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{u"Cancel"_s, u"Close Without Saving"_s, u"Retry"_s}));
    EXPECT_NE(err.find("tarrow: closing without saving the settings: "), std::string::npos) << err;
    EXPECT_FALSE(window.isVisible());
}

} // namespace
