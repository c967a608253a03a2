#include "base/uExceptions.h"
#include "base/uPathUtils.h"
#include "engine/URLListUnit.h"

#include <gtest/gtest.h>

using namespace tarrow;

namespace {

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
    {u"counter.php", utImg, u"", u"C:\\Out\\counter.php\\index.html",
     u"/out/counter.php/index.html"},
    {u"js/app.js", utScript, u"", u"C:\\Out\\js\\app.js", u"/out/js/app.js"},
    {u"style.css", utLink, u"text/css", u"C:\\Out\\style.css", u"/out/style.css"},
    {u"css/", utLink, u"text/css", u"C:\\Out\\css\\index.css", u"/out/css/index.css"},
    {u"feed/", utLink, u"application/rss+xml", u"C:\\Out\\feed\\index.xml", u"/out/feed/index.xml"},
    {u"?p=12", utA, u"", u"C:\\Out\\p=12\\index.html", u"/out/p=12/index.html"},
    {u"list?sort=asc#top", utA, u"", u"C:\\Out\\list\\sort=asc\\index.html",
     u"/out/list/sort=asc/index.html"},
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
        const QString url = QStringLiteral("http://site/") + QString::fromUtf16(row.Rest);
        SCOPED_TRACE(url.toStdString());
        // A fresh table per row: the same URL under two tags would otherwise be a duplicate.
        TURLList table(AReading);
        const int index =
            table.AddURL(row.Tag, url, QStringLiteral("http://site/"), QStringLiteral("index.html"),
                         AOutDir, 2, 0, nullptr, QString::fromUtf16(row.LinkType));
        ASSERT_EQ(index, 0);
        EXPECT_EQ(table.OutFilePath(0),
                  QString::fromUtf16(AWindowsColumn ? row.Windows : row.Linux));
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
    EXPECT_EQ(list.AddURL(utA, QStringLiteral("http://site/Logout.php"),
                          QStringLiteral("http://site/"), QStringLiteral("index.html"), QString(),
                          1, 0, &suppress, QString()),
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
    EXPECT_EQ(
        list.AddURL(utA, QString(), QString(), QString(), QString(), 1, 0, nullptr, QString()), 2);
}

} // namespace

namespace {

// Adds each rest under http://site/ to one table, in order, and checks the paths it was given.
struct SequenceRow {
    const char16_t* Rest;
    TURLTag Tag;
    const char16_t* Windows;
    const char16_t* Linux;
};

void CheckSequence(std::initializer_list<SequenceRow> ARows, bool ACompletePages,
                   TPathReading AReading) {
    const bool windows = AReading == TPathReading::prWindows;
    TURLList table(AReading, ACompletePages);
    const QString outDir = windows ? QStringLiteral("C:\\Out") : QStringLiteral("/out");
    for (const SequenceRow& row : ARows) {
        const QString url = QStringLiteral("http://site/") + QString::fromUtf16(row.Rest);
        SCOPED_TRACE(url.toStdString());
        const int index =
            table.AddURL(row.Tag, url, QStringLiteral("http://site/"), QStringLiteral("index.html"),
                         outDir, 2, 0, nullptr, QString());
        ASSERT_GE(index, 0);
        EXPECT_EQ(table.OutFilePath(index), QString::fromUtf16(windows ? row.Windows : row.Linux));
    }
}

} // namespace

TEST(URLList, IndexFileNameMapsAsItsFolder) {
    for (TPathReading reading : {TPathReading::prWindows, TPathReading::prLinux})
        for (bool complete : {false, true}) {
            SCOPED_TRACE(complete ? "complete pages" : "parts mapping");
            CheckSequence(
                {{u"", utA, u"C:\\Out\\index.html", u"/out/index.html"},
                 {u"index.html", utA, u"C:\\Out\\index.html", u"/out/index.html"},
                 {u"docs/Index.HTML", utA, u"C:\\Out\\docs\\index.html", u"/out/docs/index.html"},
                 {u"docs/", utA, u"C:\\Out\\docs\\index.html", u"/out/docs/index.html"},
                 {u"index.html?x=1", utA, u"C:\\Out\\x=1\\index.html", u"/out/x=1/index.html"},
                 {u"index.htm", utImg, u"C:\\Out\\index.htm", u"/out/index.htm"}},
                complete, reading);
        }
}

