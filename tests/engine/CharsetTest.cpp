#include "engine/uCharsetDecoder.h"

#include <gtest/gtest.h>

using namespace tarrow;

TEST(Charset, DecodesByNameAndFallsBackByteForByte) {
    const QByteArray cp1251("\xCF\xF0\xE8\xE2\xE5\xF2", 6); // "Привет"
    EXPECT_EQ(DecodeCharset(cp1251, QStringLiteral("windows-1251")), QStringLiteral("Привет"));
    EXPECT_EQ(DecodeCharset(cp1251, QStringLiteral("WINDOWS-1251")), QStringLiteral("Привет"));
    EXPECT_EQ(DecodeCharset(cp1251, QStringLiteral("no-such-charset")), QString::fromLatin1(cp1251));
    EXPECT_EQ(DecodeCharset(cp1251, QString()), QString::fromLatin1(cp1251));
    EXPECT_EQ(DecodeCharset(cp1251, QStringLiteral("utf-8//IGNORE")), QString::fromLatin1(cp1251));
    EXPECT_EQ(DecodeCharset(QByteArray("caf\xC3\xA9"), QStringLiteral("UTF-8")), QStringLiteral("café"));
    EXPECT_EQ(DecodeCharset(QByteArray("\xE9t\xE9"), QStringLiteral("iso-8859-1")), QStringLiteral("été"));
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
