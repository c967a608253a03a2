// A full disk, an unwritable output folder, strangers where files and folders must go, and an
// older file that cannot be read for the comparison: each fails (or rewrites) that one entry with
// a clear line, leaves no temporary file behind and never touches what lies outside.
#include "tests/faults/FaultFixture.h"

#include "base/uExceptions.h"
#include "project/SettingsUnit.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

using namespace tarrow;
using namespace tarrow::test;

namespace {

using DiskFaults = FaultTest;

const QByteArray BigFile(2 << 20, 'B');

// The page links big.png, which does not fit, and small.png, which does.
void ServeBigAndSmall(TFaultSite& ASite) {
    ASite.Html("/blog/", "<img src=\"big.png\"><img src=\"small.png\">");
    ASite.Page("/blog/big.png", OkReply(BigFile, "image/png"));
    ASite.Page("/blog/small.png", OkReply("small", "image/png"));
}

QString CannotCreate(const QString& APath) {
    return QStringLiteral("Cannot create file \"") + APath + QStringLiteral("\". ");
}

TEST_F(DiskFaults, FileSizeLimitFailsTheFileThatDoesNotFit) {
    ServeBigAndSmall(FSite);
    Plant(QStringLiteral("big.png"), "an older big.png");
    QStringList log;
    {
        const TFileSizeLimit limit(1 << 20);
        ASSERT_TRUE(limit.Active());
        log = Run(*NewProject());
    }
    ExpectOutcome(log, Summary(2, 0, 0, 0, 1),
                  CannotCreate(Out(QStringLiteral("big.png"))) + QStringLiteral("File too large"));
    const qsizetype saving =
        log.indexOf(QStringLiteral("Saving: ") + Out(QStringLiteral("big.png")));
    ASSERT_GE(saving, 0);
    EXPECT_TRUE(log.at(saving + 1).startsWith(CannotCreate(Out(QStringLiteral("big.png")))));
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("big.png"), QStringLiteral("index.html"),
                                    QStringLiteral("small.png")}));
    EXPECT_EQ(Saved(QStringLiteral("small.png")), "small");
}

TEST_F(DiskFaults, FullTmpfsFailsTheFileThatDoesNotFit) {
    const TSmallDisk disk(Out(), 256 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << disk.Error().toStdString();
    ServeBigAndSmall(FSite);
    Plant(QStringLiteral("big.png"), "an older big.png");
    const QStringList log = Run(*NewProject());
    ExpectOutcome(log, Summary(2, 0, 0, 0, 1),
                  CannotCreate(Out(QStringLiteral("big.png"))) +
                      QStringLiteral("No space left on device"));
    // The half-written temporary file was removed, so the small file after it still fits.
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("big.png"), QStringLiteral("index.html"),
                                    QStringLiteral("small.png")}));
    EXPECT_EQ(Saved(QStringLiteral("small.png")), "small");
}

// The journal stops fitting while the pages still do: one line says so, the run ends as it would
// without a journal, and the cut journal is not continued.
TEST_F(DiskFaults, AJournalThatNoLongerFitsLeavesTheRunAsItWas) {
    QByteArray links;
    for (int i = 1; i <= 6; ++i) {
        const QByteArray page = "p" + QByteArray::number(i) + ".html";
        links += "<a href=\"" + page + "\">p</a>";
        FSite.Html("/blog/" + page, "page " + page);
    }
    FSite.Html("/blog/", links);
    auto project = NewProject();
    project->SetJournal(true);
    QStringList log;
    {
        const TFileSizeLimit limit(600); // every page fits, the journal soon does not
        ASSERT_TRUE(limit.Active());
        log = Run(*project);
    }
    ExpectOutcome(log, Summary(7, 0, 0, 0, 0),
                  QStringLiteral("Journal cannot be written, the run goes on without it: "));
    EXPECT_EQ(CountStartingWith(log, QStringLiteral("Journal cannot be written")), 1);
    EXPECT_EQ(Saved(QStringLiteral("p6.html/index.html")), "page p6.html");

    FOptions.ContinueRun = true;
    const QStringList again = Run(*project);
    EXPECT_EQ(
        CountStartingWith(again, QStringLiteral("Journal damaged (cut short), starting over: ")),
        1);
    ExpectOutcome(again, Summary(7, 0, 0, 0, 0), QStringLiteral("Downloading [ 1 / 1 ]: "));
}

