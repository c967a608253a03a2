#include "engine/uSpillFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tarrow {

namespace {

int OpenUnnamed(const QString& AFolder) {
    const QByteArray folder = QFile::encodeName(AFolder);
    return ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

QString ExistingFolder(const QString& AFolder) {
    QFileInfo info(AFolder);
    for (int depth = 0; depth < 256 && !info.filePath().isEmpty(); ++depth) {
        if (info.isDir())
            return info.filePath();
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath())
            break;
        info = QFileInfo(parent);
    }
    return QString();
}

bool WriteAll(int AFd, const QByteArray& AData) {
    const char* p = AData.constData();
    qint64 left = AData.size();
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

} // namespace

std::unique_ptr<TSpillFile> TSpillFile::Write(const QString& AFolder, const QByteArray& ABody) {
    const QString folder = AFolder.isEmpty() ? QString() : ExistingFolder(AFolder);
    int fd = folder.isEmpty() ? -1 : OpenUnnamed(folder);
    if (fd < 0)
        fd = OpenUnnamed(QDir::tempPath());
    if (fd < 0)
        return nullptr;
    auto file = std::make_unique<TSpillFile>(TOpened{fd}, ABody.size());
    if (!WriteAll(fd, ABody))
        return nullptr;
    return file;
}

TSpillFile::~TSpillFile() {
    ::close(FFd);
}

bool TSpillFile::Read(QByteArray& ABody) const {
    QByteArray data(FSize, Qt::Uninitialized);
    qint64 done = 0;
    while (done < FSize) {
        const ssize_t n = ::pread(FFd, data.data() + done, size_t(FSize - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    ABody = std::move(data);
    return true;
}

} // namespace tarrow