TEST(URLList, FileAndFolderCollisionsTakeNumberedNames) {
    for (TPathReading reading : {TPathReading::prWindows, TPathReading::prLinux}) {
        // The file first, then URLs that would need a folder of that name.
        CheckSequence(
            {{u"style.css", utLink, u"C:\\Out\\style.css", u"/out/style.css"},
             {u"style.css?v=2", utLink, u"C:\\Out\\style-2.css\\v=2\\index.html",
              u"/out/style-2.css/v=2/index.html"},
             {u"style.css?v=3", utLink, u"C:\\Out\\style-2.css\\v=3\\index.html",
              u"/out/style-2.css/v=3/index.html"},
             {u"logo", utImg, u"C:\\Out\\logo", u"/out/logo"},
             {u"logo/big.png", utImg, u"C:\\Out\\logo-2\\big.png", u"/out/logo-2/big.png"}},
            false, reading);
        // The folder first, then the file of that name; the next free number is taken.
        CheckSequence({{u"a.js?v=1", utScript, u"C:\\Out\\a.js\\v=1\\index.html",
                        u"/out/a.js/v=1/index.html"},
                       {u"a-2.js", utScript, u"C:\\Out\\a-2.js", u"/out/a-2.js"},
                       {u"a.js", utScript, u"C:\\Out\\a-3.js", u"/out/a-3.js"},
                       {u"a.js#x", utScript, u"C:\\Out\\a-3.js", u"/out/a-3.js"}},
                      false, reading);
    }
}

TEST(URLList, CollisionsCompareAsTheReadingDoes) {
    // Windows folds ASCII case: "Logo" runs into the file "logo"; Linux keeps them apart.
    CheckSequence({{u"logo", utImg, u"C:\\Out\\logo", u""},
                   {u"Logo/x.png", utImg, u"C:\\Out\\Logo-2\\x.png", u""}},
                  false, TPathReading::prWindows);
    CheckSequence(
        {{u"logo", utImg, u"", u"/out/logo"}, {u"Logo/x.png", utImg, u"", u"/out/Logo/x.png"}},
        false, TPathReading::prLinux);
    // Two URLs of one file are no collision: both keep the file.
    CheckSequence({{u"", utA, u"C:\\Out\\index.html", u"/out/index.html"},
                   {u"INDEX.html", utA, u"C:\\Out\\index.html", u"/out/index.html"}},
                  false, TPathReading::prWindows);
}

