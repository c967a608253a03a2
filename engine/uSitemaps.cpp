#include "engine/uSitemaps.h"

#include "http/uHTTPContent.h"

#include <QByteArray>
#include <QXmlStreamReader>

namespace tarrow {

namespace {

bool IsGzip(QByteArrayView AData) {
    return AData.size() >= 2 && uchar(AData[0]) == 0x1F && uchar(AData[1]) == 0x8B;
}

// XML unless the first thing after a UTF-8 byte-order mark and white space is something else
// than "<"; a UTF-16 byte-order mark is XML's.
bool IsXML(QByteArrayView AData) {
    if (AData.startsWith("\xFE\xFF") || AData.startsWith("\xFF\xFE"))
        return true;
    if (AData.startsWith("\xEF\xBB\xBF"))
        AData = AData.sliced(3);
    const QByteArrayView text = AData.trimmed();
    return text.startsWith('<');
}

QString MegabytesText(qsizetype ABytes) {
    return QString::number(ABytes >> 20);
}

// The decompressed bytes of a gzip member, or a problem.
QString Decompress(QByteArrayView AData, QByteArray& AOut) {
    try {
        if (!DecodeContent(AData.toByteArray(), QStringLiteral("gzip"), AOut, kMaxSitemapBytes))
            return QStringLiteral("compressed data cut short");
    } catch (const EContentTooLarge&) {
        AOut.clear();
        return QStringLiteral("larger than %1 MB when decompressed")
            .arg(MegabytesText(kMaxSitemapBytes));
    }
    return QString();
}

// Adds a location; false once the file holds more than the protocol allows.
bool AddLoc(TSitemap& ASitemap, const QString& AText) {
    const QString loc = AText.trimmed();
    if (loc.isEmpty())
        return true;
    if (ASitemap.Locs.size() >= kMaxSitemapURLs) {
        ASitemap.Truncated = true;
        return false;
    }
    ASitemap.Locs.append(loc);
    return true;
}

void ReadText(QByteArrayView AData, TSitemap& ASitemap) {
    if (AData.startsWith("\xEF\xBB\xBF"))
        AData = AData.sliced(3);
    qsizetype start = 0;
    while (start < AData.size()) {
        qsizetype end = start;
        while (end < AData.size() && AData[end] != '\n' && AData[end] != '\r')
            ++end;
        if (!AddLoc(ASitemap, QString::fromUtf8(AData.sliced(start, end - start))))
            return;
        start = end + 1;
    }
}

// The name without its namespace prefix.
QStringView LocalName(QStringView AName) {
    return AName.sliced(AName.lastIndexOf(u':') + 1);
}

bool IsName(QStringView AName, QStringView AWanted) {
    return LocalName(AName).compare(AWanted, Qt::CaseInsensitive) == 0;
}

// Only <loc> directly in an item directly in the root counts: image, video and news extensions
// carry <loc> elements of their own one level deeper.
void ReadXML(QByteArrayView AData, TSitemap& ASitemap) {
    QXmlStreamReader xml(QByteArray::fromRawData(AData.data(), AData.size()));
    // Prefixes are read as part of the name: an undeclared one is no reason to give up.
    xml.setNamespaceProcessing(false);
    int depth = 0;
    bool inItem = false;
    bool rootSeen = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 1) {
                rootSeen = true;
                ASitemap.Index = IsName(xml.name(), u"sitemapindex");
                if (!ASitemap.Index && !IsName(xml.name(), u"urlset")) {
                    ASitemap.Problem =
                        QStringLiteral("not a sitemap (its root element is <%1>)").arg(xml.name());
                    return;
                }
            } else if (depth == 2) {
                inItem = IsName(xml.name(), ASitemap.Index ? u"sitemap" : u"url");
            } else if (depth == 3 && inItem && IsName(xml.name(), u"loc")) {
                const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
                --depth; // its end element is read
                if (!xml.hasError() && !AddLoc(ASitemap, text))
                    return;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (--depth == 0)
                return; // whatever follows the root element is not read
            inItem = inItem && depth > 1;
        }
    }
    if (xml.hasError()) {
        ASitemap.Locs.clear();
        ASitemap.Problem =
            QStringLiteral("XML error in line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    } else if (!rootSeen) {
        ASitemap.Problem = QStringLiteral("no XML element");
    }
}

} // namespace

TSitemap ParseSitemap(QByteArrayView AData) {
    TSitemap sitemap;
    if (AData.size() > kMaxSitemapBytes) {
        sitemap.Problem = QStringLiteral("larger than %1 MB").arg(MegabytesText(kMaxSitemapBytes));
        return sitemap;
    }
    QByteArray decompressed;
    if (IsGzip(AData)) {
        sitemap.Problem = Decompress(AData, decompressed);
        if (!sitemap.Problem.isEmpty())
            return sitemap;
        AData = decompressed;
    }
    if (AData.trimmed().isEmpty())
        sitemap.Problem = QStringLiteral("empty");
    else if (IsXML(AData))
        ReadXML(AData, sitemap);
    else
        ReadText(AData, sitemap);
    return sitemap;
}

} // namespace tarrow
