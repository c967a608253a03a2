#include "base/uPathUtils.h"
#include "base/uURLUtils.h"

#include <gtest/gtest.h>

using namespace tarrow;

namespace {

struct Row {
    const char16_t* In;
    const char16_t* Expected;
};

TEST(ResolveURL, ExamplesAgainstPageWithQuery) {
    const QString base = QStringLiteral("http://site/a/b/page.html?x=1");
    const Row rows[] = {
        {u"//cdn/x.js", u"http://cdn/x.js"},
        {u"https://other/x", u"https://other/x"},
        {u"", u""},
        {u"#top", u""},
        {u"mailto:me", u""},
        {u"c.html?t=10:30", u""},
        {u"/root/x.html", u"http://site/root/x.html"},
        {u"c.html", u"http://site/a/b/c.html"},
        {u"./c.html", u"http://site/a/b/c.html"},
        {u"../c.html", u"http://site/a/c.html"},
        {u"../../c.html", u"http://site/c.html"},
        {u"?y=2", u"http://site/a/b/?y=2"},
        {u"/a/../d?q=/../z", u"http://site/d?q=/../z"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.In).toStdString());
        EXPECT_EQ(ResolveURL(QString::fromUtf16(row.In), base), QString::fromUtf16(row.Expected));
    }
}

TEST(ResolveURL, StepsRatherThanSummaries) {
    struct Case {
        const char16_t* Link;
        const char16_t* Base;
        const char16_t* Expected;
    };
    const Case cases[] = {
        {u"c.html", u"http://site", u"http://site/c.html"},
        {u"/x", u"http://site", u"http://site/x"},
        {u"//cdn/x.js", u"https://site/p", u"https://cdn/x.js"},
        {u"//cdn/x.js", u"site/p",
         u"http:/"
         "/cdn/x.js"},
        // A protocol-relative link keeps its "/../".
        {u"//cdn/a/../x.js", u"http://site/p", u"http://cdn/a/../x.js"},
        // One "../" too many eats into the scheme: the host becomes the link's segment.
        {u"../x", u"http://site/p.html", u"http://x"},
        {u"../../../../x", u"http://site/p.html", u""},
        // A ":" is only fatal when step 4 is reached.
        {u"//h:8080/x", u"http://site/", u"http://h:8080/x"},
        {u"https://h:8080/x", u"http://site/", u"https://h:8080/x"},
        {u"go?u=http://x", u"http://site/", u"go?u=http://x"},
        {u"#", u"http://site/", u""},
        {u"./", u"http://site/a/", u"http://site/a/"},
        {u"a/b/../../c", u"http://site/", u"http://site/c"},
        // The page's own query never takes part.
        {u"x", u"http://site/a?b/c", u"http://site/x"},
        // A base without a scheme: the host start is the first character.
        {u"x.html", u"page", u"page/x.html"},
        {u"../x.html", u"dir/page", u""},
        // Dot segments without a "/" after them go too: the folder itself, once.
        {u"..", u"http://site/guide/setup/x.html", u"http://site/guide/"},
        {u".", u"http://site/guide/setup/x.html", u"http://site/guide/setup/"},
        {u"..?q=1#f", u"http://site/guide/setup/x", u"http://site/guide/?q=1#f"},
        {u"a/./b/.", u"http://site/", u"http://site/a/b/"},
        {u"/a/b/..", u"http://site/", u"http://site/a/"},
        // "/../" in the query of the resolved URL stays.
        {u"p?q=a/../b", u"http://site/d/", u"http://site/d/p?q=a/../b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.Link).toStdString() + " @ " +
                     QString::fromUtf16(c.Base).toStdString());
        EXPECT_EQ(ResolveURL(QString::fromUtf16(c.Link), QString::fromUtf16(c.Base)),
                  QString::fromUtf16(c.Expected));
    }
}

TEST(ResolveURL, HostileInputStaysBoundedAndSafe) {
    const QString base = QStringLiteral("http://site/a/b/c.html");
    const QString longChain =
        QStringLiteral("x/").repeated(20000) + QStringLiteral("../").repeated(20000) + u'y';
    EXPECT_EQ(ResolveURL(longChain, base), QStringLiteral("http://site/a/b/y"));
    const QString tooMany = QStringLiteral("../").repeated(22000);
    EXPECT_EQ(ResolveURL(tooMany, base), QString());
    const QString huge(64 * 1024, u'a');
    EXPECT_EQ(ResolveURL(huge, base).size(),
              QStringLiteral("http://site/a/b/").size() + huge.size());
    // Unpaired surrogates and non-ASCII text pass through as they are.
    const QString odd = QString(QChar(0xD800)) + QStringLiteral("é/../") + QChar(0xDC00);
    EXPECT_EQ(ResolveURL(odd, base), QStringLiteral("http://site/a/b/") + QChar(0xDC00));
    for (const char16_t* text : {u"", u"#", u"//", u"/", u".", u"..", u"../", u"./", u"?", u":"}) {
        SCOPED_TRACE(QString::fromUtf16(text).toStdString());
        (void)ResolveURL(QString::fromUtf16(text), base);
        (void)ResolveURL(base, QString::fromUtf16(text));
        (void)ResolveURL(QString::fromUtf16(text), QString::fromUtf16(text));
    }
}