TEST(URLList, CompletePagesMapping) {
    struct Row {
        const char16_t* Rest;
        TURLTag Tag;
        const char16_t* Windows;
        const char16_t* Linux;
    };
    const Row rows[] = {
        {u"", utA, u"C:\\Out\\index.html", u"/out/index.html"},
        {u"about/", utA, u"C:\\Out\\about\\index.html", u"/out/about/index.html"},
        {u"?p=1", utA, u"C:\\Out\\p=1\\index.html", u"/out/p=1/index.html"},
        {u"page.html", utA, u"C:\\Out\\page.html", u"/out/page.html"},
        {u"manual_1.html#SEC1", utA, u"C:\\Out\\manual_1.html", u"/out/manual_1.html"},
        {u"a/b.XHTML", utIFrame, u"C:\\Out\\a\\b.XHTML", u"/out/a/b.XHTML"},
        {u"doc.pdf#page=2", utA, u"C:\\Out\\doc.pdf", u"/out/doc.pdf"},
        {u"pkg/tool.tar.gz", utA, u"C:\\Out\\pkg\\tool.tar.gz", u"/out/pkg/tool.tar.gz"},
        {u"photo.JPG", utA, u"C:\\Out\\photo.JPG", u"/out/photo.JPG"},
        {u"font.woff2", utLink, u"C:\\Out\\font.woff2", u"/out/font.woff2"},
        {u"q.css?v=3", utLink, u"C:\\Out\\q@v=3.css", u"/out/q@v=3.css"},
        {u"a.js?x=a/b", utScript, u"C:\\Out\\a@x=a_b.js", u"/out/a@x=a_b.js"},
        {u"data.json?", utA, u"C:\\Out\\data.json", u"/out/data.json"},
        // No extension that says what the file is: the folder-and-index mapping.
        {u"about", utA, u"C:\\Out\\about\\index.html", u"/out/about/index.html"},
        {u"view.php?id=5", utA, u"C:\\Out\\view.php\\id=5\\index.html",
         u"/out/view.php/id=5/index.html"},
        {u"run.cgi", utImg, u"C:\\Out\\run.cgi\\index.html", u"/out/run.cgi/index.html"},
        {u"thing.xyz", utA, u"C:\\Out\\thing.xyz\\index.html", u"/out/thing.xyz/index.html"},
        {u"thing.xyz", utImg, u"C:\\Out\\thing.xyz", u"/out/thing.xyz"},
        {u"v1.2/", utA, u"C:\\Out\\v1.2\\index.html", u"/out/v1.2/index.html"},
        {u"dir.png/x", utA, u"C:\\Out\\dir.png\\x\\index.html", u"/out/dir.png/x/index.html"},
    };
    for (TPathReading reading : {TPathReading::prWindows, TPathReading::prLinux}) {
        const bool windows = reading == TPathReading::prWindows;
        for (const Row& row : rows) {
            const QString url = QStringLiteral("http://site/") + QString::fromUtf16(row.Rest);
            SCOPED_TRACE(url.toStdString() + (windows ? " windows" : " linux"));
            TURLList table(reading, true);
            table.AddURL(row.Tag, url, QStringLiteral("http://site/"), QStringLiteral("index.html"),
                         windows ? QStringLiteral("C:\\Out") : QStringLiteral("/out"), 2, 0,
                         nullptr, QString());
            EXPECT_EQ(table.OutFilePath(0), QString::fromUtf16(windows ? row.Windows : row.Linux));
        }
    }
    // Without the switch the same table maps as it always did.
    TURLList parts(TPathReading::prLinux);
    parts.AddURL(utA, QStringLiteral("http://site/page.html"), QStringLiteral("http://site/"),
                 QStringLiteral("index.html"), QStringLiteral("/out"), 2, 0, nullptr, QString());
    EXPECT_EQ(parts.OutFilePath(0), QStringLiteral("/out/page.html/index.html"));
}

