#include "page/uStyleSheet.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

// Each reference as "U|covered text|value" (crURL) or "I|covered text|value" (crImport), so a
// row shows the range through the text it covers.
QStringList Describe(const QString& ACss) {
    QStringList out;
    for (const TCSSReference& ref : FindStyleSheetReferences(ACss)) {
        const QString kind =
            ref.Kind == TCSSRefKind::crURL ? QStringLiteral("U") : QStringLiteral("I");
        out.append(kind + u'|' + ACss.mid(ref.Start, ref.End - ref.Start) + u'|' + ref.URL);
    }
    return out;
}

struct Row {
    const char16_t* Css;
    std::initializer_list<const char16_t*> Refs;
};

void CheckRows(std::initializer_list<Row> ARows) {
    for (const Row& row : ARows) {
        SCOPED_TRACE(QString::fromUtf16(row.Css).toStdString());
        QStringList expected;
        for (const char16_t* ref : row.Refs)
            expected.append(QString::fromUtf16(ref));
        EXPECT_EQ(Describe(QString::fromUtf16(row.Css)), expected);
    }
}

TEST(StyleSheet, FindsQuotedUnquotedAndImportReferences) {
    CheckRows({
        {u"a{background:url(a.png)}", {u"U|url(a.png)|a.png"}},
        {u"a{b:url( \"b c.png\" )}", {u"U|url( \"b c.png\" )|b c.png"}},
        {u"a{b:url('x.png')}", {u"U|url('x.png')|x.png"}},
        {u"a{b:url(\t spaced.png \n)}", {u"U|url(\t spaced.png \n)|spaced.png"}},
        {u"a{b:url(\"  padded.png  \")}", {u"U|url(\"  padded.png  \")|padded.png"}},
        {u"@import \"s.css\";", {u"I|\"s.css\"|s.css"}},
        {u"@import 's.css' screen;", {u"I|'s.css'|s.css"}},
        {u"@import\"tight.css\";", {u"I|\"tight.css\"|tight.css"}},
        {u"@import /* why */ \"c.css\";", {u"I|\"c.css\"|c.css"}},
        {u"@import url(s.css) print;", {u"U|url(s.css)|s.css"}},
        {u"@import url(\"q.css\");", {u"U|url(\"q.css\")|q.css"}},
        {u"@import 'a.css';@import \"b.css\";x{y:url(c)}",
         {u"I|'a.css'|a.css", u"I|\"b.css\"|b.css", u"U|url(c)|c"}},
        {u"@IMPORT \"A.css\"; b{c:URL(B.png)} d{e:Url(\"C\")}",
         {u"I|\"A.css\"|A.css", u"U|URL(B.png)|B.png", u"U|Url(\"C\")|C"}},
        {u"a{b:url()} c{d:url(\"\")}", {u"U|url()|", u"U|url(\"\")|"}},
        {u"a{b:url(data:image/png;base64,AA==)}",
         {u"U|url(data:image/png;base64,AA==)|data:image/png;base64,AA=="}},
    });
}

TEST(StyleSheet, DecodesEscapesInValues) {
    CheckRows({
        {u"url(\\61 .png)", {u"U|url(\\61 .png)|a.png"}},
        {u"url(\"\\000041x\")", {u"U|url(\"\\000041x\")|Ax"}}, // six digits at most
        {u"url(\\41\r\nB)", {u"U|url(\\41\r\nB)|AB"}},         // CR LF is one whitespace
        {u"url(\\0)", {u"U|url(\\0)|\uFFFD"}},
        {u"url(\\D800)", {u"U|url(\\D800)|\uFFFD"}},
        {u"url(\\110000)", {u"U|url(\\110000)|\uFFFD"}},
        {u"url(\\1F600)", {u"U|url(\\1F600)|\U0001F600"}},
        {u"url(\"a\\\"b\")", {u"U|url(\"a\\\"b\")|a\"b"}},
        {u"url('it\\'s')", {u"U|url('it\\'s')|it's"}},
        {u"url(a\\)b)", {u"U|url(a\\)b)|a)b"}},
        {u"url(a\\(b)", {u"U|url(a\\(b)|a(b"}},
        {u"url(\\/x\\ y)", {u"U|url(\\/x\\ y)|/x y"}},
        {u"url(\"a\\\nb\\\r\nc\")", {u"U|url(\"a\\\nb\\\r\nc\")|abc"}}, // line continuations
        {u"url(\"\\20 a\\20\")", {u"U|url(\"\\20 a\\20\")| a "}},       // escaped spaces are kept
        {u"@import \"i\\6d g.css\";", {u"I|\"i\\6d g.css\"|img.css"}},
    });
}

