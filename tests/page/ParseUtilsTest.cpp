#include "page/uParseUtils.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

const QStringList LinkNames{QStringLiteral("a"), QStringLiteral("img")};

TEST(ParseUtils, SameTextAtComparesRangesIgnoringAsciiCase) {
    struct Row {
        const char16_t* S1;
        const char16_t* S2;
        qsizetype Count, Pos1, Pos2;
        bool Same;
    };
    const Row rows[] = {
        {u"xABCy", u"abc", 3, 2, 1, true},
        {u"abc", u"abd", 3, 1, 1, false},
        {u"abc", u"", 0, 1, 1, true},
        {u"ab", u"ab", 0, 3, 1, true},    // one past the end: the empty range still fits
        {u"ab", u"ab", 0, 4, 1, false},   // two past the end
        {u"abc", u"bcd", 3, 2, 1, false}, // ends beyond S1 although "bc" matches
        {u"abc", u"bc", 2, 2, 1, true},
        {u"\u00C9", u"\u00E9", 1, 1, 1, false}, // non-ASCII letters match exactly only
        {u"[", u"{", 1, 1, 1, false},           // 0x5B and 0x7B differ by 0x20 but are no letters
        {u"abc", u"abc", 1, 0, 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.S1).toStdString() + " / " +
                     QString::fromUtf16(row.S2).toStdString());
        EXPECT_EQ(SameTextAt(QString::fromUtf16(row.S1), QString::fromUtf16(row.S2), row.Count,
                             row.Pos1, row.Pos2),
                  row.Same);
    }
}

TEST(ParseUtils, FindTagFindsOpeningTagsOfTheListOnly) {
    struct Row {
        const char16_t* Text;
        qsizetype StartPos;
        qsizetype Pos;
        int32_t Index;
    };
    const Row rows[] = {
        {u"x<A HREF=\"p\">", 1, 2, 0},
        {u"<abbr>", 1, 0, -1},
        {u"</a>", 1, 0, -1},
        {u"<a", 1, 0, -1}, // the character after the name is missing
        {u"x<img", 1, 0, -1},
        {u"<img/>", 1, 1, 1},
        {u"<IMG\tsrc=x>", 1, 1, 1},
        {u"<a\n>", 1, 1, 0},
        {u"<a><img>", 2, 4, 1},
        {u"<a><img>", 5, 0, -1},
        {u"<!-- <a href=x> -->", 1, 6, 0}, // comments get no special treatment
        {u"< a>", 1, 0, -1},
        {u"", 1, 0, -1},
        {u"<a>", 0, 1, 0}, // a start before the text begins at its first character
        {u"<a>", 99, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Text).toStdString());
        int32_t index = -1;
        EXPECT_EQ(FindTag(QString::fromUtf16(row.Text), LinkNames, index, row.StartPos), row.Pos);
        EXPECT_EQ(index, row.Index);
    }
}

TEST(ParseUtils, FindTagEndIgnoresQuotes) {
    const QString tag = u"<a title=\"x>y\" href=\"z\">"_s;
    EXPECT_EQ(FindTagEnd(tag, 1), 12);
    EXPECT_EQ(FindTagEnd(tag, 13), tag.size());
    EXPECT_EQ(FindTagEnd(tag, tag.size() + 1), 0);
    EXPECT_EQ(FindTagEnd(u"<a href=x"_s, 1), 0);
}

TEST(ParseUtils, FindCloseTagBalancesNestedElements) {
    struct Row {
        const char16_t* Text;
        const char16_t* Name;
        qsizetype StartPos;
        qsizetype Pos;
    };
    const Row rows[] = {
        {u"<script>a<script>b</script>c</script>", u"script", 9, 29},
        {u"<script>x</script >y</SCRIPT>", u"script", 9, 21},
        {u"<script><script/></script>", u"script", 9, 18}, // a self-closed tag does not nest
        {u"<script><script\tsrc=x></script></script>", u"script", 9, 32},
        {u"<noscript>a</div></noscript>", u"noscript", 11, 18},
        {u"<script>x</scrip>", u"script", 9, 0},
        {u"<script>x</script", u"script", 9, 0},
        {u"<script>a<script>b</script>", u"script", 9, 0},
        {u"</script>", u"script", 1, 1},
        {u"</script>", u"script", 2, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Text).toStdString());
        EXPECT_EQ(
            FindCloseTag(QString::fromUtf16(row.Text), QString::fromUtf16(row.Name), row.StartPos),
            row.Pos);
    }
}