TEST(URLList, NamesAreComparedAsTheyAreWritten) {
    for (TPathReading reading : {TPathReading::prWindows, TPathReading::prLinux}) {
        // Decoded dot segments and separators: the later URL takes a numbered name.
        CheckSequence(
            {{u"about/", utA, u"C:\\Out\\about\\index.html", u"/out/about/index.html"},
             {u"c/%2e%2e/about/", utA, u"C:\\Out\\about\\index-2.html", u"/out/about/index-2.html"},
             {u"x/%2E/y.png", utImg, u"C:\\Out\\x\\y.png", u"/out/x/y.png"},
             {u"x%2fy.png", utImg, u"C:\\Out\\x\\y-2.png", u"/out/x/y-2.png"},
             // A decoded separator of a query stays in the name.
             {u"a/page?..%2f..", utA, u"C:\\Out\\a\\page\\.._..\\index.html",
              u"/out/a/page/.._../index.html"},
             // One resource under several URLs keeps one file.
             {u"about/index.html", utA, u"C:\\Out\\about\\index.html", u"/out/about/index.html"},
             {u"about", utA, u"C:\\Out\\about\\index.html", u"/out/about/index.html"},
             // Climbing above the output folder is left for the save to refuse.
             {u"%2e%2e/%2e%2e/z.png", utImg, u"C:\\Out\\%2e%2e\\%2e%2e\\z.png",
              u"/out/%2e%2e/%2e%2e/z.png"}},
            false, reading);
        CheckSequence({{u"q.css?v=1", utLink, u"C:\\Out\\q@v=1.css", u"/out/q@v=1.css"},
                       {u"q@v=1.css", utLink, u"C:\\Out\\q@v=1-2.css", u"/out/q@v=1-2.css"},
                       {u"s.css?a%2Fb", utLink, u"C:\\Out\\s@a_b.css", u"/out/s@a_b.css"},
                       // The same text once decoded: one resource.
                       {u"s.css?a/b", utLink, u"C:\\Out\\s@a_b.css", u"/out/s@a_b.css"},
                       {u"s@a_b.css", utLink, u"C:\\Out\\s@a_b-2.css", u"/out/s@a_b-2.css"}},
                      true, reading);
    }
    // In the Windows reading "\" and its escape separate folders, so a query keeps them too.
    CheckSequence({{u"p?a%5Cb\\c", utA, u"C:\\Out\\p\\a_b_c\\index.html", u""}}, false,
                  TPathReading::prWindows);
}

TEST(URLList, ManyClashingNamesTakeSuccessiveNumbers) {
    TURLList table(TPathReading::prLinux);
    for (int i = 0; i < 2000; ++i) {
        const QString url = QStringLiteral("http://site/d%1/%2e%2e/x.png").arg(i);
        const int index =
            table.AddURL(utImg, url, QStringLiteral("http://site/"), QStringLiteral("index.html"),
                         QStringLiteral("/out"), 0, 0, nullptr, QString());
        ASSERT_EQ(table.OutFilePath(index), i == 0 ? QStringLiteral("/out/x.png")
                                                   : QStringLiteral("/out/x-%1.png").arg(i + 1));
    }
}

// A copy takes what processing would add without changing its source: texts (short ones and one
// long enough for a block of its own), numbered names and the duplicate hash all stay apart.
TEST(URLList, CopyGrowsApartFromItsSource) {
    const QString site = QStringLiteral("http://site/");
    const auto add = [&](TURLList& AList, const QString& AURL) {
        return AList.AddURL(utScript, AURL, site, QStringLiteral("index.html"),
                            QStringLiteral("/out/"), 0, 1, nullptr, QString());
    };
    TURLList source(TPathReading::prLinux);
    const QString longURL = site + QString(40000, u'x') + QStringLiteral(".js");
    for (int i = 0; i < 300; ++i)
        add(source, site + QStringLiteral("p%1.js").arg(i));
    add(source, longURL);
    add(source, site + QStringLiteral("a.js?v=1"));

    TURLList copy(source);
    EXPECT_EQ(add(copy, site + QStringLiteral("a.js")), source.Count());
    EXPECT_EQ(add(copy, site + QStringLiteral("P7.JS")), 7);
    EXPECT_EQ(copy.URL(300), longURL);
    EXPECT_EQ(copy.OutFilePath(source.Count()), QStringLiteral("/out/a-2.js"));

    EXPECT_EQ(source.Count(), 302);
    EXPECT_EQ(source.FindURL(site + QStringLiteral("a.js")), -1);
    EXPECT_EQ(add(source, site + QStringLiteral("a.js")), 302); // the name is free here still
    EXPECT_EQ(source.OutFilePath(302), QStringLiteral("/out/a-2.js"));
    EXPECT_EQ(source.URL(300), longURL);
    EXPECT_EQ(source.URL(5), site + QStringLiteral("p5.js"));
}
