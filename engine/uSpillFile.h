#pragma once

#include <QByteArray>
#include <QString>

namespace tarrow {

// Bodies set aside on disk while they wait for their turn, one after another in one file without
// a name (it vanishes when closed, also when the program dies), in the first existing folder of
// AFolder and its parents, else in the system's temporary folder. Space is given back as bodies
// are taken. Made on first use. It never fills its disk: a body is put only when the disk keeps
// kFreeReserve bytes free after it, and at least as much free as the file then holds, so the
// files the crawl saves meanwhile find the room they would have found without it.
class TSpillFile final {
public:
    explicit TSpillFile(const QString& AFolder) : FFolder(AFolder) {}
    ~TSpillFile();
    TSpillFile(const TSpillFile&) = delete;
    TSpillFile& operator=(const TSpillFile&) = delete;

    // Where a body went.
    struct TPlace {
        qint64 Offset = -1;
        qint64 Size = 0;
        bool IsValid() const { return Offset >= 0; }
    };
    static constexpr qint64 kFreeReserve = qint64(64) << 20;

    // An invalid place when the body cannot be written or the disk has no room to spare for it
    // (the caller keeps it in memory).
    TPlace Put(const QByteArray& ABody);
    // The body at APlace, once; false when it cannot be read back.
    bool Take(const TPlace& APlace, QByteArray& ABody);

private:
    bool Open();
    bool HasRoomFor(qint64 ASize) const;

    QString FFolder;
    int FFd = -1;
    qint64 FEnd = 0;
    qint64 FHeld = 0;      // bodies put and not taken yet
    qint64 FHeldBytes = 0; // their size
};

} // namespace tarrow