TEST(StyleSheet, SkipsCommentsStringsAndLongerNames) {
    CheckRows({
        {u"/* url(no.png) */ a{b:url(yes.png)}", {u"U|url(yes.png)|yes.png"}},
        {u"a/**/url(x)", {u"U|url(x)|x"}},
        {u"a{content:\"url(no)\"} b{c:'url(no) @import \"x\"'} d{e:url(yes)}", {u"U|url(yes)|yes"}},
        {u"a{content:\"it\\\"s url(no)\"}", {}},
        {u"/* @import \"no.css\"; */", {}},
        {u"myurl(a) -url(b) #url(c) @url(d) 5url(e) _url(f)", {}},
        {u"\\75rl(a) \\.url(b) x\\ url(c) \\41 url(d)", {}},
        {u"url (a) @imports \"b\" @import-x \"c\"", {}},
        {u"image-set(url(a.png) 1x, \"b.png\" 2x)", {u"U|url(a.png)|a.png"}},
        {u"@media screen{@supports (display:grid){a{b:url(n.png)}}}", {u"U|url(n.png)|n.png"}},
        {u"a{b:calc(1px + 2px);c:url(after.png)}", {u"U|url(after.png)|after.png"}},
    });
}

TEST(StyleSheet, BadTokensGiveNoReferenceAndTheScanGoesOn) {
    CheckRows({
        {u"url(\"a\nb) url(ok)", {u"U|url(ok)|ok"}}, // a raw line break ends a bad string
        {u"\"x\ny url(ok)", {u"U|url(ok)|ok"}},
        {u"\"x\ny\" url(no)", {}},                // the second quote opens a string
        {u"url(a b) url(ok)", {u"U|url(ok)|ok"}}, // bad url up to its ")"
        {u"url(a\"b) url(ok)", {u"U|url(ok)|ok"}},
        {u"url(a(b)) url(ok)", {u"U|url(ok)|ok"}},
        {u"url(a\\\n) url(ok)", {u"U|url(ok)|ok"}},
        {u"url(a\u0001) url(ok)", {u"U|url(ok)|ok"}},
        {u"url(a\\)b c\\)) url(ok)", {u"U|url(ok)|ok"}}, // escaped ")" does not end a bad url
        {u"url(\"a\" x) url(ok)", {u"U|url(ok)|ok"}},    // more than a string in url()
        {u"url(url(x)) url(ok)", {u"U|url(ok)|ok"}},
        {u"@import url(ok); @import x \"no.css\";", {u"U|url(ok)|ok"}},
    });
}

