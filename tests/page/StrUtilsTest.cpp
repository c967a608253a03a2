#include "base/uStrUtils.h"

#include <gtest/gtest.h>

using namespace tarrow;

namespace {

TEST(StrUtils, IsSpaceCharKnowsExactlyFourCharacters) {
    for (char16_t c : {u'\t', u'\n', u'\r', u' '})
        EXPECT_TRUE(IsSpaceChar(c)) << int(c);
    for (char16_t c : {u'\f', u'\v', char16_t(0xA0), char16_t(0x2028), char16_t(0), u'x'})
        EXPECT_FALSE(IsSpaceChar(QChar(c))) << int(c);
}

TEST(StrUtils, TryStrToIntReadsDecimalAndHexadecimal) {
    struct Row {
        const char16_t* Text;
        bool Ok;
        int32_t Value;
    };
    const Row rows[] = {
        {u"65", true, 65},
        {u"  65", true, 65},
        {u"+65", true, 65},
        {u"-65", true, -65},
        {u"00012", true, 12},
        {u"x41", true, 65},
        {u"X41", true, 65},
        {u"$41", true, 65},
        {u"0x41", true, 65},
        {u"0X4a", true, 74},
        {u"-$10", true, -16},
        {u"+x10", true, 16},
        {u"x000000041", true, 65}, // leading zeros do not count against the 32 bits
        {u"xFFFFFFFF", true, -1},  // a 32-bit pattern
        {u"x80000000", true, INT32_MIN},
        {u"2147483647", true, INT32_MAX},
        {u"-2147483648", true, INT32_MIN},
        {u"2147483648", false, 0},
        {u"-2147483649", false, 0},
        {u"99999999999999999999999", false, 0},
        {u"x100000000", false, 0},
        {u"", false, 0},
        {u"  ", false, 0},
        {u"+", false, 0},
        {u"--1", false, 0},
        {u"65 ", false, 0},
        {u"6 5", false, 0},
        {u"\t65", false, 0},
        {u"0x", false, 0},
        {u"x", false, 0},
        {u"$", false, 0},
        {u"41h", false, 0},
        {u"FF", false, 0},
        {u"1e3", false, 0},
        {u"x4G", false, 0},
        {u"\x0661", false, 0}, // an Arabic-Indic digit is not a digit here
    };
    for (const Row& row : rows) {
        const QString text = QString::fromUtf16(row.Text);
        SCOPED_TRACE(text.toStdString());
        int32_t value = 12345;
        EXPECT_EQ(TryStrToInt(text, value), row.Ok);
        EXPECT_EQ(value, row.Ok ? row.Value : 12345); // untouched on failure
    }
}

} // namespace

TEST(StrUtils, EscapeLogControlsEscapesEveryControlAndKeepsOtherText) {
    struct Row {
        QString In;
        QString Out;
    };
    const Row rows[] = {
        {QStringLiteral("plain line"), QStringLiteral("plain line")},
        {QStringLiteral("a\nSaving: /etc/x"), QStringLiteral("a%0ASaving: /etc/x")},
        {QStringLiteral("cr\rlf\n"), QStringLiteral("cr%0Dlf%0A")},
        {QStringLiteral("esc\x1b[2J"), QStringLiteral("esc%1B[2J")},
        {QStringLiteral("tab\tnul") + QChar(0) + QStringLiteral("x"),
         QStringLiteral("tab%09nul%00x")},
        {QStringLiteral("del") + QChar(0x7F), QStringLiteral("del%7F")},
        {QStringLiteral("c1") + QChar(0x85) + QChar(0x9B) + QChar(0x9F),
         QStringLiteral("c1%85%9B%9F")},
        {QString::fromUtf8("keep \xC2\xA0\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 100%"),
         QString::fromUtf8("keep \xC2\xA0\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 100%")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.In.toStdString());
        EXPECT_EQ(EscapeLogControls(row.In), row.Out);
    }
}
