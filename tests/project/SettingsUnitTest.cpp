#include "project/SettingsUnit.h"
#include "base/uExceptions.h"
#include "project/uAppSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

QByteArray ReadAll(const QString& APath) {
    QFile f(APath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& APath, const QByteArray& AData) {
    QFile f(APath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(AData);
}

void AddProject(TSettingsModel& M, const char* AName, const char* AGroup) {
    auto p = std::make_unique<TWebsiteProject>();
    p->SetProjectName(QString::fromUtf8(AName));
    p->SetGroupName(QString::fromUtf8(AGroup));
    p->WebPages() << u"https://site/"_s + QString::fromUtf8(AName);
    p->WPExtractURLs().Add(1);
    M.Projects.AddProject(std::move(p));
}

// Keeps writes to files below a size for the life of the object, so a save fails part-way.
class TFileSizeLimit final {
public:
    explicit TFileSizeLimit(rlim_t ALimit) {
        getrlimit(RLIMIT_FSIZE, &FSaved);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FSaved;
        limit.rlim_cur = ALimit;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FSaved);
        std::signal(SIGXFSZ, FOldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FSaved{};
    void (*FOldHandler)(int) = nullptr;
};

class SettingsUnitTest : public ::testing::Test {
protected:
    QString Path() const { return Dir.filePath(u"tarrow.ini"_s); }
    QStringList Entries() const {
        return QDir(Dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    // Saves with writes to files limited to ALimit bytes; the error message, or "" when none.
    // Nothing is printed while the limit holds: the test's own output may be a file.
    QString SaveFailsUnderLimit(TSettingsModel& AModel, qsizetype ALimit) const {
        const TFileSizeLimit limit{rlim_t(ALimit)};
        try {
            SaveSettings(AModel, Path());
        } catch (const EFCreateError& e) {
            return e.Message();
        }
        return QString();
    }
    QTemporaryDir Dir;
};

} // namespace

TEST_F(SettingsUnitTest, MissingFileLoadsNothingAndTheNextSaveCreatesIt) {
    TSettingsModel model;
    LoadSettings(model, Path());
    EXPECT_EQ(model.Projects.Count(), 0);
    EXPECT_EQ(model.GroupItems, QStringList({u"<All projects>"_s}));
    EXPECT_EQ(model.GroupIndex, 0);
    EXPECT_TRUE(model.OutDir.isEmpty());
    EXPECT_TRUE(model.UnreadableFile.isEmpty());
    EXPECT_EQ(SaveSettings(model, Path()), QString());
    EXPECT_EQ(ReadAll(Path()), QByteArray("\xEF\xBB\xBFTarrowProjectsN=0\r\n"));
}

TEST_F(SettingsUnitTest, GroupFilterSelectsIgnoringCaseWithoutApplyingIt) {
    struct Row {
        const char* line;
        int index;
    };
    const Row rows[] = {{"GroupFilter=NEWS", 2},
                        {"GroupFilter=blog", 1},
                        {"", 0},
                        {"GroupFilter=Unknown", 0},
                        {"GroupFilter=<all projects>", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        WriteAll(Path(), QByteArray("TarrowProjectsN=3\nTarrowProjects[1].ProjectName=A\n"
                                    "TarrowProjects[1].GroupName=News\n"
                                    "TarrowProjects[2].ProjectName=B\n"
                                    "TarrowProjects[2].GroupName=Blog\n"
                                    "TarrowProjects[3].ProjectName=C\n"
                                    "TarrowProjects[3].GroupName=news\n") +
                             row.line);
        TSettingsModel model;
        LoadSettings(model, Path());
        EXPECT_EQ(model.GroupItems, QStringList({u"<All projects>"_s, u"Blog"_s, u"News"_s}));
        EXPECT_EQ(model.GroupIndex, row.index);
        EXPECT_EQ(model.Projects.VisibleCount(), 3);
    }
}

TEST_F(SettingsUnitTest, FilterHelpersFollowTheSelectedGroup) {
    TSettingsModel model;
    AddProject(model, "A", "News");
    AddProject(model, "B", "Blog");
    AddProject(model, "C", "news");
    RefreshGroupItems(model);
    model.GroupIndex = 2;
    ApplyGroupFilter(model); // exact letter case when applied
    ASSERT_EQ(model.Projects.VisibleCount(), 1);
    EXPECT_EQ(model.Projects.GetVisibleProject(0)->ProjectName(), u"A"_s);
    AddProject(model, "D", "Archive");
    RefreshGroupItems(model); // the selection follows its text
    EXPECT_EQ(model.GroupFilter(), u"News"_s);
    EXPECT_EQ(model.GroupIndex, 3);
    model.GroupIndex = 0;
    ApplyGroupFilter(model);
    EXPECT_EQ(model.Projects.VisibleCount(), 4);
}

TEST_F(SettingsUnitTest, AFileThatCannotBeReadIsKeptBeforeTheFirstSave) {
    ASSERT_EQ(mkfifo(QFile::encodeName(Path()).constData(), 0600), 0);
    WriteAll(Path() + u".bak"_s, "an older backup");
    TSettingsModel model;
    try {
        LoadSettings(model, Path());
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().startsWith(u"Cannot open file \""_s + Path() + u"\". "_s));
        EXPECT_GT(e.Message().size(), Path().size() + 20); // with the reason
    }
    EXPECT_EQ(model.UnreadableFile, Path());
    EXPECT_EQ(model.GroupItems, QStringList({u"<All projects>"_s}));
    AddProject(model, "New", "");

    // A save that fails part-way puts the unreadable file back and keeps the duty to tell.
    EXPECT_TRUE(SaveFailsUnderLimit(model, 8).startsWith(u"Cannot create file \""_s));
    EXPECT_EQ(QFileInfo(Path()).isFile(), false);
    EXPECT_TRUE(QFileInfo::exists(Path()));
    EXPECT_EQ(model.UnreadableFile, Path());

    const QString notice = SaveSettings(model, Path());
    EXPECT_TRUE(notice.contains(Path() + u".bak"_s)) << notice.toStdString();
    EXPECT_FALSE(QFileInfo(Path() + u".bak"_s).isFile()); // the unreadable one, not the old backup
    EXPECT_TRUE(QFileInfo(Path()).isFile());
    EXPECT_TRUE(model.UnreadableFile.isEmpty());
    EXPECT_EQ(SaveSettings(model, Path()), QString()); // told once
    EXPECT_EQ(Entries(), QStringList({u"tarrow.ini"_s, u"tarrow.ini.bak"_s}));

    TSettingsModel reread;
    LoadSettings(reread, Path());
    EXPECT_EQ(reread.Projects.FindProject(u"New"_s)->WebPages().size(), 1);
}

TEST_F(SettingsUnitTest, AFailedSaveLeavesThePreviousFileExactly) {
    TSettingsModel model;
    AddProject(model, "Old", "");
    model.OutDir = u"/out"_s;
    SaveSettings(model, Path());
    const QByteArray before = ReadAll(Path());
    for (int i = 0; i < 200; ++i)
        AddProject(model, QByteArray::number(i).constData(), "g");
    EXPECT_EQ(SaveFailsUnderLimit(model, before.size() + 100),
              u"Cannot create file \""_s + Path() + u"\". File too large"_s);
    EXPECT_EQ(ReadAll(Path()), before);
    EXPECT_EQ(Entries(), QStringList({u"tarrow.ini"_s})); // no temporary file left behind
}

TEST_F(SettingsUnitTest, SavingWhereNoFileCanBeMadeReportsTheReason) {
    TSettingsModel model;
    const QString missing = Dir.filePath(u"no such folder/tarrow.ini"_s);
    try {
        SaveSettings(model, missing);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().startsWith(u"Cannot create file \""_s + missing + u"\". "_s));
        EXPECT_GT(e.Message().size(), missing.size() + 22);
    }
    // The store itself reports a missing file with the system's reason.
    try {
        TAppSettings().LoadFromFile(missing);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(),
                  u"Cannot open file \""_s + missing + u"\". No such file or directory"_s);
    }
    // A folder in the file's place: nothing to read, and the save is refused.
    ASSERT_TRUE(QDir().mkpath(Path()));
    LoadSettings(model, Path());
    EXPECT_TRUE(model.UnreadableFile.isEmpty());
    EXPECT_THROW(SaveSettings(model, Path()), EFCreateError);
    EXPECT_TRUE(QFileInfo(Path()).isDir());
}
