#include "engine/uWarcWriter.h"

#include "base/uVersion.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QUuid>
#include <zlib.h>

namespace tarrow {

namespace {

constexpr int kOutChunk = 64 * 1024;

QByteArray Base32(QByteArrayView ABytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
    QByteArray out;
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : ABytes) {
        buffer = (buffer << 8) | static_cast<unsigned char>(c);
        bits += 8;
        while (bits >= 5) {
            out.append(alphabet[(buffer >> (bits - 5)) & 31]);
            bits -= 5;
        }
    }
    if (bits > 0)
        out.append(alphabet[(buffer << (5 - bits)) & 31]);
    while (out.size() % 8 != 0)
        out.append('=');
    return out;
}

QByteArray NewRecordID() {
    return "<urn:uuid:" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '>';
}

QByteArray WarcDate(const QDateTime& ATime) {
    return ATime.toUTC().toString(Qt::ISODate).toLatin1();
}

QByteArrayView HeaderName(QByteArrayView ALine) {
    const qsizetype colon = ALine.indexOf(':');
    return colon < 0 ? QByteArrayView() : ALine.first(colon).trimmed();
}

bool IsName(QByteArrayView ALine, const char* AName) {
    return HeaderName(ALine).compare(QByteArrayView(AName), Qt::CaseInsensitive) == 0;
}

// The first line of AHead and the lines after it, each with its line break.
QList<QByteArrayView> HeadLines(QByteArrayView AHead) {
    QList<QByteArrayView> lines;
    while (!AHead.isEmpty()) {
        const qsizetype end = AHead.indexOf('\n');
        const qsizetype length = end < 0 ? AHead.size() : end + 1;
        lines.append(AHead.first(length));
        AHead = AHead.sliced(length);
    }
    return lines;
}

bool IsBlank(QByteArrayView ALine) {
    return ALine == "\r\n" || ALine == "\n";
}

// The reply head as an HTTP/1.1 message of the stored body: a head that did not come as HTTP/1
// text gets an HTTP/1.1 status line, and a body that came in chunks or with HTTP/2 framing is
// stored whole, so its length is given instead of its framing.
QByteArray WarcReplyHead(const TWireExchange& AExchange) {
    const QList<QByteArrayView> lines = HeadLines(AExchange.ReplyHead);
    bool chunked = false;
    for (const QByteArrayView line : lines)
        chunked = chunked || IsName(line, "Transfer-Encoding");
    const bool reframe = chunked || AExchange.HTTP2;
    if (!reframe || lines.isEmpty())
        return AExchange.ReplyHead;
    QByteArray head;
    if (AExchange.HTTP2) {
        const QByteArray status = AExchange.StatusLine.toUtf8();
        const qsizetype space = status.indexOf(' ');
        head = "HTTP/1.1" + (space < 0 ? QByteArray(" ") + QByteArray::number(AExchange.Code)
                                       : status.sliced(space));
        head.append("\r\n");
    } else {
        head = lines.first().toByteArray();
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayView line = lines[i];
        if (IsBlank(line))
            break;
        if (!IsName(line, "Transfer-Encoding") && !IsName(line, "Content-Length"))
            head.append(line);
    }
    head.append("Content-Length: " + QByteArray::number(AExchange.Body.size()) + "\r\n\r\n");
    return head;
}

// The request head with an HTTP/1.1 request line when it went out as HTTP/2 or 3.
QByteArray WarcRequestHead(const TWireExchange& AExchange) {
    QByteArray head = AExchange.Request;
    const qsizetype end = head.indexOf("\r\n");
    if (end < 0)
        return head;
    const qsizetype space = head.lastIndexOf(' ', end);
    if (space < 0)
        return head;
    const QByteArrayView version = QByteArrayView(head).sliced(space + 1, end - space - 1);
    if (version.startsWith("HTTP/2") || version.startsWith("HTTP/3"))
        head.replace(space + 1, end - space - 1, "HTTP/1.1");
    return head;
}

qsizetype BlockSize(std::initializer_list<QByteArrayView> ABlock) {
    qsizetype size = 0;
    for (const QByteArrayView part : ABlock)
        size += part.size();
    return size;
}

} // namespace

