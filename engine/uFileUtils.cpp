#include "engine/uFileUtils.h"

#include "base/uExceptions.h"
#include "base/uFileIO.h"
#include "base/uPathUtils.h"
#include "base/uRunContext.h"
#include "base/uURLUtils.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>
#include <utility>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarrow {

namespace {

int HexValue(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

QByteArray FileMD5(const QString& AFileName) {
    // Opening a pipe would wait for a writer and a device may never end: only ordinary files
    // are read, so a stranger in the output folder counts as changed instead of hanging the run.
    const QFileInfo info(AFileName);
    if (info.exists() && !info.isFile())
        throw EFOpenError(CannotOpenFileMessage(
            QDir::toNativeSeparators(AFileName),
            QString::fromLocal8Bit(std::strerror(info.isDir() ? EISDIR : EINVAL))));
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(
            CannotOpenFileMessage(QDir::toNativeSeparators(AFileName), file.errorString()));
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError)
        throw EInOutError(QStringLiteral("Cannot read file \"%1\". %2")
                              .arg(QDir::toNativeSeparators(AFileName), file.errorString()));
    return hash.result();
}

// An open file descriptor, closed when it goes.
class TFd final {
public:
    explicit TFd(int AFd = -1) : FFd(AFd) {}
    ~TFd() {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    TFd& operator=(TFd&& AOther) noexcept {
        std::swap(FFd, AOther.FFd);
        return *this;
    }
    int Get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }

private:
    int FFd;
};

// The components of APath below AOutFolder (both as the crawl checked them).
QStringList ComponentsBelow(const QString& AOutFolder, const QString& APath) {
    QString folder;
    if (!AOutFolder.isEmpty() && !NormalizeLocalPath(AOutFolder, folder, NativePathReading()))
        folder = AOutFolder;
    QStringView rest(APath);
    if (!folder.isEmpty())
        rest = rest.mid(qMin(rest.size(), folder.size()));
    QStringList parts;
    for (QStringView part : rest.split(PathDelim(NativePathReading()), Qt::SkipEmptyParts))
        for (QStringView piece : part.split(u'/', Qt::SkipEmptyParts))
            parts.append(piece.toString());
    return parts;
}

// The opened folder of the last of AParts (or of the output folder when empty), every component
// opened with no link followed and created when missing. -1 with errno set on failure;
// ALinked tells that a component was a symbolic link.
int OpenFolderBelow(const QString& AOutFolder, const QStringList& AParts, bool& ALinked) {
    ALinked = false;
    if (!AOutFolder.isEmpty() && !QDir().mkpath(AOutFolder))
        return -1;
    const QByteArray root = AOutFolder.isEmpty() ? QByteArray(".") : QFile::encodeName(AOutFolder);
    TFd dir(::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const QString& part : AParts) {
        if (dir.Get() < 0)
            return -1;
        const QByteArray name = QFile::encodeName(part);
        if (::mkdirat(dir.Get(), name.constData(), 0777) != 0 && errno != EEXIST)
            return -1;
        TFd next(
            ::openat(dir.Get(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.Get() < 0) {
            const int error = errno;
            struct stat info {};
            ALinked = ::fstatat(dir.Get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISLNK(info.st_mode);
            errno = error;
            return -1;
        }
        dir = std::move(next);
    }
    return dir.Release();
}

bool WriteAllToFd(int AFd, const QByteArray& AData) {
    const char* p = AData.constData();
    qsizetype left = AData.size();
    while (left > 0) {
        const ssize_t n = ::write(AFd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// The temporary file of the save under way, for RemoveActiveTemporaryFile: the folder's
// descriptor is published after the name and withdrawn before the folder is closed.
std::atomic<int> GActiveTempDir{-1};
char GActiveTempName[1024];

// Publishes a temporary file while it lives.
class TActiveTemporary final {
public:
    TActiveTemporary(int ADir, const QByteArray& AName) {
        if (AName.size() >= qsizetype(sizeof(GActiveTempName)))
            return;
        std::memcpy(GActiveTempName, AName.constData(), size_t(AName.size()) + 1);
        GActiveTempDir.store(ADir, std::memory_order_release);
    }
    ~TActiveTemporary() { GActiveTempDir.store(-1, std::memory_order_release); }
    TActiveTemporary(const TActiveTemporary&) = delete;
    TActiveTemporary& operator=(const TActiveTemporary&) = delete;
};

// Opened one component at a time, a path has no length limit of the system's: keep the one a
// path given whole would meet, so no tree gets deeper than the platform can name.
bool IsPathTooLong(const QString& APath) {
    return QFile::encodeName(APath).size() >= PATH_MAX;
}

QString SystemReason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString TemporaryName(const QString& AFileName) {
    return QStringLiteral(".") + AFileName.left(64) + QStringLiteral(".tarrow-") +
           QString::number(QRandomGenerator::global()->generate64(), 36);
}

} // namespace

QString PercentDecodePath(const QString& APath) {
    if (!APath.contains(u'%'))
        return APath;
    QByteArray out;
    out.reserve(APath.size());
    qsizetype runStart = 0; // start of the characters not yet copied
    const auto flush = [&](qsizetype AEnd) {
        out.append(QStringView(APath).mid(runStart, AEnd - runStart).toUtf8());
    };
    for (qsizetype i = 0; i < APath.size(); ++i) {
        if (APath[i] != u'%')
            continue;
        flush(i);
        if (i + 2 >= APath.size()) { // fewer than two characters follow: the "%" alone goes
            runStart = i + 1;
            continue;
        }
        const char16_t c1 = APath[i + 1].unicode();
        const char16_t c2 = APath[i + 2].unicode();
        const int hi = c1 < 0x80 ? HexValue(char(c1)) : -1;
        const int lo = c2 < 0x80 ? HexValue(char(c2)) : -1;
        if (hi >= 0 && lo >= 0)
            out.append(char(hi * 16 + lo));
        i += 2;
        runStart = i + 1;
    }
    flush(APath.size());
    return QString::fromUtf8(out);
}

QString LocalOutputPath(const QString& AOutFilePath, const QString& AOutDir,
                        const QString& AOutFolder, TPathReading AReading) {
    const bool belowOutDir = !AOutDir.isEmpty() && AOutFilePath.startsWith(AOutDir);
    QString path = belowOutDir ? AOutDir + PercentDecodePath(AOutFilePath.mid(AOutDir.size()))
                               : PercentDecodePath(AOutFilePath);
    if (AOutFolder.isEmpty()) {
        qsizetype lead = 0;
        while (lead < path.size() && (path[lead] == PathDelim(AReading) || path[lead] == u'/'))
            ++lead;
        path.remove(0, lead);
    }
    return ExpandPath(path, AOutFolder, AReading);
}

bool FileChanged(const QString& AFileName, const QByteArray& AContent,
                 const TRunContext* AContext) {
    try {
        return FileMD5(AFileName) != QCryptographicHash::hash(AContent, QCryptographicHash::Md5);
    } catch (const Exception& E) {
        if (AContext)
            AContext->LogException(E);
        return true;
    }
}

bool IsRegularFile(const QString& APath) {
    return QFileInfo(APath).isFile();
}

bool ForceDirectories(const QString& AFolder) {
    return QDir().mkpath(AFolder);
}

TFolderResult ForceDirectoriesBelow(const QString& AOutFolder, const QString& AFolder) {
    if (IsPathTooLong(AFolder))
        return TFolderResult::frFailed;
    bool linked = false;
    const TFd dir(OpenFolderBelow(AOutFolder, ComponentsBelow(AOutFolder, AFolder), linked));
    if (dir.Get() >= 0)
        return TFolderResult::frReady;
    return linked ? TFolderResult::frSymbolicLink : TFolderResult::frFailed;
}

void WriteFileBelow(const QString& AOutFolder, const QString& AFileName,
                    const QByteArray& AContent) {
    QStringList parts = ComponentsBelow(AOutFolder, AFileName);
    const auto fail = [&](const QString& AReason) {
        throw EFCreateError(CannotCreateFileMessage(QDir::toNativeSeparators(AFileName), AReason));
    };
    if (parts.isEmpty())
        fail(QString::fromLocal8Bit(std::strerror(EISDIR)));
    if (IsPathTooLong(AFileName))
        fail(QString::fromLocal8Bit(std::strerror(ENAMETOOLONG)));
    const QByteArray name = QFile::encodeName(parts.takeLast());
    bool linked = false;
    const TFd dir(OpenFolderBelow(AOutFolder, parts, linked));
    if (dir.Get() < 0)
        fail(SystemReason());
    const QByteArray temp = QFile::encodeName(TemporaryName(QFile::decodeName(name)));
    const TActiveTemporary active(dir.Get(), temp);
    QString error;
    {
        const TFd file(::openat(dir.Get(), temp.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (file.Get() < 0)
            fail(SystemReason());
        if (!WriteAllToFd(file.Get(), AContent))
            error = SystemReason();
    }
    // renameat replaces a link standing at the name itself, never what it points to.
    if (error.isEmpty() &&
        ::renameat(dir.Get(), temp.constData(), dir.Get(), name.constData()) != 0)
        error = SystemReason();
    if (!error.isEmpty()) {
        ::unlinkat(dir.Get(), temp.constData(), 0);
        fail(error);
    }
}

void RemoveActiveTemporaryFile() noexcept {
    const int dir = GActiveTempDir.load(std::memory_order_acquire);
    if (dir >= 0)
        ::unlinkat(dir, GActiveTempName, 0);
}

void WriteFileAtomically(const QString& AFileName, const QByteArray& AContent) {
    // A temporary file beside the target, renamed over it. No sync to disk: the rename keeps a
    // reader from ever seeing half a file, and a sync per saved file would cost more than the
    // download itself.
    const QFileInfo info(AFileName);
    const QString temp = info.absolutePath() + QStringLiteral("/.") + info.fileName().left(64) +
                         QStringLiteral(".tarrow-") +
                         QString::number(QRandomGenerator::global()->generate64(), 36);
    QFile file(temp);
    QString error;
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        error = file.errorString();
    else if (!WriteAll(file, AContent) || !file.flush())
        error = file.errorString();
    file.close();
    if (error.isEmpty() && file.error() != QFileDevice::NoError)
        error = file.errorString();
    if (error.isEmpty() && ::rename(QFile::encodeName(temp).constData(),
                                    QFile::encodeName(AFileName).constData()) != 0)
        error = QString::fromLocal8Bit(std::strerror(errno));
    if (!error.isEmpty()) {
        QFile::remove(temp);
        throw EFCreateError(CannotCreateFileMessage(QDir::toNativeSeparators(AFileName), error));
    }
}

} // namespace tarrow
