// The WARC writer on its own: heads that did not come as HTTP/1 text, or with a chunked body, are
// written as the HTTP/1.1 message of the body as stored; the rest exactly as received.

#include "engine/uWarcWriter.h"

#include "tests/support/WarcReader.h"

#include <QTemporaryDir>

namespace tarrow::test {

using namespace Qt::StringLiterals;

TEST(WarcWriter, DigestsAreSha1InBase32) {
    // The digest every WARC tool gives an empty payload.
    EXPECT_EQ(WarcDigest({}), "sha1:3I42H3S6NNFQ2MSVX7XZKYAYSCX5QBYJ");
    EXPECT_EQ(WarcDigest({"ab", "c"}), WarcDigest({"abc"}));
}

TEST(WarcWriter, HeadsAreWrittenAsTheHTTP11MessageOfTheStoredBody) {
    if (!HaveWarcReader())
        GTEST_SKIP() << "no Python 3 to read the WARC file with";
    struct TRow {
        const char* Name;
        bool HTTP2;
        QByteArray Request, ReplyHead, StatusLine, Body;
        QByteArray ExpectedRequest, ExpectedReplyHead;
    };
    const TRow rows[] = {
        {"as received", false, "GET /a HTTP/1.1\r\nHost: h\r\n\r\n",
         "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n\r\n",
         "HTTP/1.1 200 OK", "abc", "GET /a HTTP/1.1\r\nHost: h\r\n\r\n",
         "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n\r\n"},
        {"chunked", false, "GET /b HTTP/1.1\r\nHost: h\r\n\r\n",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Type: text/css\r\n\r\n",
         "HTTP/1.1 200 OK", "p{}\n", "GET /b HTTP/1.1\r\nHost: h\r\n\r\n",
         "HTTP/1.1 200 OK\r\nContent-Type: text/css\r\nContent-Length: 4\r\n\r\n"},
        {"HTTP/2", true, "GET /c HTTP/2\r\nHost: h\r\naccept: */*\r\n\r\n",
         "HTTP/2 404 \r\ncontent-type: text/html\r\n\r\n", "HTTP/2 404 Not Found", "gone",
         "GET /c HTTP/1.1\r\nHost: h\r\naccept: */*\r\n\r\n",
         "HTTP/1.1 404 Not Found\r\ncontent-type: text/html\r\nContent-Length: 4\r\n\r\n"},
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(u"w.warc.gz"_s);
    {
        TWarcWriter writer(path, u"P"_s);
        for (const TRow& row : rows) {
            TWireExchange exchange;
            exchange.URL = "http://h/" + QByteArray(row.Name);
            exchange.Request = row.Request;
            exchange.ReplyHead = row.ReplyHead;
            exchange.StatusLine = QString::fromLatin1(row.StatusLine);
            exchange.Code = row.StatusLine.split(' ')[1].toInt();
            exchange.Body = row.Body;
            exchange.HTTP2 = row.HTTP2;
            exchange.Time = QDateTime::currentDateTimeUtc();
            writer.Record(exchange);
        }
        writer.CheckWritten();
    }
    const QList<QJsonObject> records = ReadWarc(path);
    ASSERT_EQ(records.size(), 1 + 2 * std::size(rows));
    for (qsizetype i = 0; i < qsizetype(std::size(rows)); ++i) {
        const TRow& row = rows[i];
        SCOPED_TRACE(row.Name);
        const QJsonObject& request = records[1 + 2 * i];
        const QJsonObject& reply = records[2 + 2 * i];
        EXPECT_EQ(request.value(u"http-head").toString().toLatin1(), row.ExpectedRequest);
        EXPECT_EQ(reply.value(u"http-head").toString().toLatin1(), row.ExpectedReplyHead);
        EXPECT_EQ(WarcPayload(reply), row.Body);
        EXPECT_FALSE(reply.contains(u"WARC-IP-Address")); // none known, none written
    }
}

} // namespace tarrow::test
