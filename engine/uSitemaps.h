#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace tarrow {

// The bounds the sitemaps protocol sets for one file: its URLs, and its bytes once decompressed.
inline constexpr qsizetype kMaxSitemapURLs = 50000;
inline constexpr qsizetype kMaxSitemapBytes = qsizetype(50) << 20;

// What one sitemap file lists.
struct TSitemap {
    // A <sitemapindex>: Locs name further sitemaps rather than pages.
    bool Index = false;
    // The <loc> texts of its <url> (or <sitemap>) elements, trimmed, in document order; empty
    // ones left out. A plain-text sitemap gives its non-empty lines.
    QStringList Locs;
    // Why the file cannot be read (Locs is then empty), or an empty text.
    QString Problem;
    // It lists more than kMaxSitemapURLs: Locs holds the first ones.
    bool Truncated = false;
};

// Reads a sitemap file as served: a gzip member (known by its magic bytes) is decompressed
// first. XML elements are matched by local name, so a namespace or a prefix of any kind is read;
// CDATA sections and character references are read as text. Bytes that do not start with "<"
// (after a byte-order mark and white space) are a plain-text sitemap, one URL per line.
TSitemap ParseSitemap(QByteArrayView AData);

} // namespace tarrow
