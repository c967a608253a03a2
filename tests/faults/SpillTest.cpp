// Bodies fetched ahead wait for their turn on disk: they come back as they went, they leave the
// copy's disk the room the copy needs, and when that disk takes no more, fetching ahead pauses
// instead of holding every body in memory.

#include "engine/uFetchAhead.h"
#include "engine/uSpillFile.h"
#include "tests/faults/FaultFixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/statvfs.h>

namespace tarrow::test {

namespace {

qint64 FreeBytes(const QString& AFolder) {
    struct statvfs disk {};
    if (statvfs(QFile::encodeName(AFolder).constData(), &disk) != 0)
        return -1;
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

// Bytes that differ from place to place, so a body read back from the wrong offset shows.
QByteArray Pattern(qsizetype ASize, int ASeed) {
    QByteArray body(ASize, Qt::Uninitialized);
    for (qsizetype i = 0; i < ASize; ++i)
        body[i] = char((i * 131 + ASeed) % 251);
    return body;
}

constexpr qint64 kMiB = qint64(1) << 20;

TEST(SpillFile, BodiesGoToDiskAndComeBackIntact) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const TSmallDisk disk(root.path(), TSpillFile::kFreeReserve + 32 * kMiB);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << disk.Error().toStdString();
    // A folder not made yet: the file goes to the first existing folder above it.
    TSpillFile spill(root.path() + QStringLiteral("/out/Blog"));
    const qint64 before = FreeBytes(root.path());
    const QByteArray first = Pattern(3 * kMiB, 1);
    const QByteArray second = Pattern(kMiB + 17, 2);
    const TSpillFile::TPlace a = spill.Put(first);
    const TSpillFile::TPlace b = spill.Put(second);
    ASSERT_TRUE(a.IsValid());
    ASSERT_TRUE(b.IsValid());
    // On that disk, not in memory.
    EXPECT_LE(FreeBytes(root.path()), before - first.size() - second.size());
    QByteArray back;
    ASSERT_TRUE(spill.Take(b, back));
    EXPECT_TRUE(back == second);
    // Its space is given back at once, the other body's stays taken.
    EXPECT_GE(FreeBytes(root.path()), before - first.size() - 8192);
    EXPECT_LE(FreeBytes(root.path()), before - first.size());
    ASSERT_TRUE(spill.Take(a, back));
    EXPECT_TRUE(back == first);
    EXPECT_EQ(FreeBytes(root.path()), before);
}

TEST(SpillFile, ADiskWithoutRoomToSpareTakesNothing) {
    struct Row {
        const char* Name;
        qint64 DiskBytes;
        qsizetype BodyBytes;
    };
    const Row rows[] = {
        {"a small disk", kMiB, 64 << 10},
        {"a body that would eat into the reserve", TSpillFile::kFreeReserve + 8 * kMiB,
         qsizetype(9 * kMiB)},
        {"a body larger than what would stay free", 2 * TSpillFile::kFreeReserve + 8 * kMiB,
         qsizetype(TSpillFile::kFreeReserve + 8 * kMiB)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const TSmallDisk disk(root.path(), row.DiskBytes);
        if (!disk.Mounted())
            GTEST_SKIP() << "cannot mount a small tmpfs here: " << disk.Error().toStdString();
        TSpillFile spill(root.path());
        const qint64 before = FreeBytes(root.path());
        EXPECT_FALSE(spill.Put(Pattern(row.BodyBytes, 3)).IsValid());
        EXPECT_EQ(FreeBytes(root.path()), before);
    }
}

class SpillFaults : public FaultTest {
protected:
    // /blog/ links slow.html, then ACount pictures of ABytes each.
    void ServeSlowAndPictures(int ACount, qsizetype ABytes) {
        QByteArray start = "<a href=\"slow.html\">s</a>";
        for (int i = 0; i < ACount; ++i) {
            const QByteArray name = "p" + QByteArray::number(i) + ".png";
            start += "<img src=\"" + name + "\">";
            FSite.Page("/blog/" + name, OkReply(Pattern(ABytes, i), "image/png"));
        }
        FSite.Html("/blog/", start);
        FSite.Html("/blog/slow.html", "slow");
        FSite.OnRequest([this](const TRequest& ARequest) { Requested(ARequest.Path()); });
    }

    // While FHolding, the reply of slow.html waits until every picture was asked for, or until
    // fetching ahead has had long enough to stop by itself; FAheadWhileHeld is how many were.
    void Requested(const QByteArray& APath) {
        std::unique_lock lock(FLock);
        if (APath.startsWith("/blog/p")) {
            ++FAhead;
            FWake.notify_all();
            return;
        }
        if (APath != "/blog/slow.html" || !FHolding)
            return;
        FWake.wait_for(lock, std::chrono::seconds(2), [this] { return FAhead >= FPictures; });
        FAheadWhileHeld = FAhead;
    }

    std::mutex FLock;
    std::condition_variable FWake;
    bool FHolding = false;
    int FPictures = 0;
    int FAhead = 0;
    int FAheadWhileHeld = -1;
};

// A run on a small disk that fills up saves what it saves with one connection: the bodies that
// wait for their turn take none of its room, and memory holds no more of them than its budget
// (and what was under way) while the disk takes none.
TEST_F(SpillFaults, AFullDiskNeitherCostsASaveNorFillsMemory) {
    constexpr int kPictures = 120;
    constexpr int kConnections = 4;
    FOptions.ReadTimeoutMs = 30000; // slow.html is held for a while
    ServeSlowAndPictures(kPictures, 16 << 10);
    auto project = NewProject();
    struct Result {
        QStringList Log;
        QStringList Files;
    };
    const auto run = [&](int AConnections) {
        const TSmallDisk disk(Out(), kMiB);
        if (!disk.Mounted())
            return Result{};
        FOptions.Connections = AConnections;
        {
            const std::lock_guard lock(FLock);
            FHolding = AConnections > 1;
            FPictures = kPictures;
            FAhead = 0;
        }
        Result result{Run(*project), Files()};
        return result;
    };
    const Result one = run(1);
    if (one.Log.isEmpty())
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const Result several = run(kConnections);
    EXPECT_EQ(several.Log, one.Log);
    EXPECT_EQ(several.Files, one.Files);
    EXPECT_GT(CountStartingWith(one.Log, QStringLiteral("Cannot create file")), 0)
        << "the disk never filled up";
    const std::lock_guard lock(FLock);
    EXPECT_LE(FAheadWhileHeld,
              (TFetchAhead::kHeldPerConnection + TFetchAhead::kQueuedPerConnection) * kConnections);
    for (int i = 0; i < kPictures; ++i)
        EXPECT_EQ(FSite.Hits("/blog/p" + QByteArray::number(i) + ".png"), 2) << i;
}

} // namespace

} // namespace tarrow::test
