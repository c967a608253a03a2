#include "engine/uCharsetDecoder.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <string>

using namespace tarrow;
using namespace Qt::StringLiterals;

TEST(Charset, DecodesByNameAndFallsBackByteForByte) {
    const QByteArray cp1251("\xCF\xF0\xE8\xE2\xE5\xF2", 6); // "Привет"
    EXPECT_EQ(DecodeCharset(cp1251, QStringLiteral("windows-1251")), QStringLiteral("Привет"));
    EXPECT_EQ(DecodeCharset(cp1251, QStringLiteral("WINDOWS-1251")), QStringLiteral("Привет"));
    EXPECT_EQ(DecodeCharset(cp1251, QStringLiteral("no-such-charset")),
              QString::fromLatin1(cp1251));
    EXPECT_EQ(DecodeCharset(cp1251, QString()), QString::fromLatin1(cp1251));
    EXPECT_EQ(DecodeCharset(cp1251, QStringLiteral("utf-8//IGNORE")), QString::fromLatin1(cp1251));
    EXPECT_EQ(DecodeCharset(QByteArray("caf\xC3\xA9"), QStringLiteral("UTF-8")),
              QStringLiteral("café"));
    EXPECT_EQ(DecodeCharset(QByteArray("\xE9t\xE9"), QStringLiteral("iso-8859-1")),
              QStringLiteral("été"));
}

TEST(Charset, InvalidBytesBecomeReplacementCharacters) {
    // Shift_JIS: a valid pair, a lone lead byte in the middle, and a lead byte cut off at the end.
    const QByteArray sjis("\x82\xA0x\x81\xFFy\x82", 7);
    const QString text = DecodeCharset(sjis, QStringLiteral("Shift_JIS"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("あx")));
    EXPECT_TRUE(text.contains(u'y'));
    EXPECT_TRUE(text.endsWith(QChar(0xFFFD)));
    EXPECT_EQ(DecodeCharset(QByteArray("a\x80z"), QStringLiteral("us-ascii")),
              QStringLiteral("a\uFFFDz"));
    EXPECT_EQ(DecodeCharset(QByteArray(), QStringLiteral("windows-1251")), QString());
}

// Converters that hold characters back: a letter of windows-1258 or TCVN waits for a combining
// mark, and a TSCII byte stands for up to four characters. What they hold back at the end of the
// text or before a bad byte used to be lost, an expanding text that filled its buffer had its
// replacement character written past the end (an assertion in a debug build), and TSCII garbled
// characters whenever the output ran full mid-sequence.
namespace {

QString DecodeInOneGo(const QByteArray& ABody, const char* ACharset) {
    iconv_t conv = iconv_open("UTF-16LE", ACharset);
    std::u16string text(size_t(ABody.size()) * 4 + 64, u'\0');
    char* in = const_cast<char*>(ABody.constData());
    size_t inLeft = size_t(ABody.size());
    char* out = reinterpret_cast<char*>(text.data());
    size_t outLeft = text.size() * 2;
    iconv(conv, &in, &inLeft, &out, &outLeft);
    iconv(conv, nullptr, nullptr, &out, &outLeft);
    iconv_close(conv);
    text.resize(text.size() - outLeft / 2);
    return QString::fromStdU16String(text);
}

} // namespace

TEST(Charset, ConvertersThatHoldCharactersBack) {
    for (const char* charset : {"windows-1258", "TCVN5712-1"}) {
        SCOPED_TRACE(charset);
        EXPECT_EQ(DecodeCharset(QByteArray("xyz a"), QString::fromLatin1(charset)),
                  QStringLiteral("xyz a"));
    }
    EXPECT_EQ(DecodeCharset(QByteArray("ba\x8A"
                                       "c"),
                            QStringLiteral("windows-1258")),
              QStringLiteral("ba\uFFFDc"));

    const QByteArray expanding(9, '\x82');
    const QString valid = DecodeInOneGo(expanding, "TSCII");
    ASSERT_EQ(valid.size(), 36);
    EXPECT_EQ(DecodeCharset(expanding, QStringLiteral("TSCII")), valid);
    EXPECT_EQ(DecodeCharset(expanding + "\xA0x", QStringLiteral("TSCII")),
              valid + QChar(0xFFFD) + u'x');
    // A long text of every byte TSCII knows, in a fixed mixed order.
    QByteArray tamil;
    for (int i = 0; i < 20000; ++i) {
        const char b = char(0x80 + (i * 37) % 0x7F);
        if (b != '\xA0' && b != '\xFF')
            tamil.append(b).append(i % 5 == 0 ? " " : "");
    }
    EXPECT_EQ(DecodeCharset(tamil, QStringLiteral("TSCII")), DecodeInOneGo(tamil, "TSCII"));
}

// As browsers do: a byte-order mark decides before the label, and UTF-7, which would turn
// "+ADw-script+AD4-" into a live tag, is never used (the bytes read as they are). The mark is not
// part of the text.
TEST(Charset, AByteOrderMarkDecidesAndUTF7IsNeverUsed) {
    struct Row {
        QByteArray Bytes;
        const char* Label;
        QString Text;
    };
    const Row rows[] = {
        {QByteArray("\xFF\xFE@\0i\0\xE9\0", 8), "ISO-8859-1", u"@i\u00E9"_s},
        {QByteArray("\xFF\xFE@\0i\0", 6), "", u"@i"_s},
        {QByteArray("\xFE\xFF\0@\0i\x04\x10", 8), "windows-1252", u"@i\u0410"_s},
        {QByteArray("\xEF\xBB\xBF"
                    "caf\xC3\xA9"),
         "windows-1252", u"caf\u00E9"_s},
        {QByteArray("\xEF\xBB\xBF"
                    "caf\xC3\xA9"),
         "UTF-16", u"caf\u00E9"_s},
        {QByteArray("+ADw-script+AD4-"), "UTF-7", u"+ADw-script+AD4-"_s},
        {QByteArray("+ADw-script+AD4-"), "utf7", u"+ADw-script+AD4-"_s},
        {QByteArray("+ADw-script+AD4-"), "UNICODE-1-1-UTF-7", u"+ADw-script+AD4-"_s},
        {QByteArray("+ADw-script+AD4-"), "csUnicode11UTF7", u"+ADw-script+AD4-"_s},
        {QByteArray("+ADw-script+AD4-"), "UTF-7-IMAP", u"+ADw-script+AD4-"_s},
        // A mark cut short is no mark.
        {QByteArray("\xFF"
                    "a"),
         "ISO-8859-1", u"\u00FFa"_s},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Label);
        SCOPED_TRACE(row.Bytes.toHex().toStdString());
        EXPECT_EQ(DecodeCharset(row.Bytes, QString::fromLatin1(row.Label)), row.Text);
        QString text;
        ASSERT_TRUE(DecodePageText(row.Bytes, QString::fromLatin1(row.Label), 1000, text));
        EXPECT_EQ(text, row.Text);
    }
    EXPECT_EQ(ByteOrderMarkCharset("\xFF\xFE"), u"UTF-16LE"_s);
    EXPECT_EQ(ByteOrderMarkCharset("\xFE\xFF"), u"UTF-16BE"_s);
    EXPECT_EQ(ByteOrderMarkCharset("\xEF\xBB\xBF"), u"UTF-8"_s);
    EXPECT_EQ(ByteOrderMarkCharset("\xEF\xBB"), QString());
}
