// The sitemap reader on any bytes: it never crashes, keeps to the protocol's bounds, gives no
// locations with a problem, and the locations it reads come back unchanged from a sitemap that
// lists them, written plainly or in CDATA sections.
#include "engine/uSitemaps.h"
#include "fuzz/FuzzSupport.h"

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

// Characters XML 1.0 text can carry; a carriage return only as a reference.
bool WritableInXML(const QString& AText) {
    for (const QChar c : AText) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF ||
            c.isSurrogate())
            return false;
    }
    return true;
}

QByteArray Escaped(const QString& AText) {
    QString text = AText;
    text.replace(u'&', QLatin1String("&amp;"));
    text.replace(u'<', QLatin1String("&lt;"));
    text.replace(u'>', QLatin1String("&gt;"));
    text.replace(u'\r', QLatin1String("&#13;"));
    return text.toUtf8();
}

QByteArray Rewritten(const QStringList& ALocs, bool ACData) {
    QByteArray xml = "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const QString& loc : ALocs)
        xml += "<url><loc>" + (ACData ? "<![CDATA[" + loc.toUtf8() + "]]>" : Escaped(loc)) +
               "</loc></url>\n";
    return xml + "</urlset>";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    const QByteArrayView input(reinterpret_cast<const char*>(AData),
                               qsizetype(std::min<size_t>(ASize, 256 * 1024)));
    const TSitemap sitemap = ParseSitemap(input);
    const QString shown = QString::fromUtf8(input.first(std::min<qsizetype>(input.size(), 200)));
    FUZZ_CHECK(sitemap.Problem.isEmpty() || sitemap.Locs.isEmpty(), shown);
    FUZZ_CHECK(sitemap.Locs.size() <= kMaxSitemapURLs, shown);
    FUZZ_CHECK(!sitemap.Truncated || sitemap.Locs.size() == kMaxSitemapURLs, shown);
    bool writable = true;
    bool inCData = true;
    for (const QString& loc : sitemap.Locs) {
        FUZZ_CHECK(!loc.isEmpty() && loc.trimmed() == loc, loc);
        writable = writable && WritableInXML(loc);
        inCData = inCData && !loc.contains(QLatin1String("]]>")) && !loc.contains(u'\r');
    }
    if (!writable || sitemap.Locs.isEmpty())
        return 0;
    for (const bool cdata : {false, true}) {
        if (cdata && !inCData)
            continue;
        const TSitemap again = ParseSitemap(Rewritten(sitemap.Locs, cdata));
        FUZZ_CHECK(again.Problem.isEmpty(), again.Problem);
        FUZZ_CHECK(!again.Index, shown);
        FUZZ_CHECK(again.Locs == sitemap.Locs, shown);
    }
    return 0;
}