TEST(StyleSheet, TextEndingInsideATokenEndsTheScan) {
    CheckRows({
        {u"url(a.png) url(\"b", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) url('b\\", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) url(\"b\"", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) url(\"b\"  ", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) url(c", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) url(c ", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) url(  ", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) url(c d", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) url(c\\", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) /* url(b) ", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) \"url(b) x{y:url(c)}", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) @import \"x", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) @import /* \"x\";", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) @import", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) url", {u"U|url(a.png)|a.png"}},
        {u"url(a.png) \\", {u"U|url(a.png)|a.png"}},
    });
}

TEST(StyleSheet, RawNulReadsAsReplacementCharacter) {
    const QString css = QStringLiteral("url(a") + QChar(u'\0') + QStringLiteral("b) url('c") +
                        QChar(u'\0') + QStringLiteral("')");
    const QList<TCSSReference> refs = FindStyleSheetReferences(css);
    ASSERT_EQ(refs.size(), 2);
    EXPECT_EQ(refs[0].URL, u"a\uFFFDb"_s);
    EXPECT_EQ(refs[1].URL, u"c\uFFFD"_s);
}

const char16_t* const Sheet = u"@charset \"utf-8\";\r\n"
                              u"@import 'base.css' screen;\n"
                              u"/* url(old.png) */ a { background: URL( a.png ) no-repeat }\n"
                              u"b{src:url(\"fonts/f.woff\") format('woff'),url(#frag)}\n"
                              u"c{content:\"url(x)\"; d: url(data:,x)}\n";

TEST(StyleSheet, RewriteReplacesMappedReferencesOnly) {
    const QString out = RewriteStyleSheet(QString::fromUtf16(Sheet), [](const TCSSReference& ARef) {
        if (ARef.URL.startsWith(u'#') || ARef.URL.startsWith(QLatin1String("data:")))
            return std::optional<QString>();
        return std::optional<QString>(QStringLiteral("local/") + ARef.URL);
    });
    EXPECT_EQ(out, QString::fromUtf16(
                       u"@charset \"utf-8\";\r\n"
                       u"@import \"local/base.css\" screen;\n"
                       u"/* url(old.png) */ a { background: url(\"local/a.png\") no-repeat }\n"
                       u"b{src:url(\"local/fonts/f.woff\") format('woff'),url(#frag)}\n"
                       u"c{content:\"url(x)\"; d: url(data:,x)}\n"));
}

TEST(StyleSheet, RewriteWithoutValuesKeepsTextIdentical) {
    const auto none = [](const TCSSReference&) { return std::optional<QString>(); };
    for (const char16_t* css :
         {Sheet, u"", u"url(a b) \"x\ny\" url(\\41) @import 'z", u"/* unterminated url(a)"}) {
        SCOPED_TRACE(QString::fromUtf16(css).toStdString());
        EXPECT_EQ(RewriteStyleSheet(QString::fromUtf16(css), none), QString::fromUtf16(css));
    }
}

TEST(StyleSheet, RewrittenValuesStayOneStringAndReadBack) {
    const QString values[] = {
        u"a\"b.png"_s,   u"back\\slash"_s,   u"line\nbreak\r\f\t.png"_s, u" edges "_s,
        u"paren).png"_s, u"\u0001\u007F1"_s, u"\U0001F600.png"_s,        u"'single'"_s,
    };
    for (const QString& value : values) {
        SCOPED_TRACE(value.toStdString());
        const auto map = [&](const TCSSReference&) { return std::optional<QString>(value); };
        const QString out = RewriteStyleSheet(u"@import 'x'; a{b:url(y) c}", map);
        const QList<TCSSReference> refs = FindStyleSheetReferences(out);
        ASSERT_EQ(refs.size(), 2);
        EXPECT_EQ(refs[0].Kind, TCSSRefKind::crImport);
        EXPECT_EQ(refs[0].URL, value);
        EXPECT_EQ(refs[1].Kind, TCSSRefKind::crURL);
        EXPECT_EQ(refs[1].URL, value);
        EXPECT_TRUE(out.endsWith(QLatin1String(") c}")));
    }
    const auto quote = [](const TCSSReference&) {
        return std::optional<QString>(QStringLiteral("a\"b\nc "));
    };
    EXPECT_EQ(RewriteStyleSheet(u"url(x)", quote), u"url(\"a\\\"b\\a c\\20 \")"_s);
}

TEST(StyleSheet, CharsetIsReadOnlyInItsExactForm) {
    struct CharsetRow {
        QByteArray Bytes;
        const char* Name;
    };
    const CharsetRow rows[] = {
        {"@charset \"UTF-8\"; a{}", "UTF-8"},
        {"\xEF\xBB\xBF@charset \"iso-8859-1\";", "iso-8859-1"},
        {"@charset \"\";", ""},
        {"@CHARSET \"x\";", ""},
        {"@charset 'x';", ""},
        {"@charset  \"x\";", ""},
        {"@charset \"x\"", ""},
        {"@charset \"x\" ;", ""},
        {"@charset \"x", ""},
        {" @charset \"x\";", ""},
        {"\xEF\xBB@charset \"x\";", ""},
        {"@charset \"x\xC3\xA9\";", ""},
        {"@charset \"x\ny\";", ""},
        {"a{} @charset \"x\";", ""},
        {"", ""},
        {"@charset \"" + QByteArray(1013, 'a') + "\";", ""}, // ends past the first 1024 bytes
        // A rule written in ASCII cannot be in UTF-16: it means UTF-8. UTF-32 nobody reads.
        {"@charset \"UTF-16\";", "UTF-8"},
        {"@charset \"utf-16le\";", "UTF-8"},
        {"@charset \"UTF-16BE\";", "UTF-8"},
        {"@charset \"ucs-2\";", "UTF-8"},
        {"@charset \"unicode\";", "UTF-8"},
        {"@charset \"UTF-32\";", ""},
        {"@charset \"UTF-7\";", "UTF-7"}, // refused where texts are decoded
    };
    for (const CharsetRow& row : rows) {
        SCOPED_TRACE(row.Bytes.left(40).toStdString());
        EXPECT_EQ(StyleSheetCharset(row.Bytes), QString::fromLatin1(row.Name));
    }
    const QByteArray longest = "@charset \"" + QByteArray(1012, 'a') + "\";"; // 1024 bytes
    EXPECT_EQ(StyleSheetCharset("\xEF\xBB\xBF" + longest), QString(1012, u'a'));
}

TEST(StyleSheet, HugeSheetsAreReadCompletely) {
    const QString many = QStringLiteral("a{b:url(a.png)}").repeated(200000);
    const QList<TCSSReference> refs = FindStyleSheetReferences(many);
    ASSERT_EQ(refs.size(), 200000);
    EXPECT_EQ(refs.last().URL, QStringLiteral("a.png"));
    EXPECT_EQ(refs.last().End, many.size() - 1);

    const auto keep = [](const TCSSReference&) { return std::optional<QString>(); };
    for (const char* unit : {"url(", "url(a ", "/*", "\"", "@import ", "\\", "url(\"\\\n"}) {
        SCOPED_TRACE(unit);
        const QString hostile = QString::fromLatin1(unit).repeated(1 << 20 >> 2);
        EXPECT_EQ(RewriteStyleSheet(hostile, keep), hostile);
    }
    const QString imports = QStringLiteral("@import 'x.css';").repeated(100000);
    EXPECT_EQ(FindStyleSheetReferences(imports).size(), 100000);
}

} // namespace
