#include "page/uSrcSet.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

// The URLs, each checked against the range it claims in the value.
QStringList Urls(const QString& AValue) {
    QStringList urls;
    qsizetype previousEnd = 0;
    for (const TSrcSetCandidate& candidate : ParseSrcSet(AValue)) {
        EXPECT_LE(previousEnd, candidate.Start);
        EXPECT_LT(candidate.Start, candidate.End);
        EXPECT_EQ(AValue.mid(candidate.Start, candidate.End - candidate.Start), candidate.URL);
        previousEnd = candidate.End;
        urls.append(candidate.URL);
    }
    return urls;
}

TEST(SrcSet, SplitsCandidatesAsHtmlDoes) {
    struct Row {
        const char16_t* Value;
        std::initializer_list<const char16_t*> Urls;
    };
    const Row rows[] = {
        {u"a.png 1x, b.png 2x", {u"a.png", u"b.png"}},
        {u"a.png, b.png", {u"a.png", u"b.png"}},
        {u"a.png,b.png", {u"a.png,b.png"}}, // a URL runs to whitespace, commas included
        {u"a.png,,, b.png,", {u"a.png", u"b.png"}},
        {u"a.png 1x,b.png 2x", {u"a.png", u"b.png"}},
        {u"a.png 1x,,b.png", {u"a.png", u"b.png"}},
        {u"a.png 1x b.png 2x", {u"a.png"}}, // no comma: the rest are descriptors
        {u"a.png calc(1px, 2px) 1x, b.png", {u"a.png", u"b.png"}},
        {u"a.png f((x) , y), b.png", {u"a.png", u"y)", u"b.png"}}, // parentheses do not nest
        {u"a.png (1x, b.png", {u"a.png"}},                         // unclosed until the end
        {u"  \t\n a.png \f 100w  ,\r\n  b.png  ", {u"a.png", u"b.png"}},
        {u"data:image/png;base64,AA== 1x, b.png 2x", {u"data:image/png;base64,AA==", u"b.png"}},
        {u"", {}},
        {u",,,", {}},
        {u" , ,\t, ", {}},
        {u"a.png)(, b.png", {u"a.png)(", u"b.png"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.Value).toStdString());
        QStringList expected;
        for (const char16_t* url : row.Urls)
            expected.append(QString::fromUtf16(url));
        EXPECT_EQ(Urls(QString::fromUtf16(row.Value)), expected);
    }
}

TEST(SrcSet, RangesPointAtTheUrls) {
    const QList<TSrcSetCandidate> candidates = ParseSrcSet(u" a.png,, bb.png 2x");
    ASSERT_EQ(candidates.size(), 2);
    EXPECT_EQ(candidates[0].Start, 1);
    EXPECT_EQ(candidates[0].End, 6);
    EXPECT_EQ(candidates[1].Start, 9);
    EXPECT_EQ(candidates[1].End, 15);
}

TEST(SrcSet, RewriteKeepsEverythingButMappedUrls) {
    const QString value = u" a.png 1x,  b.png,, c.png (x, y) 2x ,d.png"_s;
    const QString out = RewriteSrcSet(value, [](const QString& AURL) {
        if (AURL == QLatin1String("b.png"))
            return std::optional<QString>();
        return std::optional<QString>(QStringLiteral("img/") + AURL.toUpper());
    });
    EXPECT_EQ(out, u" img/A.PNG 1x,  b.png,, img/C.PNG (x, y) 2x ,img/D.PNG"_s);
    EXPECT_EQ(RewriteSrcSet(value, [](const QString&) { return std::optional<QString>(); }), value);
    EXPECT_EQ(RewriteSrcSet(
                  u"", [](const QString&) { return std::optional<QString>(QStringLiteral("x")); }),
              QString());
}

TEST(SrcSet, ThousandsOfCandidatesAreAllRead) {
    QString value;
    for (int i = 0; i < 20000; ++i)
        value += QStringLiteral("img/%1.png %2w, ").arg(i).arg(i + 1);
    const QList<TSrcSetCandidate> candidates = ParseSrcSet(value);
    ASSERT_EQ(candidates.size(), 20000);
    EXPECT_EQ(candidates.last().URL, QStringLiteral("img/19999.png"));

    EXPECT_TRUE(ParseSrcSet(QString(1 << 20, u',')).isEmpty());
    EXPECT_EQ(ParseSrcSet(QStringLiteral("a ") + QString(1 << 20, u'(')).size(), 1);
    EXPECT_EQ(ParseSrcSet(QStringLiteral("a, ").repeated(1 << 18)).size(), 1 << 18);
}

} // namespace
