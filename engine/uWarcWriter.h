#pragma once

#include "base/uExceptions.h"
#include "http/uWireRecorder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>

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
    ~TWarcWriter() override;
    TWarcWriter(const TWarcWriter&) = delete;
    TWarcWriter& operator=(const TWarcWriter&) = delete;

    void Record(const TWireExchange& AExchange) noexcept override;
    // Raises EWarcError when a record could not be written; nothing is written after that.
    void CheckWritten() const;
    const QString& Path() const { return FPath; }

private:
    class TGzipMember;
    void WriteExchange(const TWireExchange& AExchange);
    void WriteRecord(const QByteArray& AHeaders, std::initializer_list<QByteArrayView> ABlock);
    // Compressed bytes reach the file in pieces of about a megabyte, an exchange's last with it.
    void WriteBytes(const char* AData, qsizetype ASize);
    void WritePending();
    // Runs AWrite; what it wrote is taken back when it fails.
    void WriteWhole(const std::function<void()>& AWrite);

    QString FPath;
    QFile FFile;
    QByteArray FInfoID; // the warcinfo record's
    std::unique_ptr<TGzipMember> FDeflate;
    QByteArray FPending; // compressed, not yet written
    QString FError;
};

} // namespace tarrow
