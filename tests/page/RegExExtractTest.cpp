#include "page/ReplaceRulesUnit.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

QString Apply(const QStringList& APatterns, const QStringList& ARules, const QString& AText) {
    return ApplyReplaceRules(CompileReplaceRules(APatterns, ARules), AText);
}

QString Apply(const QString& APattern, const QString& ARule, const QString& AText) {
    return Apply(QStringList{APattern}, QStringList{ARule}, AText);
}

struct ReplaceRow {
    const char16_t* Pattern;
    const char16_t* Rule;
    const char16_t* Text;
    const char16_t* Result;
};

// Each row runs with the JIT and with the interpreter: both must give the same text.
const ReplaceRow ReplaceRows[] = {
    {u"ABC", u"x", u"abc AbC aBd", u"x x aBd"},
    {u"(\\d+)-(\\d+)", u"$2/$1", u"10-20 and 3-4", u"20/10 and 4/3"},
    {u"(a)(b)", u"$10", u"ab", u"a0"},
    {u"(a)(b)", u"$01$2$3$", u"ab", u"ab1b$3$"},
    {u"x*", u"-", u"ab", u"-a-b-"},
    {u"x*", u"-", u"axb", u"-a--b-"},
    {u"x*", u"-", u"", u"-"},
    {u"x*", u"-", u"\u00E9\U0001F600", u"-\u00E9-\U0001F600-"}, // whole characters
    {u"b", u"X", u"\u00E4b\U0001F600b", u"\u00E4X\U0001F600X"},
    {u"\\w+", u"$0$0", u"ab cd", u"abab cdcd"},
    {u"o", u"", u"foo boo", u"f b"},
    {u"(a)|(b)", u"[$1][$2]", u"ab", u"[a][$2][][b]"},
    {u"(\\S+) (\\S+)", u"$1", u"$2 zz", u"zz"}, // a group's "$2" is expanded by the later step
    {u"z", u"Q", u"no match here", u"no match here"},
    {u"\u00C4", u"ae", u"\u00E4\u00C4", u"aeae"}, // caseless beyond ASCII too
    {u"a.b", u"X", u"a\nb a\u2028b a-b", u"a\nb a\u2028b X"},
    {u"(?m)^b", u"X", u"a\u0085b\rb\r\nb", u"a\u0085X\rX\r\nX"}, // newline "any"
    {u"a$", u"X", u"a\r\n", u"X\r\n"},
    {u"(?s)<script.*?</script>", u"", u"1<SCRIPT>x\ny</script>2<script></script>3", u"123"},
    {u"\\bx\\b|^", u"#", u"x ax x", u"# ax #"},
};

TEST(ReplaceRules, ReplaceLeftToRightWithoutOverlap) {
    for (const ReplaceRow& row : ReplaceRows) {
        SCOPED_TRACE(QString::fromUtf16(row.Pattern).toStdString() + " on " +
                     QString::fromUtf16(row.Text).toStdString());
        for (bool jit : {true, false}) {
            TReplaceRules rules;
            rules.Add(TRegEx(QString::fromUtf16(row.Pattern), jit), QString::fromUtf16(row.Rule));
            EXPECT_EQ(ApplyReplaceRules(rules, QString::fromUtf16(row.Text)),
                      QString::fromUtf16(row.Result))
                << "JIT " << jit;
        }
    }
}

TEST(ReplaceRules, JITIsUsedWhereAvailable) {
#if defined(__x86_64__) || defined(__aarch64__)
    EXPECT_TRUE(TRegEx(u"a+"_s).UsesJIT());
#endif
    EXPECT_FALSE(TRegEx(u"a+"_s, false).UsesJIT());
}

TEST(ReplaceRules, RulesApplyInListOrder) {
    EXPECT_EQ(Apply({u"a"_s, u"b"_s}, {u"b"_s, u"c"_s}, u"a"_s), u"c"_s);
    EXPECT_EQ(Apply({u"b"_s, u"a"_s}, {u"c"_s, u"b"_s}, u"a"_s), u"b"_s);
    // A missing rule text counts as empty.
    EXPECT_EQ(Apply({u"a"_s, u"b"_s}, {u"x"_s}, u"ab"_s), u"x"_s);
}