TEST(ParseUtils, FindAttrValueReadsQuotedUnquotedAndEscapedValues) {
    struct Row {
        const char16_t* Tag;
        const char16_t* Attr;
        qsizetype Start; // 0: not found
        qsizetype End;
        char16_t Quote;
        const char16_t* Value; // GetAttrValue
    };
    const Row rows[] = {
        {u"<a href = 'y' >", u"href", 12, 13, u'\'', u"y"},
        {u"<a hReF=x>", u"href", 9, 10, 0, u"x"},
        {u"<a data-href=\"q\" href=\"r\">", u"href", 24, 25, u'"', u"r"},
        {u"<a download href=\"z\">", u"href", 19, 20, u'"', u"z"},
        {u"<a b c  href='v'>", u"href", 15, 16, u'\'', u"v"},
        {u"<a x=1 href=2>", u"href", 13, 14, 0, u"2"},
        {u"<a x=\"1\"href=\"2\">", u"href", 15, 16, u'"', u"2"},
        {u"<a x=\"a>b\" href=\"c\">", u"href", 18, 19, u'"', u"c"},
        {u"<img alt=a/b src=pic.png>", u"src", 18, 25, 0, u"pic.png"},
        {u"<script src=\\\"/js/app.js\\\">", u"src", 15, 25, u'\\', u"/js/app.js"},
        {u"<a href=\\\"a\\\\b\\\" x>", u"href", 11, 15, u'\\', u"a\\b"},
        {u"<a href=\"\">", u"href", 10, 10, u'"', u""},
        {u"<a class=foo href=/abs>", u"href", 0, 0, 0, u""},
        {u"<a href=>", u"href", 0, 0, 0, u""},
        {u"<a href=\"open>", u"href", 0, 0, 0, u""},
        {u"<a/href=\"x\">", u"href", 0, 0, 0, u""},
        {u"<a>", u"href", 0, 0, 0, u""},
        {u"<a title=x/>", u"href", 0, 0, 0, u""},
        {u"<a href=x", u"href", 0, 0, 0, u""},       // runs off the end
        {u"<a href=\\\"x\\", u"href", 0, 0, 0, u""}, // a final lone backslash
        {u"<a href", u"href", 0, 0, 0, u""},
        {u"<a hrefx=\"1\">", u"href", 0, 0, 0, u""},
        {u"<a ", u"href", 0, 0, 0, u""},
    };
    for (const Row& row : rows) {
        const QString tag = QString::fromUtf16(row.Tag);
        SCOPED_TRACE(tag.toStdString());
        qsizetype end = -7;
        QChar quote(u'?');
        const qsizetype start = FindAttrValue(tag, QString::fromUtf16(row.Attr), end, quote, 1);
        EXPECT_EQ(start, row.Start);
        EXPECT_EQ(end, row.Start ? row.End : -7);
        EXPECT_EQ(quote, row.Start ? QChar(row.Quote) : QChar(u'?'));
        EXPECT_EQ(GetAttrValue(tag, QString::fromUtf16(row.Attr), 1),
                  QString::fromUtf16(row.Value));
    }
}

TEST(ParseUtils, FindAttrValueStartsWhereTheTagBegins) {
    const QString text = u"xx<a href=\"p\"><a href=\"q\">"_s;
    qsizetype end = 0;
    QChar quote;
    EXPECT_EQ(FindAttrValue(text, u"href", end, quote, 3), 12);
    EXPECT_EQ(FindAttrValue(text, u"href", end, quote, 15), 24);
    EXPECT_EQ(FindAttrValue(text, u"href", end, quote, text.size() + 1), 0);
}

TEST(ParseUtils, DecodeAttrValueDecodesEachReferenceOnce) {
    struct Row {
        const char16_t* Text;
        char16_t Quote;
        const char16_t* Decoded;
    };
    const Row rows[] = {
        {u"a&amp;amp;b&#65;&#x42;&#$43;&NBSP;&Quot;&gt&lt;", u'"', u"a&amp;bABC \"&gt<"},
        {u"&#128512;", u'"', u"\uF600"}, // the low 16 bits
        {u"&#;x&#65 ;", 0, u"&#;x&#65 ;"},
        {u"&# 65;&#X41;&#-1;", 0, u"AA\uFFFF"},
        {u"&&amp;", 0, u"&&"},
        {u"&amp", 0, u"&amp"},
        {u"&copy;&apos;&;", 0, u"&copy;&apos;&;"},
        {u"x&#x1F600;y", u'\'', u"x\uF600y"},
        {u"&#99999999999;", 0, u"&#99999999999;"},
        {u"a\\\"b&amp;\\u0041", u'\\', u"a\"b&A"},
        {u"&amp;lt;", u'\\', u"&lt;"},
    };
    for (const Row& row : rows) {
        const QString text = QString::fromUtf16(row.Text);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(DecodeAttrValue(text, 1, text.size(), QChar(row.Quote)),
                  QString::fromUtf16(row.Decoded));
    }
    EXPECT_EQ(DecodeAttrValue(u"xa&amp;b", 2, 99, QChar(u'"')), u"a&b"_s); // fewer at the end
    EXPECT_EQ(DecodeAttrValue(u"abc", 4, 1, QChar(u'"')), QString());
    EXPECT_EQ(DecodeAttrValue(u"abc", 0, 2, QChar(u'"')), QString());
}