TEST(UnloadableURLReason, OnlyHTTPURLsWithAHostAreLoaded) {
    const Row rows[] = {
        {u"http://h/", u""},
        {u"HTTPS://u:p@h:8080/a?b", u""},
        {u"http://[::1]:80/", u""},
        {u"127.0.0.1:18431/", u"not an http or https URL"},
        {u"http:/x", u"not an http or https URL"},
        {u"mailto:a@b", u"not an http or https URL"},
        {u"//x", u"not an http or https URL"},
        {u"", u"not an http or https URL"},
        {u"http:///a", u"no host name"},
        {u"https://:80/", u"no host name"},
        {u"http://user@?q", u"no host name"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.In).toStdString());
        EXPECT_EQ(UnloadableURLReason(QString::fromUtf16(row.In)),
                  QString::fromUtf16(row.Expected));
    }
}

TEST(EncodeNonASCIIChars, EscapesEachUTF8ByteAbove0x7F) {
    EXPECT_EQ(EncodeNonASCIIChars(QStringLiteral("http://h/a b?x=%41")),
              QStringLiteral("http://h/a b?x=%41"));
    EXPECT_EQ(EncodeNonASCIIChars(QStringLiteral("http://h/caf\u00E9/\u20AC")),
              QStringLiteral("http://h/caf%C3%A9/%E2%82%AC"));
    EXPECT_EQ(EncodeNonASCIIChars(QStringLiteral("http://h/\u007F\u0080")),
              QStringLiteral("http://h/\u007F%C2%80"));
}

TEST(RemoveURLFragment, CutsAtFirstHash) {
    EXPECT_EQ(RemoveURLFragment(QStringLiteral("http://s/a#x#y")), QStringLiteral("http://s/a"));
    EXPECT_EQ(RemoveURLFragment(QStringLiteral("http://s/a")), QStringLiteral("http://s/a"));
    EXPECT_EQ(RemoveURLFragment(QStringLiteral("#")), QString());
    EXPECT_EQ(RemoveURLFragment(QString()), QString());
}

TEST(ExpandPath, WindowsReading) {
    const TPathReading R = TPathReading::prWindows;
    const QString base = QStringLiteral("C:\\Out");
    const Row rows[] = {
        {u"C:\\Out\\a\\index.html", u"C:\\Out\\a\\index.html"},
        {u"files\\x.pdf", u"C:\\Out\\files\\x.pdf"},
        {u"\\index.html", u"C:\\Out\\index.html"},
        {u"/docs", u"C:\\Out\\docs"},
        {u"", u"C:\\Out"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.In).toStdString());
        EXPECT_EQ(ExpandPath(QString::fromUtf16(row.In), base, R),
                  QString::fromUtf16(row.Expected));
        EXPECT_EQ(ExpandPath(QString::fromUtf16(row.In), QString(), R), QString::fromUtf16(row.In));
    }
    // Folder text with "/" and a trailing separator; a folder without a drive is still a base.
    EXPECT_EQ(ExpandPath(QStringLiteral("a"), QStringLiteral("C:/Out/"), R),
              QStringLiteral("C:\\Out\\a"));
    EXPECT_EQ(ExpandPath(QStringLiteral("\\\\srv\\share\\x"), QStringLiteral("\\\\srv\\share"), R),
              QStringLiteral("\\\\srv\\share\\\\srv\\share\\x"));
}

TEST(ExpandPath, LinuxReading) {
    const TPathReading R = TPathReading::prLinux;
    const QString base = QStringLiteral("/out");
    const Row rows[] = {
        {u"/out/a/index.html", u"/out/a/index.html"},
        {u"files/x.pdf", u"/out/files/x.pdf"},
        {u"/docs", u"/docs"},
        {u"", u"/out"},
        {u"a\\b.txt", u"/out/a\\b.txt"},
        {u"c:x", u"/out/c:x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.In).toStdString());
        EXPECT_EQ(ExpandPath(QString::fromUtf16(row.In), base, R),
                  QString::fromUtf16(row.Expected));
        EXPECT_EQ(ExpandPath(QString::fromUtf16(row.In), QString(), R), QString::fromUtf16(row.In));
    }
    // A folder text written on Windows still works.
    EXPECT_EQ(ExpandPath(QStringLiteral("x"), QStringLiteral("\\srv\\out\\"), R),
              QStringLiteral("/srv/out/x"));
}

TEST(PathUtils, FileURLAndDrive) {
    {
        const TPathReading R = TPathReading::prWindows;
        EXPECT_EQ(FileURLFromPath(u"C:\\Sites\\Blog\\a.png", R),
                  QStringLiteral("file:///C:/Sites/Blog/a.png"));
        EXPECT_EQ(DrivePart(u"C:\\x", R), QStringLiteral("C:"));
        EXPECT_EQ(DrivePart(u"\\\\srv\\x", R), QString());
    }
    const TPathReading R = TPathReading::prLinux;
    EXPECT_EQ(FileURLFromPath(u"/home/u/Sites/a.png", R),
              QStringLiteral("file:///home/u/Sites/a.png"));
    EXPECT_EQ(DrivePart(u"C:/x", R), QString());
}

} // namespace