TEST(ReplaceRules, TextNoRuleMatchesComesBackShared) {
    const TReplaceRules rules = CompileReplaceRules({u"zzz"_s}, {u"y"_s});
    const QByteArray page = QByteArrayLiteral("<html>\xC3\xA4</html>") + QByteArray(1000, 'x');
    const QByteArray out = ApplyReplaceRules(rules, page);
    EXPECT_EQ(out, page);
    EXPECT_EQ(out.constData(), page.constData());
    EXPECT_EQ(ApplyReplaceRules(TReplaceRules(), page).constData(), page.constData());
}

TEST(ReplaceRules, InvalidUtf8IsRepairedBeforeTheSearch) {
    const TReplaceRules rules = CompileReplaceRules({u"b"_s}, {u"X"_s});
    EXPECT_EQ(ApplyReplaceRules(rules, QByteArray("\xFF"
                                                  "ab\xC3")),
              QByteArray("\xEF\xBF\xBD"
                         "aX\xEF\xBF\xBD"));
    // A lone surrogate in the text neither crashes nor stops the rule.
    const QString text = u"b"_s + QChar(0xD800) + u"b"_s;
    EXPECT_EQ(ApplyReplaceRules(rules, text).count(u'X'), 2);
}

TEST(ReplaceRules, GroupsBeyond99CountAsNoMatch) {
    // Groups 2 to 99 are empty; group 100 takes part only in the second match.
    const QString pattern = u"(a)|"_s + u"()"_s.repeated(98) + u"(b)"_s;
    EXPECT_EQ(Apply(pattern, u"[$1]"_s, u"abab"_s), u"[a]bab"_s);
    const QString group99 = u"()"_s.repeated(98) + u"(b)"_s;
    // Group 99 still counts; "$99" reads as group 9 (empty) followed by "9".
    EXPECT_EQ(Apply(group99, u"[$0|$99]"_s, u"abab"_s), u"a[b|9]a[b|9]"_s);
}

TEST(ReplaceRules, CatastrophicBacktrackingEndsAsNoFurtherMatch) {
    const QString text = u"x"_s + QString(40, u'a') + u"c b x"_s;
    for (bool jit : {true, false}) {
        TReplaceRules rules;
        rules.Add(TRegEx(u"^x|(a+)+b"_s, jit), u"-"_s);
        EXPECT_EQ(ApplyReplaceRules(rules, text), u"-"_s + text.mid(1)) << "JIT " << jit;
    }
}

// A group's own "$K" is expanded again, so a page could make one value the product of its
// groups' sizes (here 100,000 copies of a 100,000-byte group). The value meets a ceiling instead:
// like a search error, it ends the rule and the rest of the text follows unchanged.
TEST(ReplaceRules, ValueThatWouldPassTheCeilingEndsTheRule) {
    const QByteArray hostile = QByteArray("$2").repeated(100'000) + ',' + QByteArray(100'000, 'x');
    const QByteArray page = "a,b\n" + hostile + "\nc,d";
    const TReplaceRules rules = CompileReplaceRules({u"(.*?),(.*)"_s}, {u"$1"_s});
    EXPECT_EQ(ApplyReplaceRules(rules, page), "a\n" + hostile + "\nc,d");
    // A large value below the ceiling is still made.
    const QByteArray wide = QByteArray("$2").repeated(64) + ',' + QByteArray(1 << 20, 'y');
    EXPECT_EQ(ApplyReplaceRules(rules, wide).size(), qsizetype(64) << 20);

    const TReplaceRuleTestResult test =
        TestReplaceRule(u"(.*?),(.*)"_s, u"$1"_s, QString::fromLatin1(hostile));
    EXPECT_FALSE(test.ResultValid);
    EXPECT_EQ(test.Lines.last(), QStringLiteral("Replacement text exceeds the limit of %1 bytes")
                                     .arg(TRegExExtractRule::MaxValueSize));
}

