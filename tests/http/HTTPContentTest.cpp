// Content-Type, charsets, meta declarations and body decoding, as tables.
#include "http/uHTTPContent.h"
#include "tests/support/TestReplies.h"

#include <gtest/gtest.h>

using namespace tarrow;
using namespace tarrow::test;

namespace {

TEST(ParseContentType, CharsetParameterRemoved) {
    struct TRow {
        const char16_t* Value;
        const char16_t* MediaType;
        const char16_t* Charset;
    };
    const TRow rows[] = {
        {u"text/html", u"text/html", u""},
        {u"text/html; charset=UTF-8", u"text/html", u"UTF-8"},
        {u"text/html;charset=\"windows-1251\"", u"text/html", u"windows-1251"},
        {u" text/html ; CHARSET = koi8-r ", u"text/html", u"koi8-r"},
        {u"text/plain; format=flowed; charset=utf-8", u"text/plain; format=flowed", u"utf-8"},
        {u"multipart/mixed; boundary=\"a;b\"", u"multipart/mixed; boundary=\"a;b\"", u""},
        {u"", u"", u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Value).toStdString());
        const TContentType type = ParseContentType(QString::fromUtf16(row.Value));
        EXPECT_EQ(type.MediaType, QString::fromUtf16(row.MediaType));
        EXPECT_EQ(type.Charset, QString::fromUtf16(row.Charset));
    }
}

TEST(DefaultCharset, TextTypesOnly) {
    struct TRow {
        const char16_t* MediaType;
        const char16_t* Charset;
    };
    const TRow rows[] = {
        {u"text/html", u"ISO-8859-1"},
        {u"TEXT/Plain", u"ISO-8859-1"},
        {u"text/css; x=y", u"ISO-8859-1"},
        {u"text/xml", u"us-ascii"},
        {u"text/xml-external-parsed-entity", u"us-ascii"},
        {u"text/svg+xml", u"us-ascii"},
        {u"text/xmlish", u"ISO-8859-1"},
        {u"application/xml", u""},
        {u"application/xhtml+xml", u""},
        {u"image/png", u""},
        {u"", u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.MediaType).toStdString());
        EXPECT_EQ(DefaultCharset(QString::fromUtf16(row.MediaType)),
                  QString::fromUtf16(row.Charset));
    }
    EXPECT_TRUE(IsHTMLMediaType(QStringLiteral("text/html")));
    EXPECT_TRUE(IsHTMLMediaType(QStringLiteral("Text/HTML; level=1")));
    EXPECT_TRUE(IsHTMLMediaType(QStringLiteral("text/html-sandboxed")));
    EXPECT_TRUE(IsHTMLMediaType(QStringLiteral("application/xhtml+xml")));
    EXPECT_FALSE(IsHTMLMediaType(QStringLiteral("text/plain")));
    EXPECT_FALSE(IsHTMLMediaType(QStringLiteral("application/xml")));
}

TEST(ReadMetaDeclaration, HttpEquivAndCharset) {
    struct TRow {
        const char* Body;
        const char16_t* ContentType;
        const char16_t* Charset;
    };
    const TRow rows[] = {
        {"<html><head><meta charset=\"utf-8\"></head>", u"", u"utf-8"},
        {"<META CHARSET=windows-1251>", u"", u"windows-1251"},
        {"<meta charset='koi8-r'/>", u"", u"koi8-r"},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">",
         u"text/html", u"Shift_JIS"},
        {"<meta content='application/xhtml+xml' http-equiv='content-type'>",
         u"application/xhtml+xml", u""},
        // The first declaration of each counts.
        {"<meta charset=a><meta charset=b>", u"", u"a"},
        {"<meta http-equiv=Content-Type content=\"text/plain; charset=x\"><meta charset=y>",
         u"text/plain", u"x"},
        // Other metas, comments and the body are not read.
        {"<meta name=description content=\"text/html; charset=no\">", u"", u""},
        {"<!-- <meta charset=no> --><meta charset=yes>", u"", u"yes"},
        {"</head><meta charset=late>", u"", u""},
        {"<body><meta charset=late>", u"", u""},
        {"<metadata charset=no>", u"", u""},
        {"<bodyx><meta charset=ok>", u"", u"ok"},
        // Broken markup ends the scan without harm.
        {"<meta charset=\"unterminated", u"", u"unterminated"},
        {"<meta http-equiv=content-type content=", u"", u""},
        {"<meta", u"", u""},
        {"", u"", u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Body);
        const TMetaDeclaration meta = ReadMetaDeclaration(row.Body, qsizetype(strlen(row.Body)));
        EXPECT_EQ(meta.ContentType, QString::fromUtf16(row.ContentType));
        EXPECT_EQ(meta.Charset, QString::fromUtf16(row.Charset));
    }
}

TEST(DecodeContent, ExactCodingNamesAndSwallowedFailures) {
    const QByteArray text = QByteArray("<p>") + QByteArray(20000, 'x') + "</p>";
    const QByteArray gzip = GzipCompress(text);
    const QByteArray zlib = ZlibCompress(text);
    QByteArray badCRC = gzip;
    badCRC[badCRC.size() - 6] = char(badCRC[badCRC.size() - 6] ^ 0x55);
    struct TRow {
        const char* Name;
        QByteArray Body;
        const char16_t* Coding;
        QByteArray Expected;
    };
    const TRow rows[] = {
        {"gzip", gzip, u"gzip", text},
        {"deflate", zlib, u"deflate", text},
        {"gzip with trailing bytes", gzip + "junk", u"gzip", text},
        {"no coding", text, u"", text},
        {"x-gzip is copied", gzip, u"x-gzip", gzip},
        {"upper case is copied", gzip, u"GZIP", gzip},
        {"a list is copied", gzip, u"gzip, deflate", gzip},
        {"br is copied", "abc", u"br", "abc"},
        {"not gzip at all", text, u"gzip", ""},
        {"gzip named deflate", gzip, u"deflate", ""},
        {"raw deflate is not a zlib stream", zlib.mid(2), u"deflate", ""},
        {"empty gzip body", "", u"gzip", ""},
        // What was decoded before the failure stays.
        {"bad CRC keeps the data", badCRC, u"gzip", text},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        QByteArray out("prefix:");
        DecodeContent(row.Body, QString::fromUtf16(row.Coding), out);
        EXPECT_EQ(out, "prefix:" + row.Expected);
    }

    QByteArray out;
    DecodeContent(gzip.left(gzip.size() / 2), QStringLiteral("gzip"), out);
    EXPECT_FALSE(out.isEmpty());
    EXPECT_TRUE(text.startsWith(out));
}

TEST(DecodeContent, DecompressedSizeHasACeiling) {
    const QByteArray bomb = GzipCompress(QByteArray(4 << 20, '\0'));
    QByteArray out;
    try {
        DecodeContent(bomb, QStringLiteral("gzip"), out, 1 << 20);
        FAIL() << "no error";
    } catch (const EContentTooLarge& E) {
        EXPECT_EQ(E.Message(),
                  QStringLiteral("Decompressed content exceeds the limit of 1048576 bytes"));
    }
    EXPECT_EQ(out.size(), 1 << 20);

    out.clear();
    DecodeContent(bomb, QStringLiteral("gzip"), out, 4 << 20);
    EXPECT_EQ(out.size(), 4 << 20);
}

} // namespace