// One deflate stream for every record: each record starts it afresh as a gzip member of its own,
// without allocating and clearing its tables again.
class TWarcWriter::TGzipMember final {
public:
    TGzipMember() {
        // Fast, with a small hash table: most records are a few kilobytes, and each start clears
        // the table.
        if (deflateInit2(&FStream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 6, Z_DEFAULT_STRATEGY) !=
            Z_OK)
            throw EWarcError(QStringLiteral("Cannot start a compressed record."));
    }
    ~TGzipMember() { deflateEnd(&FStream); }
    TGzipMember(const TGzipMember&) = delete;
    TGzipMember& operator=(const TGzipMember&) = delete;

    void Begin() { deflateReset(&FStream); }
    // Compresses AData (finishing the member when AFinish), handing each piece to AOut.
    template <typename F> void Put(QByteArrayView AData, bool AFinish, F AOut) {
        char out[kOutChunk];
        FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(AData.data()));
        FStream.avail_in = uInt(AData.size());
        int result = Z_OK;
        do {
            FStream.next_out = reinterpret_cast<Bytef*>(out);
            FStream.avail_out = sizeof(out);
            result = deflate(&FStream, AFinish ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR)
                throw EWarcError(QStringLiteral("Cannot compress a record."));
            AOut(out, qsizetype(sizeof(out) - FStream.avail_out));
        } while (FStream.avail_out == 0 || (AFinish && result != Z_STREAM_END));
    }

private:
    z_stream FStream{};
};

QByteArray WarcDigest(std::initializer_list<QByteArrayView> AParts) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QByteArrayView part : AParts)
        hash.addData(part);
    return "sha1:" + Base32(hash.result());
}

