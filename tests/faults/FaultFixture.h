#pragma once
// Whole crawls against broken servers, full disks and hostile pages. Every case must end in the
// written outcome: a clear log line, the entry counted, the summary line, every older file
// intact, and nothing written outside the output folder.
//
// The tests run as root in CI, where permission bits stop nobody: the helpers below drop the
// file capabilities of the test thread (and so of the worker it starts) to make them count, use
// a file-size limit for a full disk, and mount a small tmpfs only where that is allowed.

#include "engine/TarrowEngineUnit.h"
#include "project/WebsiteUnit.h"
#include "tests/support/CrawlSupport.h"
#include "tests/support/ScriptedSite.h"

#include <QHash>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <sys/resource.h>

namespace tarrow::test {

using TFaultSite = TScriptedSite;

// Every entry below a folder, relative to it, with what it is: "file <size> <md5>", "folder",
// "other"; the modes of files and folders too, so a changed permission shows.
using TTreeSnapshot = QMap<QString, QString>;
TTreeSnapshot SnapshotTree(const QString& AFolder);

// Drops the capabilities that let root ignore file permissions from the calling thread (threads
// it starts later inherit that), and restores them when it ends. Without root it does nothing:
// the permissions already count.
class TFilePermissionsScope final {
public:
    TFilePermissionsScope();
    ~TFilePermissionsScope();
    TFilePermissionsScope(const TFilePermissionsScope&) = delete;
    TFilePermissionsScope& operator=(const TFilePermissionsScope&) = delete;
    // Whether permission bits now stop this thread.
    bool Enforced() const { return FEnforced; }

private:
    bool FDropped = false;
    bool FEnforced = false;
    unsigned FSavedEffective[2] = {0, 0};
};

// A full disk for every file of the process: writes past ABytes fail with "File too large"
// (SIGXFSZ is ignored meanwhile, so the write reports the error instead of killing us).
class TFileSizeLimit final {
public:
    explicit TFileSizeLimit(rlim_t ABytes);
    ~TFileSizeLimit();
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
    bool Active() const { return FActive; }

private:
    rlimit FSaved{};
    void (*FSavedHandler)(int) = nullptr;
    bool FActive = false;
};

// A tmpfs of ASize bytes mounted on an existing folder, when the process may mount; unmounted
// at the end.
class TSmallDisk final {
public:
    TSmallDisk(const QString& AFolder, qint64 ASize);
    ~TSmallDisk();
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;
    bool Mounted() const { return FMounted; }
    const QString& Error() const { return FError; }

private:
    QString FFolder;
    bool FMounted = false;
    QString FError;
};

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A project on the site saved under <root>/out/Blog, overwriting all files.
    std::unique_ptr<TWebsiteProject> NewProject() const;
    // Runs the project as the command-line start does, with FOptions; returns the log. FEngine
    // is the engine of every run of the test (for its break flag).
    QStringList Run(const TWebsiteProject& AProject);

    // A file of an earlier run in the output folder, checked by ExpectOutcome.
    void Plant(const QString& ARelative, const QByteArray& AContent);
    QString Out(const QString& ARelative = QString()) const;
    QByteArray Saved(const QString& ARelative) const;
    // Every file below the output folder, relative to it, hidden ones included, sorted.
    QStringList Files() const;

    // The written outcome: the summary and AEnd end the log, AClearLine (the start of a line)
    // was logged, every planted file not in AReplaced is as it was, and nothing outside the
    // output folder changed.
    void ExpectOutcome(const QStringList& ALog, const QString& ASummary, const QString& AClearLine,
                       const QStringList& AReplaced = {},
                       const QString& AEnd = QStringLiteral("Completed."));

    QTemporaryDir FRoot;
    QString FOutDir; // {OutDir}: <root>/out; the project's folder is <root>/out/Blog
    // Made before the site's threads start, so a test's server hook may set its break flag.
    std::unique_ptr<TTarrowEngine> FEngine = std::make_unique<TTarrowEngine>();
    TFaultSite FSite;
    TRunOptions FOptions;
    QHash<QString, QByteArray> FPlanted;
    TTreeSnapshot FOutsideBefore;
};

// The lines of ALog that start with APrefix.
int CountStartingWith(const QStringList& ALog, const QString& APrefix);
QString JoinLog(const QStringList& ALog);

} // namespace tarrow::test