TEST(ReplaceRules, CompileErrorsCarryTheirMessage) {
    struct Row {
        const char16_t* Pattern;
        const char16_t* Message; // the start of it
    };
    const Row rows[] = {
        {u"", u"A regular expression specified in RegEx is required"},
        {u"(", u"Error in regular expression at offset 1: missing closing parenthesis"},
        {u"\u00E4\u00E4(", u"Error in regular expression at offset 5: missing closing parenthesis"},
        {u"a\\C", u"Error in regular expression at offset "}, // "\C" could split characters
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Pattern).toStdString());
        try {
            CompileReplaceRules({u"ok"_s, QString::fromUtf16(row.Pattern)}, {u"x"_s, u"y"_s});
            ADD_FAILURE() << "compiled";
        } catch (const ERegExError& E) {
            EXPECT_TRUE(E.Message().startsWith(QString::fromUtf16(row.Message)))
                << E.Message().toStdString();
        }
    }
}

TEST(ReplaceRules, ExtractValueNeedsAMatch) {
    const TRegEx regEx(u"a"_s);
    TRegExMatch match(regEx);
    TRegExExtractRule rule;
    rule.SetText(u"$0"_s);
    EXPECT_FALSE(match.Search("bbb", 0));
    EXPECT_THROW(rule.ExtractValue(match), ERegExError);
    ASSERT_TRUE(match.Search("bab", 0));
    EXPECT_EQ(rule.ExtractValue(match), QByteArray("a"));
}

TEST(ReplaceRuleTest, ShowsEachMatchWithItsGroups) {
    const TReplaceRuleTestResult test = TestReplaceRule(u"(\\d+)-(\\d+)"_s, u"$2/$1"_s, u"1-2"_s);
    EXPECT_EQ(test.Lines,
              (QStringList{u"Pattern: (\\d+)-(\\d+)"_s, QString(), u"Matched text: 1-2"_s,
                           u"Replaced by: 2/1"_s, u"=== groups ==="_s, u"  $0: 1-2"_s, u"  $1: 1"_s,
                           u"  $2: 2"_s}));
    EXPECT_TRUE(test.ResultValid);
    EXPECT_EQ(test.Result, u"2/1"_s);

    const TReplaceRuleTestResult two = TestReplaceRule(u"(a)|(\u00E9)"_s, u"<$2>"_s, u"a\u00E9!"_s);
    EXPECT_EQ(two.Lines, (QStringList{u"Pattern: (a)|(\u00E9)"_s, QString(), u"Matched text: a"_s,
                                      u"Replaced by: <$2>"_s, u"=== groups ==="_s, u"  $0: a"_s,
                                      u"  $1: a"_s, QString(), u"Matched text: \u00E9"_s,
                                      u"Replaced by: <\u00E9>"_s, u"=== groups ==="_s,
                                      u"  $0: \u00E9"_s, u"  $1: "_s, u"  $2: \u00E9"_s}));
    EXPECT_EQ(two.Result, u"<$2><\u00E9>!"_s);
}

TEST(ReplaceRuleTest, NoMatchAndErrors) {
    const TReplaceRuleTestResult none = TestReplaceRule(u"z"_s, u"y"_s, u"abc"_s);
    EXPECT_EQ(none.Lines, (QStringList{u"Pattern: z"_s, u"No matches."_s}));
    EXPECT_TRUE(none.ResultValid);
    EXPECT_EQ(none.Result, u"abc"_s);

    const TReplaceRuleTestResult bad = TestReplaceRule(u"("_s, u"y"_s, u"abc"_s);
    ASSERT_EQ(bad.Lines.size(), 2);
    EXPECT_EQ(bad.Lines[0], u"Pattern: ("_s);
    EXPECT_TRUE(bad.Lines[1].startsWith(u"Error in regular expression at offset "_s));
    EXPECT_FALSE(bad.ResultValid);

    const TReplaceRuleTestResult empty = TestReplaceRule(QString(), u"y"_s, u"abc"_s);
    EXPECT_EQ(empty.Lines, (QStringList{u"Pattern: "_s,
                                        u"A regular expression specified in RegEx is required"_s}));
    EXPECT_FALSE(empty.ResultValid);

    const TReplaceRuleTestResult emptyMatches = TestReplaceRule(u"x*"_s, u"-"_s, u"ab"_s);
    EXPECT_EQ(emptyMatches.Result, u"-a-b-"_s);
    EXPECT_EQ(emptyMatches.Lines.count(u"Matched text: "_s), 3);
}

} // namespace
