#include "engine/uSpillFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/statvfs.h>
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

// Runs AStep (pread or pwrite of what is left, at its offset) until ASize bytes are done.
template <typename F> bool AllAt(qint64 ASize, F AStep) {
    qint64 done = 0;
    while (done < ASize) {
        const ssize_t n = AStep(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool WriteAllAt(int AFd, const QByteArray& AData, qint64 AOffset) {
    return AllAt(AData.size(), [&](qint64 ADone) {
        return ::pwrite(AFd, AData.constData() + ADone, size_t(AData.size() - ADone),
                        AOffset + ADone);
    });
}

bool ReadAllAt(int AFd, QByteArray& AData, qint64 AOffset) {
    return AllAt(AData.size(), [&](qint64 ADone) {
        return ::pread(AFd, AData.data() + ADone, size_t(AData.size() - ADone), AOffset + ADone);
    });
}

} // namespace

TSpillFile::~TSpillFile() {
    if (FFd >= 0)
        ::close(FFd);
}

bool TSpillFile::Open() {
    if (FFd >= 0)
        return true;
    const QString folder = FFolder.isEmpty() ? QString() : ExistingFolder(FFolder);
    FFd = folder.isEmpty() ? -1 : OpenUnnamed(folder);
    if (FFd < 0)
        FFd = OpenUnnamed(QDir::tempPath());
    return FFd >= 0;
}

bool TSpillFile::HasRoomFor(qint64 ASize) const {
    struct statvfs disk {};
    if (::fstatvfs(FFd, &disk) != 0)
        return false;
    const qint64 freeAfter = qint64(disk.f_bavail) * qint64(disk.f_frsize) - ASize;
    return freeAfter >= kFreeReserve && freeAfter >= FHeldBytes + ASize;
}

TSpillFile::TPlace TSpillFile::Put(const QByteArray& ABody) {
    if (!Open() || !HasRoomFor(ABody.size()))
        return {};
    const TPlace place{FEnd, ABody.size()};
    if (!WriteAllAt(FFd, ABody, place.Offset)) {
        // What was written of it goes back at once.
        (void)::fallocate(FFd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, place.Offset,
                          place.Size);
        return {};
    }
    FEnd += place.Size;
    ++FHeld;
    FHeldBytes += place.Size;
    return place;
}

bool TSpillFile::Take(const TPlace& APlace, QByteArray& ABody) {
    QByteArray data(APlace.Size, Qt::Uninitialized);
    const bool read = FFd >= 0 && ReadAllAt(FFd, data, APlace.Offset);
    FHeldBytes -= APlace.Size;
    if (--FHeld == 0) {
        // Nothing waits: the file starts over, empty.
        FEnd = 0;
        (void)::ftruncate(FFd, 0);
    } else {
        // The space is given back where the file system can; where not, at the next start-over.
        (void)::fallocate(FFd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, APlace.Offset,
                          APlace.Size);
    }
    if (read)
        ABody = std::move(data);
    return read;
}

} // namespace tarrow