TEST_F(DiskFaults, UnwritableOutputFolder) {
    FSite.Html("/blog/", "<img src=\"a.png\"><img src=\"sub/b.png\">");
    FSite.Default(OkReply("picture", "image/png"));
    Plant(QStringLiteral("index.html"), "the page of an earlier run");
    Plant(QStringLiteral("a.png"), "an older a.png");
    const TFilePermissionsScope permissions;
    if (!permissions.Enforced())
        GTEST_SKIP() << "file permissions cannot be made to count for this process";
    ASSERT_EQ(chmod(QFile::encodeName(Out()).constData(), 0555), 0);
    const QStringList log = Run(*NewProject());
    ExpectOutcome(log, Summary(0, 0, 0, 0, 3),
                  CannotCreate(Out(QStringLiteral("index.html"))) +
                      QStringLiteral("Permission denied"));
    EXPECT_TRUE(
        log.contains(QStringLiteral("Unable to create directory ") + Out(QStringLiteral("sub"))));
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("a.png"), QStringLiteral("index.html")}));
}

TEST_F(DiskFaults, StrangersWhereFoldersAndFilesMustGo) {
    FSite.Html("/blog/", "<img src=\"sub/b.png\"><img src=\"a.png\"><img src=\"c.png\">");
    FSite.Default(OkReply("picture", "image/png"));
    Plant(QStringLiteral("sub"), "a file named like the folder");
    Plant(QStringLiteral("a.png/keep.txt"), "a folder named like the file");
    const QStringList log = Run(*NewProject());
    ExpectOutcome(log, Summary(2, 0, 0, 0, 2),
                  QStringLiteral("Unable to create directory ") + Out(QStringLiteral("sub")));
    EXPECT_GE(CountStartingWith(log, CannotCreate(Out(QStringLiteral("a.png")))), 1);
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("a.png/keep.txt"), QStringLiteral("c.png"),
                                    QStringLiteral("index.html"), QStringLiteral("sub")}));
}

TEST_F(DiskFaults, UnderOverwriteNoneAFolderWhereTheFileGoesIsAFailedSave) {
    FSite.Html("/blog/", "<img src=\"a.png\">");
    FSite.Default(OkReply("picture", "image/png"));
    Plant(QStringLiteral("index.html"), "the page of an earlier run");
    Plant(QStringLiteral("a.png/keep.txt"), "a folder named like the file");
    auto project = NewProject();
    project->SetOverwrite(ofNone);
    const QStringList log = Run(*project);
    ExpectOutcome(log, Summary(0, 1, 0, 0, 1), CannotCreate(Out(QStringLiteral("a.png"))));
    EXPECT_EQ(CountStartingWith(log, QStringLiteral("File already exists: ")), 1);
    EXPECT_TRUE(JoinLog(log).contains(QStringLiteral("Is a directory")))
        << JoinLog(log).toStdString();
}

TEST_F(DiskFaults, NoWriteGoesThroughASymbolicLinkInsideTheOutputFolder) {
    FSite.Html("/blog/", "<img src=\"link/x.png\"><img src=\"link/deep/y.png\">"
                         "<img src=\"f.png\">");
    FSite.Default(OkReply("picture", "image/png"));
    const QString elsewhere = FRoot.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    QFile target(elsewhere + QStringLiteral("/f.png"));
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.write("not the crawl's");
    target.close();
    ASSERT_TRUE(QFile::link(elsewhere, Out(QStringLiteral("link"))));
    ASSERT_TRUE(QFile::link(target.fileName(), Out(QStringLiteral("f.png"))));
    const QStringList log = Run(*NewProject());
    // The folder link fails its entries; the link in the file's place is replaced, not followed.
    ExpectOutcome(log, Summary(2, 0, 0, 0, 2),
                  QStringLiteral("Invalid directory ") + Out(QStringLiteral("link")));
    EXPECT_EQ(CountStartingWith(log, QStringLiteral("Invalid directory ")), 2);
    EXPECT_FALSE(QFileInfo(Out(QStringLiteral("f.png"))).isSymLink());
    EXPECT_EQ(Saved(QStringLiteral("f.png")), "picture");
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("f.png")});
}

