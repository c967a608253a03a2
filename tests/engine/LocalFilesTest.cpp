// Local paths of saved files: normalising, containment, percent-decoding, writing and comparing.
#include "base/uExceptions.h"
#include "base/uPathUtils.h"
#include "base/uRunContext.h"
#include "engine/LogSinksUnit.h"
#include "engine/uFileUtils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tarrow;

namespace {

struct BelowRow {
    const char16_t* Path;
    const char16_t* Folder;
    bool Below;
};

TEST(LocalPaths, ContainmentLinuxReading) {
    const TPathReading R = TPathReading::prLinux;
    const BelowRow rows[] = {
        {u"/out/a/index.html", u"/out", true},
        {u"/out//a/./b.png", u"/out/", true},
        {u"/out/a/../b.png", u"/out", true},
        {u"/out/../etc/passwd", u"/out", false},
        {u"/out/a/../../out2/x", u"/out", false},
        {u"/out2/x", u"/out", false},
        {u"/OUT/x", u"/out", false}, // the Linux reading compares exactly
        {u"/out", u"/out", false},
        {u"/out/a\\..\\..\\x", u"/out", true}, // "\" is a name character here
        {u"/out/a\u0001b", u"/out", false},
        {u"/out/a", u"/out/./", true},
        {u"a/b.html", u"", true},
        {u"../b.html", u"", false},
        {u"/tmp/b.html", u"", false},
        {u"", u"", false},
    };
    for (const BelowRow& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Path).toStdString() + " in " +
                     QString::fromUtf16(row.Folder).toStdString());
        EXPECT_EQ(IsPathBelow(QString::fromUtf16(row.Path), QString::fromUtf16(row.Folder), R),
                  row.Below);
    }
    const QString withNul = QStringLiteral("/out/a") + QChar(0) + QStringLiteral("b");
    EXPECT_FALSE(IsPathBelow(withNul, u"/out", R));
}

TEST(LocalPaths, ContainmentWindowsReading) {
    const TPathReading R = TPathReading::prWindows;
    const BelowRow rows[] = {
        {u"C:\\Sites\\Blog\\a\\index.html", u"C:\\Sites\\Blog", true},
        {u"c:\\sites\\blog\\A.png", u"C:\\Sites\\Blog", true},
        {u"C:\\Sites\\Blog\\a/../../x", u"C:\\Sites\\Blog", false},
        {u"C:\\Sites\\Blog\\a\\..\\b", u"C:\\Sites\\Blog", true},
        {u"C:\\Sites\\Blog2\\x", u"C:\\Sites\\Blog", false},
        {u"D:\\x", u"C:\\Sites\\Blog", false},
        {u"C:\\Sites\\Blog\\x:stream", u"C:\\Sites\\Blog", false},
        {u"\\\\srv\\share\\out\\x", u"\\\\srv\\share\\out", true},
        {u"\\\\srv\\share\\out\\..\\..\\x", u"\\\\srv\\share\\out", false},
        // Found by fuzzing: a network path shares its first "\" with the root of the drive.
        {u"\\\\srv\\share\\x", u"\\", false},
        {u"\\\\", u"\\", false},
        {u"\\x", u"\\", true},
        {u"\\srv\\share\\x", u"\\\\srv\\share", false},
        {u"C:\\x", u"C:",
         true}, // a bare drive is the top of that drive, as the output prefix reads
    };
    for (const BelowRow& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Path).toStdString() + " in " +
                     QString::fromUtf16(row.Folder).toStdString());
        EXPECT_EQ(IsPathBelow(QString::fromUtf16(row.Path), QString::fromUtf16(row.Folder), R),
                  row.Below);
    }
    QString normalized;
    ASSERT_TRUE(NormalizeLocalPath(u"C:/Sites//Blog/./a\\b", normalized, R));
    EXPECT_EQ(normalized, QStringLiteral("C:\\Sites\\Blog\\a\\b"));
}

TEST(LocalPaths, PercentDecoding) {
    struct Row {
        const char16_t* In;
        const char16_t* Out;
    };
    const Row rows[] = {
        {u"C:\\Out\\a%20b\\index.html", u"C:\\Out\\a b\\index.html"},
        {u"/out/caf%C3%A9.png", u"/out/café.png"},
        {u"/out/%FFa", u"/out/\uFFFDa"},
        {u"/out/x%zzy", u"/out/xy"},
        {u"/out/x%4", u"/out/x4"},
        {u"/out/x%", u"/out/x"},
        {u"/out/é%41", u"/out/éA"},
        {u"/out/%éxy", u"/out/y"},
        {u"/out/%2e%2E/%2F", u"/out/../\u002F"},
        {u"plain", u"plain"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.In).toStdString());
        EXPECT_EQ(PercentDecodePath(QString::fromUtf16(row.In)), QString::fromUtf16(row.Out));
    }
}

TEST(LocalFiles, AtomicWriteAndChangeDetection) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("a/b/page.html"));
    ASSERT_TRUE(ForceDirectories(dir.filePath(QStringLiteral("a/b"))));
    WriteFileAtomically(file, QByteArray("first"));
    TMemoryLogSink sink;
    const TRunContext context(&sink);
    EXPECT_FALSE(FileChanged(file, QByteArray("first"), &context));
    EXPECT_TRUE(FileChanged(file, QByteArray("second"), &context));
    WriteFileAtomically(file, QByteArray());
    EXPECT_FALSE(FileChanged(file, QByteArray(), &context));
    EXPECT_TRUE(sink.Lines().isEmpty());
    // A file that cannot be read counts as changed, with the reason logged.
    EXPECT_TRUE(FileChanged(dir.filePath(QStringLiteral("missing")), QByteArray("x"), &context));
    ASSERT_EQ(sink.Lines().size(), 1);
    EXPECT_TRUE(sink.Lines()[0].startsWith(QStringLiteral("Cannot open file \"")));
    // A pipe or a device where the file stands counts as changed at once; reading it would
    // wait for a writer (or never end) and hang the run.
    const QString fifo = dir.filePath(QStringLiteral("pipe.html"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(FileChanged(fifo, QByteArray("x"), &context));
    EXPECT_TRUE(FileChanged(QStringLiteral("/dev/zero"), QByteArray("x"), &context));
    ASSERT_EQ(sink.Lines().size(), 3);
    EXPECT_EQ(sink.Lines()[1],
              QStringLiteral("Cannot open file \"%1\". Invalid argument.").arg(fifo));
    // A folder where the file should go: a clear error, and nothing is left behind.
    EXPECT_THROW(WriteFileAtomically(dir.filePath(QStringLiteral("a")), QByteArray("x")),
                 EFCreateError);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("a/b"))).entryList(QDir::Files),
              QStringList{QStringLiteral("page.html")});
}

// A write that stores part of the content before the disk is full used to fail with "Unknown
// error": the reason must come through, and the older file must stay.
TEST(LocalFiles, AFullDiskFailsTheWriteWithTheSystemsReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("big.bin"));
    WriteFileAtomically(file, QByteArray("older"));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limit = saved;
    limit.rlim_cur = 64 << 10;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    QString message;
    try {
        WriteFileAtomically(file, QByteArray(1 << 20, 'x'));
    } catch (const EFCreateError& E) {
        message = E.Message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(message, QStringLiteral("Cannot create file \"%1\". File too large").arg(file));
    QFile older(file);
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    EXPECT_EQ(older.readAll(), QByteArray("older"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("big.bin")});
}

} // namespace
