#include "page/LinkProcessingUnit.h"

#include "base/uPathUtils.h"
#include "base/uURLUtils.h"
#include "page/uLocalLinks.h"
#include "page/uParseUtils.h"
#include "base/uStrUtils.h"

#include <QHash>
#include <limits>
#include <optional>

namespace tarrow {

namespace {

// The names handed to FindTag; the index found gives the tag kind.
const QStringList& LinkTagNames() {
    static const QStringList names{QStringLiteral("a"),        QStringLiteral("img"),
                                   QStringLiteral("link"),     QStringLiteral("script"),
                                   QStringLiteral("noscript"), QStringLiteral("iframe")};
    return names;
}

constexpr TURLTag TagKinds[] = {utA, utImg, utLink, utScript, utNoscript, utIFrame};

QStringView LinkAttribute(TURLTag AKind) {
    switch (AKind) {
    case utA:
    case utLink:
        return u"href";
    case utImg:
    case utScript:
    case utIFrame:
        return u"src";
    default:
        return {};
    }
}

// The file name a folder URL gets under a download-file rule.
QString PlaceholderName(TURLTag AKind) {
    switch (AKind) {
    case utImg:
        return QStringLiteral("image.png");
    case utLink:
        return QStringLiteral("style.css");
    case utScript:
        return QStringLiteral("script.js");
    default:
        return QStringLiteral("index.html");
    }
}

class TLinkProcessor final {
public:
    TLinkProcessor(TLinkTable& AURLList, const QString& APageURL, const QString& APageOutFilePath,
                   int32_t AExtractURLs, int32_t AURLDepth, const TLinkProcessingSettings& S);
    int32_t Walk(QStringView AText, QString& AOut);

private:
    bool IsRemoved(TURLTag AKind) const;
    void WriteTag(QStringView ATag, TURLTag AKind, QString& AOut);
    std::optional<QString> NewLinkFor(const QString& AValue, TURLTag AKind, QStringView ATag);
    void MapDomainAlias(QString& AURL) const;
    std::optional<int> TargetEntry(TURLTag AKind, const QString& AURL, QStringView AValue,
                                   const QString& ALinkType);
    int FindRule(const QString& AURL) const;