TEST_F(DiskFaults, UnreadableOlderFileUnderOverwriteChangedIsWrittenAgain) {
    const QByteArray page = "<p>same as before</p>";
    FSite.Html("/blog/", page);
    Plant(QStringLiteral("index.html"), page);
    const TFilePermissionsScope permissions;
    if (!permissions.Enforced())
        GTEST_SKIP() << "file permissions cannot be made to count for this process";
    ASSERT_EQ(chmod(QFile::encodeName(Out(QStringLiteral("index.html"))).constData(), 0), 0);
    auto project = NewProject();
    project->SetOverwrite(ofChanged);
    const QStringList log = Run(*project);
    // It cannot be compared, so it counts as changed: the reason, then the usual save.
    const QString reason = QStringLiteral("Cannot open file \"") +
                           Out(QStringLiteral("index.html")) +
                           QStringLiteral("\". Permission denied");
    ExpectOutcome(log, Summary(1, 0, 0, 0, 0), reason, {QStringLiteral("index.html")});
    const qsizetype line =
        log.indexOf(QStringLiteral("Saving: ") + Out(QStringLiteral("index.html")));
    ASSERT_GE(line, 1);
    EXPECT_TRUE(log.at(line - 1).startsWith(reason));
    EXPECT_EQ(Saved(QStringLiteral("index.html")), page);
}

TEST_F(DiskFaults, APipeWhereAFileStandsNeverHangsTheRun) {
    FSite.Html("/blog/", "<img src=\"pipe.png\">");
    FSite.Page("/blog/pipe.png", OkReply("picture", "image/png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(Out(QStringLiteral("pipe.png"))).constData(), 0600), 0);
    auto project = NewProject();
    project->SetOverwrite(ofChanged);
    const QStringList log = Run(*project);
    ExpectOutcome(log, Summary(2, 0, 0, 0, 0),
                  QStringLiteral("Cannot open file \"") + Out(QStringLiteral("pipe.png")) +
                      QStringLiteral("\". Invalid argument"));
    EXPECT_EQ(Saved(QStringLiteral("pipe.png")), "picture");
}

// The settings file on a full disk: the save fails with a clear error and the file of the last
// good save stays, also when an unreadable file was to be kept as ".bak" first.
class SettingsOnAFullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FRoot.isValid());
        FFolder = FRoot.filePath(QStringLiteral("settings"));
        ASSERT_TRUE(QDir().mkpath(FFolder));
        FPath = FFolder + QStringLiteral("/tarrow.ini");
    }
    // A model whose file takes far more than a few KiB.
    static void AddProjects(TSettingsModel& AModel, int ACount) {
        for (int i = 0; i < ACount; ++i) {
            auto project = std::make_unique<TWebsiteProject>();
            project->SetProjectName(QStringLiteral("Project %1").arg(i));
            project->SetWebsiteURL(QStringLiteral("http://site%1.example/blog/").arg(i));
            AModel.Projects.AddProject(std::move(project));
        }
    }
    void ExpectSaveFails(TSettingsModel& AModel, const QString& AReason) {
        try {
            SaveSettings(AModel, FPath);
            ADD_FAILURE() << "saved";
        } catch (const EFCreateError& E) {
            EXPECT_TRUE(E.Message().startsWith(QStringLiteral("Cannot create file \"") + FPath +
                                               QStringLiteral("\". ") + AReason))
                << E.Message().toStdString();
        }
    }
    QByteArray Read() const {
        QFile file(FPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList Entries() const {
        return QDir(FFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir FRoot;
    QString FFolder;
    QString FPath;
};

TEST_F(SettingsOnAFullDisk, FileSizeLimit) {
    TSettingsModel model;
    AddProjects(model, 1);
    SaveSettings(model, FPath);
    const QByteArray good = Read();
    AddProjects(model, 500);
    {
        const TFileSizeLimit limit(16 << 10);
        ASSERT_TRUE(limit.Active());
        ExpectSaveFails(model, QStringLiteral("File too large"));
        // A file that could not be read is kept as ".bak" before a save replaces it; when the
        // save then fails, it is put back.
        model.UnreadableFile = FPath;
        ExpectSaveFails(model, QStringLiteral("File too large"));
    }
    EXPECT_EQ(Read(), good);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("tarrow.ini")});
}

TEST_F(SettingsOnAFullDisk, FullTmpfs) {
    const TSmallDisk disk(FFolder, 64 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << disk.Error().toStdString();
    TSettingsModel model;
    AddProjects(model, 1);
    SaveSettings(model, FPath);
    const QByteArray good = Read();
    AddProjects(model, 2000);
    ExpectSaveFails(model, QStringLiteral("No space left on device"));
    EXPECT_EQ(Read(), good);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("tarrow.ini")});
}

} // namespace
