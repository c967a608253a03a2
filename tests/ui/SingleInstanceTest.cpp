// One window per settings file: a later instance finds the first whatever the path's spelling,
// hands a raise request over, opens read-only without ever writing, and takes over what a crashed
// instance left behind.
#include "tests/ui/UiTestSupport.h"

#include "ui/SingleInstanceUnit.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocalServer>
#include <QPushButton>
#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

class SingleInstance : public UiTest {
protected:
    QByteArray FileBytes() const {
        QFile file(SettingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(SingleInstance, EverySpellingOfTheFileMeetsTheFirstAndOtherFilesDoNot) {
    ASSERT_TRUE(QDir(FDir.path()).mkdir(u"sub"_s));
    ASSERT_TRUE(QFile::link(TempPath("sub"), TempPath("link")));
    QFile existing(TempPath("sub/tarrow.ini"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    const QString name = InstanceServerName(TempPath("sub/tarrow.ini"));
    EXPECT_TRUE(name.contains(u"tarrow-"_s + QString::number(getuid()) + u'-'))
        << name.toStdString();
    {
        TSingleInstance first(TempPath("sub/tarrow.ini"));
        ASSERT_TRUE(first.Claim());
        EXPECT_TRUE(first.IsFirst());
        const struct {
            const char* Path;
            bool First;
        } rows[] = {
            {"sub/tarrow.ini", false},  {"sub/../sub/./tarrow.ini", false},
            {"link/tarrow.ini", false}, {"sub/other.ini", true}, // does not exist yet
            {"tarrow.ini", true},
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.Path);
            TSingleInstance later(TempPath(row.Path));
            EXPECT_EQ(later.Claim(), row.First);
            EXPECT_EQ(later.IsFirst(), row.First);
        }
    }
    // The first one ended normally: the next one is first.
    TSingleInstance next(TempPath("link/tarrow.ini"));
    EXPECT_TRUE(next.Claim());
}

TEST_F(SingleInstance, TheAnswerDecidesHowTheSecondGoesOn) {
    const struct {
        const char* Name;
        TOpenChoice Choice;
        TOpenMode Mode;
        int Raises;
    } rows[] = {
        {"bring forward", TOpenChoice::ocBringForward, TOpenMode::omExit, 1},
        {"read-only", TOpenChoice::ocReadOnly, TOpenMode::omReadOnly, 0},
        {"cancel", TOpenChoice::ocCancel, TOpenMode::omExit, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TSingleInstance first(SettingsPath());
        ASSERT_TRUE(first.Claim());
        int raises = 0;
        QObject::connect(&first, &TSingleInstance::RaiseRequested, [&raises] { ++raises; });
        TSingleInstance second(SettingsPath());
        QStringList asked;
        const TOpenMode mode = ClaimSettingsFile(second, SettingsPath(), [&](const QString& AFile) {
            asked.append(AFile);
            return row.Choice;
        });
        EXPECT_EQ(mode, row.Mode);
        EXPECT_EQ(asked, QStringList{SettingsPath()});
        EXPECT_FALSE(second.IsFirst());
        WaitFor([&] { return raises == row.Raises; }, 2000);
        QTest::qWait(20); // a stray second request would have arrived by now
        EXPECT_EQ(raises, row.Raises);
    }
}

TEST_F(SingleInstance, TheHandOverBringsTheFirstWindowForward) {
    TTarrowMainForm& window = MakeWindow();
    TSingleInstance first(SettingsPath());
    ASSERT_TRUE(first.Claim());
    first.SetWindow(&window);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return other.isActiveWindow(); }));
    ASSERT_FALSE(window.isActiveWindow());

    TSingleInstance second(SettingsPath());
    EXPECT_EQ(ClaimSettingsFile(second, SettingsPath(),
                                [](const QString&) { return TOpenChoice::ocBringForward; }),
              TOpenMode::omExit);
    EXPECT_TRUE(WaitFor([&] { return window.isActiveWindow(); }));
}

TEST_F(SingleInstance, BringForwardTakesTheFileWhenTheFirstHasGoneMeanwhile) {
    auto first = std::make_unique<TSingleInstance>(SettingsPath());
    ASSERT_TRUE(first->Claim());
    TSingleInstance second(SettingsPath());
    const TOpenMode mode = ClaimSettingsFile(second, SettingsPath(), [&](const QString&) {
        first.reset(); // closed while the question was open
        return TOpenChoice::ocBringForward;
    });
    EXPECT_EQ(mode, TOpenMode::omEditable);
    EXPECT_TRUE(second.IsFirst());
}

// Binds a Unix socket at APath and closes it without removing the file, as a crash would.
void LeaveDeadSocket(const QString& APath) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(APath);
    ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    close(fd);
}

TEST_F(SingleInstance, WhatACrashedInstanceLeftDoesNotBlock) {
    const struct {
        const char* Name;
        bool Socket;
    } rows[] = {{"a socket nobody listens on", true}, {"a plain file", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString settings = TempPath(row.Name) + u".ini"_s;
        QString leftover;
        {
            // Where the server's socket lives (closing the server removes it again).
            QLocalServer probe;
            ASSERT_TRUE(probe.listen(InstanceServerName(settings)));
            leftover = probe.fullServerName();
        }
        ASSERT_FALSE(QFile::exists(leftover));
        if (row.Socket) {
            LeaveDeadSocket(leftover);
        } else {
            QFile file(leftover);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(QFile::exists(leftover));

        TSingleInstance first(settings);
        EXPECT_TRUE(first.Claim());
        EXPECT_TRUE(first.IsFirst());
        TSingleInstance second(settings);
        EXPECT_FALSE(second.Claim());
    }
}

TEST_F(SingleInstance, AReadOnlyWindowNeverWritesTheSettingsFile) {
    WriteSettings({u"TarrowProjectsN=1"_s, u"TarrowProjects[1].ProjectName=Blog"_s,
                   u"TarrowProjects[1].WebsiteURL=http://127.0.0.1:9/blog/"_s,
                   u"TarrowProjects[1].OutputFolder={OutDir}\\{ProjectName}"_s,
                   u"TarrowProjects[1].Checked=1"_s, u"TarrowProjects[1].Visible=1"_s,
                   u"OutDir="_s + TempPath("out")});
    const QByteArray before = FileBytes();
    TMainFormOptions options;
    options.SettingsFile = SettingsPath();
    options.ReadOnly = true;
    TTarrowMainForm& window = MakeWindow(std::move(options));
    const QString caption = u"Tarrow 1.21 [x64] - Read-Only"_s;
    EXPECT_EQ(window.windowTitle(), caption);

    window.Controls().OutDirEdit->setText(TempPath("elsewhere"));
    window.UnCheckAllProjectsActionExecute();
    window.CheckAllProjectsActionExecute();
    // "Load Websites" runs (on the window's projects) but does not save them first.
    window.Controls().LoadWebsitesButton->click();
    ASSERT_TRUE(WaitFor([&] { return !window.IsRunning(); }));
    EXPECT_EQ(window.windowTitle(), caption);
    EXPECT_EQ(FileBytes(), before);

    EXPECT_TRUE(window.close());
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(FMessages, QStringList());
}

} // namespace
