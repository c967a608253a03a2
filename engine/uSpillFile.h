#pragma once

#include <QByteArray>
#include <QString>

namespace tarrow {

// Bodies set aside on disk while they wait for their turn, one after another in one file without
// a name (it vanishes when closed, also when the program dies), in the first existing folder of
// AFolder and its parents, else in the system's temporary folder. Space is given back as bodies
// are taken. Made on first use.
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
    // An invalid place when the body cannot be written (the caller keeps it in memory).
    TPlace Put(const QByteArray& ABody);
    // The body at APlace, once; false when it cannot be read back.
    bool Take(const TPlace& APlace, QByteArray& ABody);

private:
    bool Open();

    QString FFolder;
    int FFd = -1;
    qint64 FEnd = 0;
    qint64 FHeld = 0; // bodies put and not taken yet
};

} // namespace tarrow
