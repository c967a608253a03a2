#include "tests/faults/FaultFixture.h"

#include "engine/LogSinksUnit.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tarrow::test {

// ---- skipped tests ----

namespace {

// A test skipped for want of what it needs (a tmpfs, say) must not pass for one that ran: when
// some were skipped and none failed, this line tells ctest to count the suite as skipped.
class TSkipReport final : public ::testing::Environment {
public:
    void TearDown() override {
        const ::testing::UnitTest& tests = *::testing::UnitTest::GetInstance();
        if (tests.skipped_test_count() > 0 && tests.failed_test_count() == 0)
            std::printf("Tests skipped, none failed: %d\n", tests.skipped_test_count());
    }
};

// GoogleTest owns the environments it is given.
[[maybe_unused]] ::testing::Environment* const SkipReport =
    ::testing::AddGlobalTestEnvironment(new TSkipReport);

} // namespace

// ---- snapshots ----

TTreeSnapshot SnapshotTree(const QString& AFolder) {
    TTreeSnapshot snapshot;
    const QDir base(AFolder);
    QDirIterator it(AFolder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString mode = QString::number(int(info.permissions()), 16);
        QString what = QStringLiteral("other");
        if (info.isSymLink()) {
            what = QStringLiteral("link ") + info.symLinkTarget();
        } else if (info.isDir()) {
            what = QStringLiteral("folder ") + mode;
        } else if (info.isFile()) {
            QFile file(info.filePath());
            QCryptographicHash hash(QCryptographicHash::Md5);
            if (file.open(QIODevice::ReadOnly))
                hash.addData(&file);
            what = QStringLiteral("file %1 %2 %3")
                       .arg(info.size())
                       .arg(QString::fromLatin1(hash.result().toHex()), mode);
        }
        snapshot.insert(base.relativeFilePath(info.filePath()), what);
    }
    return snapshot;
}

// ---- capabilities, limits, mounts ----

namespace {

constexpr unsigned FileCapabilities =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool GetCapabilities(__user_cap_data_struct (&AData)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, AData) == 0;
}

bool SetCapabilities(__user_cap_data_struct (&AData)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, AData) == 0;
}

} // namespace

TFilePermissionsScope::TFilePermissionsScope() {
    __user_cap_data_struct data[2]{};
    if (!GetCapabilities(data)) {
        FEnforced = geteuid() != 0;
        return;
    }
    FSavedEffective[0] = data[0].effective;
    FSavedEffective[1] = data[1].effective;
    if ((data[0].effective & FileCapabilities) == 0) {
        FEnforced = true;
        return;
    }
    data[0].effective &= ~FileCapabilities;
    FDropped = SetCapabilities(data);
    FEnforced = FDropped;
}

TFilePermissionsScope::~TFilePermissionsScope() {
    if (!FDropped)
        return;
    __user_cap_data_struct data[2]{};
    if (GetCapabilities(data)) {
        data[0].effective = FSavedEffective[0];
        data[1].effective = FSavedEffective[1];
        SetCapabilities(data);
    }
}

TFileSizeLimit::TFileSizeLimit(rlim_t ABytes) {
    if (getrlimit(RLIMIT_FSIZE, &FSaved) != 0)
        return;
    rlimit limit = FSaved;
    limit.rlim_cur = ABytes;
    FSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
    FActive = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

TFileSizeLimit::~TFileSizeLimit() {
    if (FActive)
        setrlimit(RLIMIT_FSIZE, &FSaved);
    std::signal(SIGXFSZ, FSavedHandler);
}

TSmallDisk::TSmallDisk(const QString& AFolder, qint64 ASize) : FFolder(AFolder) {
    const QByteArray options = "size=" + QByteArray::number(ASize) + ",mode=0755";
    if (mount("tmpfs", QFile::encodeName(AFolder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
              options.constData()) == 0)
        FMounted = true;
    else
        FError = QString::fromLocal8Bit(std::strerror(errno));
}

TSmallDisk::~TSmallDisk() {
    if (FMounted)
        umount2(QFile::encodeName(FFolder).constData(), MNT_DETACH);
}

// ---- fixture ----

void FaultTest::SetUp() {
    ASSERT_TRUE(FRoot.isValid());
    FOutDir = FRoot.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(Out()));
    // Neighbours of the output folder that must stay as they are.
    QFile neighbour(FRoot.filePath(QStringLiteral("out/Other/keep.html")));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(neighbour).path()));
    ASSERT_TRUE(neighbour.open(QIODevice::WriteOnly));
    neighbour.write("another project's page");
    neighbour.close();
    FOptions.HTTPRetries = 1;
    // As for the crawl tests: a second ctest entry runs every fault with transfers at once.
    FOptions.Connections = qEnvironmentVariableIntValue("TARROW_TEST_CONNECTIONS");
    FOptions.RetryPauseMs = 1;
    FOptions.ConnectTimeoutMs = 3000;
    FOptions.ReadTimeoutMs = 3000;
    FOptions.RedirectPauseMs = 1;
}