    TLinkTable& FURLList;
    const QString& FPageURL;
    const QString& FPageOutFilePath;
    const int32_t FExtractURLs;
    const int32_t FURLDepth;
    const int32_t FNextDepth;
    const TLinkProcessingSettings& FSettings;
    TLocalLinkOptions FLocalLinks;
    QStringList FAliasPrefixes;          // the website prefix with each alias as its host
    QStringList FRuleFolders;            // each download-file rule's folder under the output folder
    QHash<QString, QString> FKnownLinks; // value -> link, for values that led to an entry
    int32_t FNewCount = 0;
};

TLinkProcessor::TLinkProcessor(TLinkTable& AURLList, const QString& APageURL,
                               const QString& APageOutFilePath, int32_t AExtractURLs,
                               int32_t AURLDepth, const TLinkProcessingSettings& S)
    : FURLList(AURLList), FPageURL(APageURL), FPageOutFilePath(APageOutFilePath),
      FExtractURLs(AExtractURLs), FURLDepth(AURLDepth),
      FNextDepth(AURLDepth == std::numeric_limits<int32_t>::max() ? AURLDepth : AURLDepth + 1),
      FSettings(S), FLocalLinks{S.RelativePathLinks, S.BaseURL, S.IndexFile, S.OutDir, S.PathReading} {
    const QString& website = S.WebsiteURL;
    const qsizetype scheme = website.indexOf(QLatin1String("://"));
    const qsizetype path = scheme < 0 ? -1 : website.indexOf(u'/', scheme + 3);
    if (path >= 0)
        for (const QString& alias : S.WebsiteDomainAliases)
            FAliasPrefixes.append(website.left(scheme + 3) + alias + website.mid(path));

    const bool linuxReading = S.PathReading == TPathReading::prLinux;
    for (qsizetype i = 0; i < S.WebDocuments.size(); ++i) {
        const QString folder = S.WDOutFolders.value(i);
        FRuleFolders.append(ExpandPath(
            linuxReading ? ToReadingSeparators(folder, S.PathReading) : folder, S.OutDir,
            S.PathReading));
    }
}

bool TLinkProcessor::IsRemoved(TURLTag AKind) const {
    return (AKind == utScript && FSettings.RemoveScripts) ||
           (AKind == utNoscript && FSettings.RemoveNoscripts);
}

int32_t TLinkProcessor::Walk(QStringView AText, QString& AOut) {
    const QStringList& names = LinkTagNames();
    qsizetype last = 0; // everything before this index has been written or dropped
    int32_t tagIndex = 0;
    for (qsizetype p = FindTag(AText, names, tagIndex, 1); p > 0;
         p = FindTag(AText, names, tagIndex, last + 1)) {
        const qsizetype e = FindTagEnd(AText, p);
        if (e == 0)
            break; // the tag never closes: the rest is copied as it stands
        AOut.append(AText.mid(last, p - 1 - last));
        last = e;
        const TURLTag kind = TagKinds[tagIndex];
        const QStringView tag = AText.mid(p - 1, e - p + 1);
        if (!IsRemoved(kind)) {
            WriteTag(tag, kind, AOut);
            continue;
        }
        if (tag.endsWith(u"/>"))
            continue; // self-closed: nothing more to drop
        const qsizetype close = FindCloseTag(AText, names.at(tagIndex), last + 1);
        if (close == 0)
            break; // the opening tag stays dropped, the content is copied
        last = FindTagEnd(AText, close);
    }
    AOut.append(AText.mid(last));
    return FNewCount;
}

void TLinkProcessor::WriteTag(QStringView ATag, TURLTag AKind, QString& AOut) {
    const QStringView attr = LinkAttribute(AKind);
    qsizetype valueEnd = 0;
    QChar quote;
    const qsizetype valueStart = attr.isEmpty() ? 0 : FindAttrValue(ATag, attr, valueEnd, quote, 1);
    if (valueStart == 0) {
        AOut.append(ATag);
        return;
    }
    const QString value = DecodeAttrValue(ATag, valueStart, valueEnd - valueStart, quote);
    const std::optional<QString> newLink = NewLinkFor(value, AKind, ATag);
    if (!newLink) {
        AOut.append(ATag);
        return;
    }
    AOut.append(ATag.left(valueStart - 1))
        .append(EncodeLinkForAttr(*newLink, quote))
        .append(ATag.mid(valueEnd - 1));
}

// The link that replaces the value AValue of a tag, or nothing when the tag stays unchanged.
std::optional<QString> TLinkProcessor::NewLinkFor(const QString& AValue, TURLTag AKind,
                                                  QStringView ATag) {
    const auto known = FKnownLinks.constFind(AValue);
    if (known != FKnownLinks.cend())
        return *known;
    QString url = ResolveURL(AValue, FPageURL);
    if (url.isEmpty())
        return std::nullopt;
    MapDomainAlias(url);
    const QString linkType = AKind == utLink ? GetAttrValue(ATag, u"type", 1) : QString();
    const std::optional<int> entry = TargetEntry(AKind, url, AValue, linkType);
    if (!entry)
        return std::nullopt;
    if (*entry < 0)
        return url;
    const QString path = FURLList.OutFilePath(*entry);
    QString link = path.isEmpty() ? url : LocalLinkForm(path, FPageOutFilePath, FLocalLinks);
    // A value that led to an entry leads to it again on this page: the row that chose it
    // depends only on the URL, and entries are never changed or removed. Repeated navigation
    // links thus cost one lookup.
    FKnownLinks.insert(AValue, link);
    return link;
}

void TLinkProcessor::MapDomainAlias(QString& AURL) const {
    for (const QString& prefix : FAliasPrefixes)
        if (AsciiStartsText(AURL, prefix)) {
            AURL = QString(FSettings.WebsiteURL).append(QStringView(AURL).mid(prefix.size()));
            return;
        }
}

int TLinkProcessor::FindRule(const QString& AURL) const {
    for (qsizetype i = 0; i < FSettings.WebDocuments.size(); ++i)
        if (AsciiStartsText(AURL, FSettings.WebDocuments.at(i)))
            return int(i);
    return -1;
}

// The URL-table entry a link is rewritten to (-1: to the absolute URL), or nothing when the
// tag stays unchanged. New entries are counted for the log line.
std::optional<int> TLinkProcessor::TargetEntry(TURLTag AKind, const QString& AURL,
                                               QStringView AValue, const QString& ALinkType) {
    const TLinkProcessingSettings& s = FSettings;
    const int countBefore = FURLList.Count();
    int entry = -1;
    int rule = -1;
    if (FURLDepth < FExtractURLs && AsciiStartsText(AURL, s.WebsiteURL)) {
        entry = FURLList.AddURL(AKind, AURL, s.WebsiteURL, s.IndexFile, s.OutDir, FExtractURLs,
                                FNextDepth, &s.SuppressURLs, ALinkType);
    } else if ((rule = FindRule(AURL)) >= 0) {
        // Files under a download-file rule get limit 0: their site links are never followed.
        entry = FURLList.AddURL(AKind, AURL, s.WebDocuments.at(rule), PlaceholderName(AKind),
                                FRuleFolders.at(rule), 0, FNextDepth, &s.SuppressURLs, ALinkType);
    } else if ((entry = FURLList.FindURL(RemoveURLFragment(AURL))) < 0 &&
               !AValue.startsWith(u"//")) {
        return std::nullopt;
    }
    if (entry >= 0 && FURLList.Count() > countBefore)
        ++FNewCount;
    return entry;
}

} // namespace

TLinkProcessingResult ProcessLinks(const QString& APageText, QString& AOutStream,
                                   TLinkTable& AURLList, const QString& APageURL,
                                   const QString& APageOutFilePath, int32_t AExtractURLs,
                                   int32_t AURLDepth, const TLinkProcessingSettings& ASettings) {
    AOutStream.reserve(AOutStream.size() + APageText.size() + APageText.size() / 4);
    TLinkProcessor processor(AURLList, APageURL, APageOutFilePath, AExtractURLs, AURLDepth,
                             ASettings);
    return TLinkProcessingResult{processor.Walk(APageText, AOutStream)};
}

QString NewURLsExtractedLine(int32_t ANewCount) {
    return QString::number(ANewCount) + QStringLiteral(" new URLs extracted.");
}

} // namespace tarrow
