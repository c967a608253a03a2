#pragma once

#include "base/uExceptions.h"
#include "http/uWireRecorder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <initializer_list>

namespace tarrow {

TARROW_DECLARE_EXCEPTION(EWarcError, Exception)

// The "sha1:" digest of AParts, one after another, in base 32, as WARC digest fields carry it.
QByteArray WarcDigest(std::initializer_list<QByteArrayView> AParts);

// A WARC/1.1 file of one project's run: a warcinfo record first, then a request and a response
// record (a revisit record for a 304) per exchange, each record one gzip member, written and
// flushed as the exchange ends. Heads that did not come as HTTP/1 text (HTTP/2) or whose body
// came in chunks are written as an HTTP/1.1 message of the body as stored: status line
// "HTTP/1.1", Transfer-Encoding dropped and Content-Length the stored length. Not thread safe.
class TWarcWriter final : public TWireRecorder {
public:
    // Creates (replaces) APath and writes the warcinfo record; raises EWarcError when it cannot.
    TWarcWriter(const QString& APath, const QString& AProjectName);
    TWarcWriter(const TWarcWriter&) = delete;
    TWarcWriter& operator=(const TWarcWriter&) = delete;

    void Record(const TWireExchange& AExchange) noexcept override;
    // Raises EWarcError when a record could not be written; nothing is written after that.
    void CheckWritten() const;
    const QString& Path() const { return FPath; }

private:
    void WriteExchange(const TWireExchange& AExchange);
    void WriteRecord(const QByteArray& AHeaders, std::initializer_list<QByteArrayView> ABlock);
    void WriteBytes(const char* AData, qsizetype ASize);
    [[noreturn]] void RaiseWriteError() const;

    QString FPath;
    QFile FFile;
    QByteArray FInfoID; // the warcinfo record's
    QString FError;
};

} // namespace tarrow
