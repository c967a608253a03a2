#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace tarrow {

// A body set aside on disk while it waits for its turn: a file without a name (it vanishes when
// closed, also when the program dies) in the first existing folder of AFolder and its parents,
// else in the system's temporary folder.
class TSpillFile final {
public:
    // Null when no such file can be written; the caller then keeps the body in memory.
    static std::unique_ptr<TSpillFile> Write(const QString& AFolder, const QByteArray& ABody);
    struct TOpened {
        int Fd;
    };
    TSpillFile(TOpened AFile, qint64 ASize) : FFd(AFile.Fd), FSize(ASize) {}
    ~TSpillFile();
    TSpillFile(const TSpillFile&) = delete;
    TSpillFile& operator=(const TSpillFile&) = delete;

    // The body as written; false when it cannot be read back.
    bool Read(QByteArray& ABody) const;
    qint64 Size() const { return FSize; }

private:
    int FFd;
    qint64 FSize;
};

} // namespace tarrow