TWarcWriter::TWarcWriter(const QString& APath, const QString& AProjectName)
    : FPath(APath), FFile(APath), FInfoID(NewRecordID()),
      FDeflate(std::make_unique<TGzipMember>()) {
    const QString folder = QFileInfo(APath).absolutePath();
    // Unbuffered: a full disk shows at the record it stops, not at a later flush.
    if (!QDir().mkpath(folder) ||
        !FFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw EWarcError(
            QStringLiteral("Cannot create WARC file %1: %2").arg(APath, FFile.errorString()));
    const QByteArray fields =
        "software: " + QByteArray(TarrowUserAgent) +
        "\r\nformat: WARC File Format 1.1\r\n"
        "conformsTo: http://iipc.github.io/warc-specifications/specifications/warc-format/"
        "warc-1.1/\r\nisPartOf: " +
        AProjectName.toUtf8() + "\r\n";
    const QByteArray headers = "WARC-Type: warcinfo\r\nWARC-Record-ID: " + FInfoID +
                               "\r\nWARC-Date: " + WarcDate(QDateTime::currentDateTimeUtc()) +
                               "\r\nWARC-Filename: " + QFileInfo(APath).fileName().toUtf8() +
                               "\r\nContent-Type: application/warc-fields\r\n";
    try {
        WriteWhole([&] { WriteRecord(headers, {fields}); });
    } catch (const std::exception& E) {
        throw EWarcError(
            QStringLiteral("Cannot write WARC file %1: %2").arg(APath, ExceptionMessage(E)));
    }
}

TWarcWriter::~TWarcWriter() = default;

void TWarcWriter::Record(const TWireExchange& AExchange) noexcept {
    if (!FError.isEmpty())
        return;
    try {
        WriteWhole([&] { WriteExchange(AExchange); });
    } catch (const std::exception& E) {
        if (FError.isEmpty())
            FError =
                QStringLiteral("Cannot write WARC file %1: %2").arg(FPath, ExceptionMessage(E));
    }
}

void TWarcWriter::CheckWritten() const {
    if (!FError.isEmpty())
        throw EWarcError(FError);
}

void TWarcWriter::WriteExchange(const TWireExchange& AExchange) {
    const QByteArray responseID = NewRecordID();
    const QByteArray requestID = AExchange.Request.isEmpty() ? QByteArray() : NewRecordID();
    const QByteArray common = "WARC-Warcinfo-ID: " + FInfoID +
                              "\r\nWARC-Date: " + WarcDate(AExchange.Time) +
                              "\r\nWARC-Target-URI: " + AExchange.URL + "\r\n" +
                              (AExchange.IPAddress.isEmpty()
                                   ? QByteArray()
                                   : "WARC-IP-Address: " + AExchange.IPAddress.toLatin1() + "\r\n");
    if (!requestID.isEmpty()) {
        const QByteArray head = WarcRequestHead(AExchange);
        WriteRecord("WARC-Type: request\r\nWARC-Record-ID: " + requestID + "\r\n" + common +
                        "WARC-Concurrent-To: " + responseID +
                        "\r\nWARC-Block-Digest: " + WarcDigest({head}) +
                        "\r\nContent-Type: application/http;msgtype=request\r\n",
                    {head});
    }
    const QByteArray head = WarcReplyHead(AExchange);
    const QByteArray concurrent =
        requestID.isEmpty() ? QByteArray() : "WARC-Concurrent-To: " + requestID + "\r\n";
    if (AExchange.Code == 304) {
        // Not modified: the server's word that the copy it was asked about still holds.
        WriteRecord("WARC-Type: revisit\r\nWARC-Record-ID: " + responseID + "\r\n" + common +
                        concurrent +
                        "WARC-Profile: http://netpreserve.org/warc/1.1/revisit/"
                        "server-not-modified\r\nWARC-Block-Digest: " +
                        WarcDigest({head, AExchange.Body}) +
                        "\r\nContent-Type: application/http;msgtype=response\r\n",
                    {head, AExchange.Body});
        return;
    }
    WriteRecord("WARC-Type: response\r\nWARC-Record-ID: " + responseID + "\r\n" + common +
                    concurrent + "WARC-Block-Digest: " + WarcDigest({head, AExchange.Body}) +
                    "\r\nWARC-Payload-Digest: " + WarcDigest({AExchange.Body}) +
                    "\r\nContent-Type: application/http;msgtype=response\r\n",
                {head, AExchange.Body});
}

void TWarcWriter::WriteRecord(const QByteArray& AHeaders,
                              std::initializer_list<QByteArrayView> ABlock) {
    TGzipMember& member = *FDeflate;
    member.Begin();
    const auto out = [this](const char* AData, qsizetype ASize) { WriteBytes(AData, ASize); };
    member.Put("WARC/1.1\r\n" + AHeaders +
                   "Content-Length: " + QByteArray::number(BlockSize(ABlock)) + "\r\n\r\n",
               false, out);
    for (const QByteArrayView part : ABlock)
        member.Put(part, false, out);
    member.Put("\r\n\r\n", true, out);
}

void TWarcWriter::WriteBytes(const char* AData, qsizetype ASize) {
    FPending.append(AData, ASize);
    if (FPending.size() >= kOutChunk * 16)
        WritePending();
}

void TWarcWriter::WritePending() {
    const qsizetype size = FPending.size();
    const bool written = size == 0 || FFile.write(FPending.constData(), size) == size;
    FPending.truncate(0);
    if (!written)
        throw EWarcError(FFile.errorString());
}

void TWarcWriter::WriteWhole(const std::function<void()>& AWrite) {
    const qint64 start = FFile.pos();
    try {
        AWrite();
        WritePending();
    } catch (const std::exception&) {
        // What was written of it is taken back, so the file ends with whole records.
        FPending.truncate(0);
        FFile.resize(start);
        throw;
    }
}

} // namespace tarrow
