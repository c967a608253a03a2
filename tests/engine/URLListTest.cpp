#include "engine/URLListUnit.h"
#include "base/uPathUtils.h"
#include "base/uExceptions.h"

#include <gtest/gtest.h>

using namespace tarrow;

namespace {

QString S(const char16_t* AText) { return QString::fromUtf16(AText); }

struct MappingRow {
    const char16_t* Rest;
    TURLTag Tag;
    const char16_t* LinkType;
    const char16_t* Windows; // under C:\Out
    const char16_t* Linux;   // under /out
};

const MappingRow MappingRows[] = {
    {u"", utA, u"", u"C:\\Out\\index.html", u"/out/index.html"},
    {u"about", utA, u"", u"C:\\Out\\about\\index.html", u"/out/about/index.html"},
    {u"about/", utA, u"", u"C:\\Out\\about\\index.html", u"/out/about/index.html"},
    {u"page.html", utA, u"", u"C:\\Out\\page.html\\index.html", u"/out/page.html/index.html"},
    {u"doc.pdf#page=2", utA, u"", u"C:\\Out\\doc.pdf\\index.html", u"/out/doc.pdf/index.html"},
    {u"img/logo.png", utA, u"", u"C:\\Out\\img\\logo.png", u"/out/img/logo.png"},
    {u"img/logo.png", utImg, u"", u"C:\\Out\\img\\logo.png", u"/out/img/logo.png"},
    {u"photo.JPG", utA, u"", u"C:\\Out\\photo.JPG\\index.html", u"/out/photo.JPG/index.html"},
    {u"photo.JPG", utImg, u"", u"C:\\Out\\photo.JPG", u"/out/photo.JPG"},
    {u"counter.php", utImg, u"", u"C:\\Out\\counter.php\\index.html", u"/out/counter.php/index.html"},
    {u"js/app.js", utScript, u"", u"C:\\Out\\js\\app.js", u"/out/js/app.js"},
    {u"style.css", utLink, u"text/css", u"C:\\Out\\style.css", u"/out/style.css"},
    {u"css/", utLink, u"text/css", u"C:\\Out\\css\\index.css", u"/out/css/index.css"},
    {u"feed/", utLink, u"application/rss+xml", u"C:\\Out\\feed\\index.xml", u"/out/feed/index.xml"},
    {u"?p=12", utA, u"", u"C:\\Out\\p=12\\index.html", u"/out/p=12/index.html"},
    {u"list?sort=asc#top", utA, u"", u"C:\\Out\\list\\sort=asc\\index.html", u"/out/list/sort=asc/index.html"},
    {u"page.php?id=5&x=a/b", utA, u"", u"C:\\Out\\page.php\\id=5&x=a_b\\index.html",
     u"/out/page.php/id=5&x=a_b/index.html"},
    // Further rows of the decision table.
    {u"", utImg, u"", u"C:\\Out\\index.html", u"/out/index.html"},
    {u"x.gif", utIFrame, u"", u"C:\\Out\\x.gif", u"/out/x.gif"},
    {u"run.py", utScript, u"", u"C:\\Out\\run.py\\index.html", u"/out/run.py/index.html"},
    {u"feed/", utLink, u"TEXT/CSS", u"C:\\Out\\feed\\index.css", u"/out/feed/index.css"},
    {u"a\\b", utImg, u"", u"C:\\Out\\a\\b", u"/out/a\\b"},
};

void CheckMapping(TPathReading AReading, const QString& AOutDir, bool AWindowsColumn) {
    for (const MappingRow& row : MappingRows) {
        const QString url = QStringLiteral("http://site/") + S(row.Rest);
        SCOPED_TRACE(url.toStdString());
        // A fresh table per row: the same URL under two tags would otherwise be a duplicate.
        TURLList table(AReading);
        const int index = table.AddURL(row.Tag, url, QStringLiteral("http://site/"),
                                       QStringLiteral("index.html"), AOutDir, 2, 0, nullptr,
                                       S(row.LinkType));
        ASSERT_EQ(index, 0);
        EXPECT_EQ(table.OutFilePath(0), S(AWindowsColumn ? row.Windows : row.Linux));
        EXPECT_EQ(table.URL(0), url);
    }
}

TEST(URLList, OutputPathMappingWindowsReading) {
    CheckMapping(TPathReading::prWindows, QStringLiteral("C:\\Out"), true);
    CheckMapping(TPathReading::prWindows, QStringLiteral("C:\\Out\\"), true);
}

TEST(URLList, OutputPathMappingLinuxReading) {
    CheckMapping(TPathReading::prLinux, QStringLiteral("/out"), false);
    CheckMapping(TPathReading::prLinux, QStringLiteral("/out/"), false);
}

TEST(URLList, OutsideThePrefixAndEmptyOutDir) {
    const TPathReading R = TPathReading::prWindows;
    TURLList list(R);
    EXPECT_EQ(list.AddURL(utA, QStringLiteral("http://other/x"), QStringLiteral("http://site/"),
                          QStringLiteral("index.html"), QStringLiteral("C:\\Out"), 1, 0, nullptr,
                          QString()),
              0);
    EXPECT_EQ(list.OutFilePath(0), QString());
    // An empty prefix matches everything; an empty output folder leaves the mapped path alone.
    EXPECT_EQ(list.AddURL(utA, QStringLiteral("http://x/a"), QString(), QStringLiteral("i.htm"),
                          QString(), 1, 0, nullptr, QString()),
              1);
    EXPECT_EQ(list.OutFilePath(1), QStringLiteral("http:\\\\x\\a\\i.htm"));
    // The site root alone: a path beginning with "\" is kept as it is.
    EXPECT_EQ(list.AddURL(utA, QStringLiteral("HTTP://SITE/"), QStringLiteral("http://site/"),
                          QStringLiteral("index.html"), QString(), 1, 0, nullptr, QString()),
              2);
    EXPECT_EQ(list.OutFilePath(2), QStringLiteral("\\index.html"));
    // The index file's extension: replaced from its last ".", or added.
    EXPECT_EQ(TURLList::MakeOutFilePath(utLink, QStringLiteral("http://site/a/"),
                                        QStringLiteral("http://site/"), QStringLiteral("default"),
                                        QStringLiteral("text/css"), R),
              QStringLiteral("a\\default.css"));
}

TEST(URLList, DuplicatesAndFragments) {
    TURLList list(TPathReading::prLinux);
    const QString prefix = QStringLiteral("http://site/");
    auto add = [&](const QString& url, int depth) {
        return list.AddURL(utA, url, prefix, QStringLiteral("index.html"), QStringLiteral("/out"),
                           5, depth, nullptr, QString());
    };
    EXPECT_EQ(add(QStringLiteral("http://site/a#x"), 0), 0);
    EXPECT_EQ(add(QStringLiteral("http://site/a#y"), 3), 0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.URL(0), QStringLiteral("http://site/a#x"));
    EXPECT_EQ(list.URLDepth(0), 0);
    EXPECT_EQ(add(QStringLiteral("http://site/page"), 1), 1);
    EXPECT_EQ(add(QStringLiteral("http://site/Page"), 2), 1);
    EXPECT_EQ(add(QStringLiteral("HTTP://SITE/A"), 2), 0);
    // Only ASCII letters fold: "é" and "É" are different keys.
    EXPECT_EQ(add(QStringLiteral("http://site/é"), 1), 2);
    EXPECT_EQ(add(QStringLiteral("http://site/É"), 1), 3);
    // Text beyond Latin-1 is kept exactly, fragment and all.
    EXPECT_EQ(add(QStringLiteral("http://site/Ш#Ж"), 1), 4);
    EXPECT_EQ(list.FindURL(QStringLiteral("HTTP://site/Ш")), 4);
    EXPECT_EQ(list.FindURL(QStringLiteral("http://site/ш")), -1);
    EXPECT_EQ(list.URL(4), QStringLiteral("http://site/Ш#Ж"));
    EXPECT_EQ(list.OutFilePath(4), QStringLiteral("/out/Ш/index.html"));
    EXPECT_EQ(list.FindURL(QStringLiteral("http://SITE/PAGE")), 1);
    EXPECT_EQ(list.FindURL(QStringLiteral("http://site/page#x")), -1);
    EXPECT_EQ(list.FindURL(QString()), -1);
}

TEST(URLList, SuppressLines) {
    TURLList list(TPathReading::prLinux);
    const QStringList suppress{QString(), QStringLiteral("logout")};
    EXPECT_EQ(list.AddURL(utA, QStringLiteral("http://site/Logout.php"), QStringLiteral("http://site/"),
                          QStringLiteral("index.html"), QString(), 1, 0, &suppress, QString()),
              -1);
    EXPECT_EQ(list.Count(), 0);
    const QStringList blanks{QString(), QStringLiteral(" ")};
    EXPECT_EQ(list.AddURL(utA, QStringLiteral("http://site/a"), QStringLiteral("http://site/"),
                          QStringLiteral("index.html"), QString(), 1, 0, &blanks, QString()),
              0);
    EXPECT_EQ(list.AddURL(utA, QStringLiteral("http://site/a b"), QStringLiteral("http://site/"),
                          QStringLiteral("index.html"), QString(), 1, 0, &blanks, QString()),
              -1);
}

TEST(URLList, IndexErrors) {
    TURLList list(TPathReading::prLinux);
    try {
        (void)list.URL(0);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds (0)"));
    }
    EXPECT_THROW((void)list.OutFilePath(-1), EListError);
    EXPECT_THROW((void)list.URLDepth(7), EListError);
}

TEST(URLList, ManyEntriesKeepTheirIndices) {
    TURLList list(TPathReading::prLinux);
    const int n = 50000;
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(list.AddURL(utImg, QStringLiteral("http://site/p%1.png").arg(i),
                              QStringLiteral("http://site/"), QStringLiteral("index.html"),
                              QString(), 0, 1, nullptr, QString()),
                  i);
    for (int i = 0; i < n; i += 997)
        ASSERT_EQ(list.FindURL(QStringLiteral("HTTP://SITE/P%1.PNG").arg(i)), i);
    EXPECT_EQ(list.FindURL(QStringLiteral("http://site/p%1.png").arg(n)), -1);
}

TEST(URLList, HostileURLs) {
    TURLList list(TPathReading::prLinux);
    const QString huge = QStringLiteral("http://site/") + QString(64 * 1024, u'a') + u'?' +
                         QString(1000, u'/') + u'#';
    EXPECT_EQ(list.AddURL(utA, huge, QStringLiteral("http://site/"), QStringLiteral("index.html"),
                          QStringLiteral("/out"), 1, 0, nullptr, QString()),
              0);
    const QString odd = QStringLiteral("http://site/") + QChar(0xD800) + QChar(0) + u'#';
    EXPECT_EQ(list.AddURL(utA, odd, QStringLiteral("http://site/"), QString(), QString(), 1, 0,
                          nullptr, QString()),
              1);
    EXPECT_EQ(list.AddURL(utA, QString(), QString(), QString(), QString(), 1, 0, nullptr, QString()), 2);
}

} // namespace
