#include "tests/support/TestReplies.h"

#include <stdexcept>
#include <zlib.h>

namespace tarrow::test {

namespace {

bool Has(const THeaderList& AHeaders, QByteArrayView AName) {
    for (const auto& header : AHeaders)
        if (QByteArrayView(header.first).compare(AName, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QByteArray Compress(QByteArrayView AData, int AWindowBits) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, AWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    QByteArray out(qsizetype(deflateBound(&z, uLong(AData.size()))) + 32, Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(AData.data()));
    z.avail_in = uInt(AData.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const int ret = deflate(&z, Z_FINISH);
    out.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    if (ret != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    return out;
}

} // namespace

QByteArray ReasonPhrase(int ACode) {
    switch (ACode) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 300:
        return "Multiple Choices";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 305:
        return "Use Proxy";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

QByteArray ReplyBytes(int ACode, QByteArrayView AReason, const THeaderList& AHeaders,
                      QByteArrayView ABody) {
    QByteArray bytes =
        "HTTP/1.1 " + QByteArray::number(ACode) + ' ' + AReason.toByteArray() + "\r\n";
    for (const auto& header : AHeaders)
        bytes += header.first + ": " + header.second + "\r\n";
    if (!Has(AHeaders, "Content-Length") && !Has(AHeaders, "Transfer-Encoding"))
        bytes += "Content-Length: " + QByteArray::number(ABody.size()) + "\r\n";
    return bytes + "\r\n" + ABody.toByteArray();
}

TReply MakeReply(int ACode, QByteArrayView AReason, const THeaderList& AHeaders,
                 QByteArrayView ABody) {
    TReply reply;
    reply.Bytes = ReplyBytes(ACode, AReason, AHeaders, ABody);
    return reply;
}

TReply OkReply(QByteArrayView ABody, QByteArrayView AContentType) {
    return MakeReply(200, "OK", {{"Content-Type", AContentType.toByteArray()}}, ABody);
}

TReply Redirect(int ACode, QByteArrayView ALocation) {
    return MakeReply(ACode, ReasonPhrase(ACode), {{"Location", ALocation.toByteArray()}});
}

TReply ChunkedReply(const THeaderList& AHeaders, const QList<QByteArray>& AChunks) {
    THeaderList headers = AHeaders;
    headers.append(qMakePair(QByteArray("Transfer-Encoding"), QByteArray("chunked")));
    QByteArray body;
    for (const QByteArray& chunk : AChunks)
        body += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
    body += "0\r\n\r\n";
    return MakeReply(200, "OK", headers, body);
}

QByteArray GzipCompress(QByteArrayView AData) {
    return Compress(AData, 16 + MAX_WBITS);
}

QByteArray ZlibCompress(QByteArrayView AData) {
    return Compress(AData, MAX_WBITS);
}

} // namespace tarrow::test
