// The file name a download's Content-Disposition gives, and the link text that follows a rename.
#include "engine/uServerFileNames.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarrow;

namespace {

struct DispositionRow {
    const char16_t* Value;
    const char16_t* Name; // empty: the URL's own name stays
};

const DispositionRow DispositionRows[] = {
    {u"attachment; filename=\"report.pdf\"", u"report.pdf"},
    {u"attachment; filename=report.pdf", u"report.pdf"},
    {u"attachment;filename=report.pdf;size=3", u"report.pdf"},
    {u"ATTACHMENT; FileName = \"report.pdf\" ", u"report.pdf"},
    {u"attachment; filename=\"a \\\"b\\\".pdf\"", u"a__b_.pdf"},
    // Content shown in place keeps the name of its URL.
    {u"inline; filename=\"report.pdf\"", u""},
    {u"filename=\"report.pdf\"", u""},
    {u"attachment; filename=\"My Report (2).tar.gz\"", u"My_Report__2_.tar.gz"},
    {u"attachment; filename=\"x;y.pdf\"; name=z", u"x_y.pdf"},
    {u"attachment; filename*=UTF-8''%E2%82%AC%20rates.pdf", u"\u20AC_rates.pdf"},
    {u"attachment; filename=\"fallback.pdf\"; filename*=utf-8'en'r%C3%A9sum%C3%A9.pdf",
     u"r\u00E9sum\u00E9.pdf"},
    {u"attachment; filename*=iso-8859-1''caf%E9.txt", u"caf\u00E9.txt"},
    // An extended value that cannot be read leaves the plain one.
    {u"attachment; filename*=UTF-8''%FF.pdf; filename=plain.pdf", u"plain.pdf"},
    {u"attachment; filename*=KOI8-R''x.pdf; filename=plain.pdf", u"plain.pdf"},
    {u"attachment; filename=\"first.pdf\"; filename=\"second.pdf\"", u"first.pdf"},
    // Paths, dot segments, control characters, hidden names and names without an extension.
    {u"attachment; filename=\"../../etc/passwd.txt\"", u""},
    {u"attachment; filename=\"dir/report.pdf\"", u""},
    {u"attachment; filename=\"dir\\\\report.pdf\"", u""},
    {u"attachment; filename*=UTF-8''..%2Fx.pdf", u""},
    {u"attachment; filename=\"a..pdf\"", u""},
    {u"attachment; filename=\"..\"", u""},
    {u"attachment; filename=\".htaccess\"", u""},
    {u"attachment; filename=\"report\"", u""},
    {u"attachment; filename=\"report.\"", u""},
    {u"attachment; filename=\"report.p df\"", u""},
    {u"attachment; filename*=UTF-8''a%0Ab.pdf", u""},
    {u"attachment; filename*=UTF-8''a%E2%80%AEfdp.exe", u""},
    {u"attachment; filename=\"\"", u""},
    {u"attachment", u""},
    {u"", u""},
    {u"attachment; filename", u""},
    {u"attachment; filename=\"unterminated.pdf", u"unterminated.pdf"},
    {u";;;=;=\"", u""},
};

TEST(ServerFileNames, DispositionFileNameTakesOnlyAPlainName) {
    for (const DispositionRow& row : DispositionRows) {
        const QString value = QString::fromUtf16(row.Value);
        SCOPED_TRACE(value.toStdString());
        EXPECT_EQ(DispositionFileName(value), QString::fromUtf16(row.Name));
    }
}

// Whatever a hostile header holds, the name is one plain segment or nothing.
TEST(ServerFileNames, NoHeaderGivesAPathStep) {
    const QString pieces[] = {QStringLiteral("attachment"), QStringLiteral(";"),
                              QStringLiteral("filename="),  QStringLiteral("filename*="),
                              QStringLiteral("\""),         QStringLiteral("\\"),
                              QStringLiteral("/"),          QStringLiteral(".."),
                              QStringLiteral("."),          QStringLiteral("x.pdf"),
                              QStringLiteral("%2F"),        QStringLiteral("UTF-8''"),
                              QStringLiteral("%00"),        QStringLiteral("'"),
                              QStringLiteral(" "),          QString(QChar(1))};
    const int count = int(std::size(pieces));
    for (int a = 0; a < count; ++a)
        for (int b = 0; b < count; ++b)
            for (int c = 0; c < count; ++c)
                for (int d = 0; d < count; ++d) {
                    const QString value = pieces[a] + pieces[b] + pieces[c] + pieces[d];
                    const QString name = DispositionFileName(value);
                    if (name.isEmpty())
                        continue;
                    SCOPED_TRACE(value.toStdString());
                    EXPECT_FALSE(name.contains(u'/') || name.contains(u'\\') ||
                                 name.contains(u"..") || name.startsWith(u'.'));
                    EXPECT_TRUE(std::none_of(name.begin(), name.end(),
                                             [](QChar ch) { return ch.unicode() < 0x20; }));
                }
}

TEST(ServerFileNames, ReplaceLinkTextChangesWholeLinksOnly) {
    const QString from = QStringLiteral("get/file=report/index.html");
    const QString to = QStringLiteral("get/file=report/report.pdf");
    struct Row {
        const char* Before;
        const char* After;
    } rows[] = {
        {"<a href=\"get/file=report/index.html\">", "<a href=\"get/file=report/report.pdf\">"},
        {"<a href='get/file=report/index.html#p2'>", "<a href='get/file=report/report.pdf#p2'>"},
        {"<a href=get/file=report/index.html>", "<a href=get/file=report/report.pdf>"},
        {"url(get/file=report/index.html)", "url(get/file=report/report.pdf)"},
        {"srcset=\"a.png 1x, get/file=report/index.html 2x\"",
         "srcset=\"a.png 1x, get/file=report/report.pdf 2x\""},
        // Another file whose link merely contains the text stays.
        {"<a href=\"../get/file=report/index.html\">",
         "<a href=\"../get/file=report/index.html\">"},
        {"<a href=\"get/file=report/index.htmlx\">", "<a href=\"get/file=report/index.htmlx\">"},
        {"get/file=report/index.html get/file=report/index.html",
         "get/file=report/report.pdf get/file=report/report.pdf"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Before);
        EXPECT_EQ(ReplaceLinkText(row.Before, from, to), QByteArray(row.After));
    }
}

} // namespace
