// One window per settings file: a later instance finds the first whatever the path's spelling,
// hands a raise request over, opens read-only without ever writing, and takes over what a crashed
// instance left behind.
#include "tests/ui/UiTestSupport.h"

#include "ui/ProjectsListView.h"
#include "ui/SingleInstanceUnit.h"
#include "ui/WindowStateUnit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocalServer>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
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

// Nothing a read-only window changes could be saved: adding, copying, editing and deleting are off,
// by every way in. It opens offset from where the first window stands.
TEST_F(SingleInstance, AReadOnlyWindowChangesNoProjectsAndOpensOffset) {
    WriteSettings({u"TarrowProjectsN=1"_s, u"TarrowProjects[1].ProjectName=Blog"_s,
                   u"TarrowProjects[1].WebsiteURL=http://127.0.0.1:9/blog/"_s,
                   u"TarrowProjects[1].Visible=1"_s});
    {
        // Where the first window was left, small enough for the test screen.
        TTarrowMainForm& earlier = MakeWindow();
        earlier.resize(400, 300);
        earlier.move(10, 10);
        SaveWindowState(&earlier, earlier.Controls().ProjectsListView->header());
    }
    const QPoint first = MakeWindow().pos();
    TMainFormOptions options;
    options.SettingsFile = SettingsPath();
    options.ReadOnly = true;
    TTarrowMainForm& window = MakeWindow(std::move(options));
    EXPECT_EQ(window.pos(), first + QPoint(ReadOnlyWindowOffset, ReadOnlyWindowOffset))
        << window.width() << "x" << window.height();

    const TTarrowMainControls& c = window.Controls();
    c.ProjectsListView->SelectRow(0);
    for (const QAction* action :
         {c.AddProjectAction, c.CopyProjectAction, c.EditProjectAction, c.DeleteProjectAction}) {
        SCOPED_TRACE(action->objectName().toStdString());
        EXPECT_FALSE(action->isEnabled());
    }
    EXPECT_FALSE(c.AddProjectButton->isEnabled());
    EXPECT_TRUE(c.OpenOutputFolderAction->isEnabled());
    c.ProjectsListView->setFocus();
    QTest::keyClick(c.ProjectsListView, Qt::Key_Delete);
    EXPECT_EQ(window.Projects().Count(), 1);
    EXPECT_TRUE(FMessages.isEmpty());
}

// Without XDG_RUNTIME_DIR the socket lives in a folder of the user's own under TMPDIR.
class PrivateFolder : public SingleInstance {
protected:
    void SetUp() override {
        SingleInstance::SetUp();
        FRuntime = qgetenv("XDG_RUNTIME_DIR");
        FTmp = qgetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(QDir(FDir.path()).mkdir(u"tmp"_s));
        qputenv("TMPDIR", QFile::encodeName(TempPath("tmp")));
    }
    void TearDown() override {
        for (const auto& [name, value] : {std::pair{"XDG_RUNTIME_DIR", FRuntime}, {"TMPDIR", FTmp}})
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
        SingleInstance::TearDown();
    }
    QString Folder() const { return TempPath("tmp") + u"/tarrow-"_s + QString::number(getuid()); }
    static struct stat Stat(const QString& APath) {
        struct stat info = {};
        EXPECT_EQ(lstat(QFile::encodeName(APath).constData(), &info), 0);
        return info;
    }
    QByteArray FRuntime;
    QByteArray FTmp;
};

TEST_F(PrivateFolder, TheSocketLivesInAFolderOnlyTheUserMayEnter) {
    const QByteArray folder = QFile::encodeName(Folder());
    const struct {
        const char* Name;
        std::function<void()> Prepare;
    } rows[] = {
        {"missing", [] {}},
        {"open to all", [&] { ASSERT_EQ(mkdir(folder.constData(), 0777), 0); }},
        {"a link elsewhere",
         [&] { ASSERT_TRUE(QFile::link(TempPath("tmp/elsewhere"), Folder())); }},
        {"a file",
         [&] {
             QFile file(Folder());
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         }},
    };
    ASSERT_TRUE(QDir(TempPath("tmp")).mkdir(u"elsewhere"_s));
    chmod(QFile::encodeName(TempPath("tmp/elsewhere")).constData(), 0777);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        row.Prepare();
        chmod(folder.constData(), 0777); // umask aside: what the row made is open
        const QString name = InstanceServerName(SettingsPath());
        EXPECT_EQ(QFileInfo(name).path(), Folder());
        const struct stat info = Stat(Folder());
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        EXPECT_EQ(info.st_uid, getuid());
        TSingleInstance first(SettingsPath());
        EXPECT_TRUE(first.Claim());
        EXPECT_TRUE(QFileInfo::exists(name));
        EXPECT_EQ(Stat(TempPath("tmp/elsewhere")).st_mode & 07777, 0777u); // never followed
        ASSERT_TRUE(QDir(Folder()).removeRecursively());
    }
}

// Another user's folder is refused: the window goes on alone. Another user's socket counts as no
// window: taken over, and it never hears a raise request. (Making things another user's needs
// root.)
TEST_F(PrivateFolder, AnotherUsersFolderOrSocketIsNoOtherWindow) {
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    const uid_t stranger = 65534;
    ASSERT_EQ(mkdir(QFile::encodeName(Folder()).constData(), 0700), 0);
    ASSERT_EQ(chown(QFile::encodeName(Folder()).constData(), stranger, stranger), 0);
    EXPECT_EQ(InstanceServerName(SettingsPath()), QString());
    {
        TSingleInstance alone(SettingsPath());
        EXPECT_TRUE(alone.Claim());
        EXPECT_TRUE(alone.IsFirst());
        EXPECT_FALSE(alone.RequestRaise());
    }
    ASSERT_TRUE(QDir(Folder()).removeRecursively());

    // A process of the stranger listens on the name.
    const QString name = InstanceServerName(SettingsPath());
    const QByteArray path = QFile::encodeName(name);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const bool ok = fd >= 0 &&
                        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                        setgid(stranger) == 0 && setuid(stranger) == 0 && listen(fd, 4) == 0;
        const char byte = ok ? 1 : 0;
        [[maybe_unused]] const ssize_t written = write(ready[1], &byte, 1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    ASSERT_EQ(byte, 1);
    {
        TSingleInstance later(SettingsPath());
        EXPECT_FALSE(later.RequestRaise()); // never sent to the stranger
        EXPECT_TRUE(later.Claim());
        EXPECT_TRUE(later.IsFirst());
        TSingleInstance second(SettingsPath());
        EXPECT_FALSE(second.Claim()); // our own first window is found as always
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

} // namespace
