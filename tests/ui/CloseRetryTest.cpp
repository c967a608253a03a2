// A settings file that cannot be written when the window closes: Retry tries again, Cancel keeps
// the window open with everything in it.
#include "tests/ui/UiTestSupport.h"

#include "ui/ProjectsListModel.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>

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

} // namespace
