#include "engine/uSitemaps.h"

#include "tests/support/TestReplies.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace tarrow;
using tarrow::test::GzipCompress;
using namespace Qt::StringLiterals;

namespace {

QStringList Strings(std::initializer_list<const char*> ATexts) {
    QStringList list;
    for (const char* text : ATexts)
        list.append(QString::fromUtf8(text));
    return list;
}

QByteArray Utf16WithMark(const QString& AText) {
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringConverter::Flag::WriteBom);
    return encoder.encode(AText);
}

const char kNamespace[] = "xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"";

} // namespace

TEST(Sitemaps, ReadsTheLocsOfURLSetsAndIndexes) {
    const struct {
        const char* Name;
        QByteArray Data;
        bool Index;
        QStringList Locs;
    } rows[] = {
        {"urlset",
         QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<urlset ") + kNamespace +
             "><url><loc>http://s/a</loc><lastmod>2024-01-01</lastmod></url>"
             "<url><loc>http://s/b</loc></url></urlset>",
         false, Strings({"http://s/a", "http://s/b"})},
        {"index",
         QByteArray("<sitemapindex ") + kNamespace +
             "><sitemap><loc>http://s/m1.xml</loc></sitemap>"
             "<sitemap><loc>http://s/m2.xml.gz</loc></sitemap></sitemapindex>",
         true, Strings({"http://s/m1.xml", "http://s/m2.xml.gz"})},
        {"prefixed and undeclared namespaces, extension locs left out",
         "<sm:urlset xmlns:sm=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
         "<sm:url><sm:loc>http://s/a</sm:loc>"
         "<image:image><image:loc>http://s/pic.jpg</image:loc></image:image>"
         "<video:video><video:content_loc>http://s/v.mp4</video:content_loc></video:video>"
         "</sm:url></sm:urlset>",
         false, Strings({"http://s/a"})},
        {"loc outside a url element",
         "<urlset><loc>http://s/x</loc><url><loc>http://s/a</loc>"
         "</url></urlset>",
         false, Strings({"http://s/a"})},
        {"CDATA, entities and character references",
         "<urlset><url><loc><![CDATA[http://s/a?x=1&y=2]]></loc></url>"
         "<url><loc>http://s/b?x=1&amp;y=&lt;2&gt;&#65;&#x42;&quot;&apos;</loc></url></urlset>",
         false, Strings({"http://s/a?x=1&y=2", "http://s/b?x=1&y=<2>AB\"'"})},
        {"white space and empty locs",
         "\xEF\xBB\xBF\r\n  <urlset>\n <url>\n  <loc>\n"
         "   http://s/a \t\n  </loc>\n </url>"
         "<url><loc>  </loc></url><url><loc/></url></urlset>\n",
         false, Strings({"http://s/a"})},
        {"a comment and processing instruction, content after the root",
         "<!-- map --><urlset><?pi x?><url><loc>http://s/a<!-- c --></loc></url></urlset>"
         "<junk>",
         false, Strings({"http://s/a"})},
        {"UTF-16 with its byte-order mark",
         Utf16WithMark(u"<urlset><url><loc>http://s/\u00E9</loc></url></urlset>"_s), false,
         Strings({"http://s/\xC3\xA9"})},
        {"plain text", "\xEF\xBB\xBFhttp://s/a\r\n\r\n  http://s/b  \nhttp://s/c", false,
         Strings({"http://s/a", "http://s/b", "http://s/c"})},
        {"gzip", GzipCompress("<urlset><url><loc>http://s/z</loc></url></urlset>"), false,
         Strings({"http://s/z"})},
        {"gzip index",
         GzipCompress("<sitemapindex><sitemap><loc>http://s/m</loc></sitemap>"
                      "</sitemapindex>"),
         true, Strings({"http://s/m"})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TSitemap sitemap = ParseSitemap(row.Data);
        EXPECT_EQ(sitemap.Problem, QString());
        EXPECT_EQ(sitemap.Index, row.Index);
        EXPECT_EQ(sitemap.Locs, row.Locs);
        EXPECT_FALSE(sitemap.Truncated);
    }
}

TEST(Sitemaps, MalformedFilesGiveAProblemAndNoLocs) {
    QByteArray cut = GzipCompress("<urlset><url><loc>http://s/a</loc></url></urlset>");
    cut.chop(12);
    const struct {
        const char* Name;
        QByteArray Data;
        const char* Problem; // its start
    } rows[] = {
        {"empty", "", "empty"},
        {"white space", " \r\n", "empty"},
        {"only a declaration", "<?xml version=\"1.0\"?>", "XML error"},
        {"an HTML page", "<!DOCTYPE html><html><body>Not here</body></html>",
         "not a sitemap (its root element is <html>)"},
        {"unclosed", "<urlset><url><loc>http://s/a</loc></url>", "XML error in line 1"},
        {"mismatched tags, after good locs",
         "<urlset>\n<url><loc>http://s/a</loc></url>\n<url><loc>http://s/b</url></urlset>",
         "XML error in line 3"},
        {"an undeclared entity", "<urlset><url><loc>http://s/&nbsp;</loc></url></urlset>",
         "XML error"},
        {"entities that expand a thousandfold at each level",
         "<!DOCTYPE urlset [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
         "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
         "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
         "<urlset><url><loc>http://s/&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;</loc></url></urlset>",
         "XML error"},
        {"a compressed stream cut short", cut, "compressed data cut short"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TSitemap sitemap = ParseSitemap(row.Data);
        EXPECT_TRUE(sitemap.Problem.startsWith(QString::fromUtf8(row.Problem)))
            << sitemap.Problem.toStdString();
        EXPECT_TRUE(sitemap.Locs.isEmpty());
    }
}

TEST(Sitemaps, KeepsToTheProtocolsBounds) {
    QByteArray many = "<urlset>";
    for (qsizetype i = 0; i <= kMaxSitemapURLs; ++i)
        many += "<url><loc>http://s/" + QByteArray::number(i) + "</loc></url>";
    many += "</urlset>";
    const TSitemap truncated = ParseSitemap(many);
    EXPECT_TRUE(truncated.Truncated);
    EXPECT_EQ(truncated.Problem, QString());
    ASSERT_EQ(truncated.Locs.size(), kMaxSitemapURLs);
    EXPECT_EQ(truncated.Locs.last(), QStringLiteral("http://s/%1").arg(kMaxSitemapURLs - 1));

    QByteArray exactly = "<urlset>";
    for (qsizetype i = 0; i < kMaxSitemapURLs; ++i)
        exactly += "<url><loc>http://s/" + QByteArray::number(i) + "</loc></url>";
    exactly += "</urlset>";
    EXPECT_FALSE(ParseSitemap(exactly).Truncated);

    // 50 MB of white space inside a loc: as served too large, compressed too large when inflated.
    QByteArray large = "<urlset><url><loc>http://s/a";
    large += QByteArray(kMaxSitemapBytes, ' ');
    large += "</loc></url></urlset>";
    const TSitemap tooLarge = ParseSitemap(large);
    EXPECT_EQ(tooLarge.Problem, QStringLiteral("larger than 50 MB"));
    EXPECT_TRUE(tooLarge.Locs.isEmpty());
    const TSitemap bomb = ParseSitemap(GzipCompress(large));
    EXPECT_EQ(bomb.Problem, QStringLiteral("larger than 50 MB when decompressed"));
    EXPECT_TRUE(bomb.Locs.isEmpty());
}