void FaultTest::TearDown() {
    // Whatever a test made unreadable or unwritable, the temporary folder must go.
    QDirIterator it(FRoot.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
}

std::unique_ptr<TWebsiteProject> FaultTest::NewProject() const {
    return MakeProject(FSite.URL(u"/blog/"));
}

QStringList FaultTest::Run(const TWebsiteProject& AProject) {
    FOutsideBefore = SnapshotTree(FRoot.path());
    FOutsideBefore.removeIf([](const auto& AEntry) {
        return AEntry.key() == u"out/Blog" || AEntry.key().startsWith(u"out/Blog/");
    });
    TWebsiteProjectList list;
    list.AddProject(std::make_unique<TWebsiteProject>(&AProject));
    FEngine->SetOptions(FOptions);
    TMemoryLogSink sink;
    FEngine->Run(list, FOutDir, AProject.ProjectName(), &sink);
    return sink.Lines();
}

void FaultTest::Plant(const QString& ARelative, const QByteArray& AContent) {
    QFile file(Out(ARelative));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << file.errorString().toStdString();
    ASSERT_EQ(file.write(AContent), AContent.size());
    FPlanted.insert(ARelative, AContent);
}

QString FaultTest::Out(const QString& ARelative) const {
    const QString folder = FOutDir + QStringLiteral("/Blog");
    return ARelative.isEmpty() ? folder : folder + u'/' + ARelative;
}

QByteArray FaultTest::Saved(const QString& ARelative) const {
    QFile file(Out(ARelative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList FaultTest::Files() const {
    QStringList files;
    const QDir base(Out());
    QDirIterator it(Out(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(base.relativeFilePath(it.next()));
    files.sort();
    return files;
}

void FaultTest::ExpectOutcome(const QStringList& ALog, const QString& ASummary,
                              const QString& AClearLine, const QStringList& AReplaced,
                              const QString& AEnd) {
    SCOPED_TRACE(JoinLog(ALog).left(4000).toStdString());
    ASSERT_GE(ALog.size(), 2);
    EXPECT_EQ(ALog.mid(ALog.size() - 2), (QStringList{ASummary, AEnd}));
    EXPECT_GE(CountStartingWith(ALog, AClearLine), 1) << AClearLine.left(300).toStdString();
    for (auto it = FPlanted.cbegin(); it != FPlanted.cend(); ++it) {
        if (AReplaced.contains(it.key()))
            continue;
        QFile file(Out(it.key()));
        // A test may have taken the read permission away; the check reads it back.
        file.setPermissions(file.permissions() | QFileDevice::ReadOwner);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << it.key().toStdString();
        EXPECT_EQ(file.readAll(), it.value()) << it.key().toStdString();
    }
    TTreeSnapshot outside = SnapshotTree(FRoot.path());
    outside.removeIf([](const auto& AEntry) {
        return AEntry.key() == u"out/Blog" || AEntry.key().startsWith(u"out/Blog/");
    });
    EXPECT_EQ(outside, FOutsideBefore);
}

int CountStartingWith(const QStringList& ALog, const QString& APrefix) {
    return int(std::count_if(ALog.begin(), ALog.end(),
                             [&](const QString& ALine) { return ALine.startsWith(APrefix); }));
}

QString JoinLog(const QStringList& ALog) {
    QStringList lines;
    for (const QString& line : ALog)
        lines.append(line.size() > 300 ? line.left(300) + QStringLiteral("...") : line);
    return lines.join(u'\n');
}

} // namespace tarrow::test