TEST(ParseUtils, UnescapeBackslashesDecodesEscapeSequences) {
    struct Row {
        const char16_t* Text;
        const char16_t* Unescaped;
    };
    const Row rows[] = {
        {u"a\\x41\\u0042\\101\\8\\0\\q\\", u"aABA\u0008q"},
        {u"\\r\\n\\t", u"\r\n\t"},
        {u"\\\"\\\\\\/", u"\"\\/"},
        {u"\\xZ", u"Z"},
        {u"\\x00\\u0000", u""},
        {u"\\x4g", u"\u0004g"},
        {u"\\u00410", u"A0"},
        {u"\\uD83D\\uDE00", u"\U0001F600"},
        {u"\\377", u"\u00FF"},
        {u"\\777", u""}, // 511 is out of range
        {u"\\18", u"\u00018"},
        {u"\\9", u"\u0009"},
        {u"plain", u"plain"},
        {u"\\", u""},
    };
    for (const Row& row : rows) {
        const QString text = QString::fromUtf16(row.Text);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(UnescapeBackslashes(text, 1, text.size()), QString::fromUtf16(row.Unescaped));
    }
    // Digits are read only within the range.
    EXPECT_EQ(UnescapeBackslashes(u"\\x41", 1, 3), QString(QChar(4)));
    EXPECT_EQ(UnescapeBackslashes(u"ab\\", 1, 3), u"ab"_s);
    EXPECT_EQ(UnescapeBackslashes(u"ab\\n", 2, 99), u"b\n"_s);
    EXPECT_EQ(UnescapeBackslashes(u"abc", 0, 2), QString());
    EXPECT_EQ(UnescapeBackslashes(u"abc", 1, 0), QString());
    EXPECT_EQ(UnescapeBackslashes(u"abc", 4, 1), QString());
}

// Hostile input: the scanner must stay within its text and never hang, whatever it is given.
TEST(ParseUtils, ScannerSurvivesEveryPrefixOfMalformedMarkup) {
    const QString markup = u"<a href=\\\"x\\\\\" b='c"_s + QChar(0) +
                           QString::fromUtf16(u"<img src=\"&#x;&amp\" <script "
                                              u"type=\\u> </script\t></script><a/>") +
                           QChar(0xD800) + u"<a href=q>"_s;
    for (qsizetype len = 0; len <= markup.size(); ++len) {
        const QStringView text = QStringView(markup).left(len);
        for (qsizetype pos = 0; pos <= len + 2; ++pos) {
            int32_t index = 0;
            qsizetype end = 0;
            QChar quote;
            FindTag(text, LinkNames, index, pos);
            FindTagEnd(text, pos);
            FindCloseTag(text, u"script", pos);
            const qsizetype start = FindAttrValue(text, u"href", end, quote, pos);
            if (start > 0) {
                ASSERT_LE(start, end);
                ASSERT_LE(end, text.size());
            }
            GetAttrValue(text, u"src", pos);
            DecodeAttrValue(text, pos, len, QChar(u'\\'));
        }
    }
}

// Found by fuzzing: a start near the largest position overflowed the scanner's sums.
TEST(ParseUtils, PositionsAtTheLimitsOfTheTypeFindNothing) {
    constexpr qsizetype Max = std::numeric_limits<qsizetype>::max();
    constexpr qsizetype Min = std::numeric_limits<qsizetype>::min();
    const QString text = u"<script>a</script>"_s;
    for (const qsizetype pos : {Max, Max - 1}) {
        SCOPED_TRACE(pos);
        EXPECT_EQ(FindCloseTag(text, u"script", pos), 0);
        int32_t index = -1;
        EXPECT_EQ(FindTag(text, {QStringLiteral("script")}, index, pos), 0);
        EXPECT_EQ(FindTagEnd(text, pos), 0);
        EXPECT_FALSE(SameTextAt(text, u"<", 1, pos, 1));
    }
    // The smallest start reads as the first position.
    EXPECT_EQ(FindCloseTag(text, u"/script", Min), FindCloseTag(text, u"/script", 1));
    EXPECT_EQ(FindTagEnd(text, Min), 8);
    EXPECT_FALSE(SameTextAt(text, u"<", 1, Min, 1));
    EXPECT_FALSE(SameTextAt(text, u"<", Max, 1, 1));
    EXPECT_TRUE(SameTextAt(text, u"<", Min, 1, 1)); // an empty range fits
    EXPECT_EQ(DecodeAttrValue(text, Max, Max, QChar(u'\\')), QString());
    EXPECT_EQ(UnescapeBackslashes(text, Min, Max), QString());
}

} // namespace
