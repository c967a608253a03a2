#include "page/LinkProcessingUnit.h"

#include "base/uPathUtils.h"
#include "base/uStrUtils.h"
#include "base/uURLUtils.h"
#include "page/uLinkTags.h"
#include "page/uLocalLinks.h"
#include "page/uParseUtils.h"
#include "page/uSrcSet.h"
#include "page/uStyleLinks.h"

#include <QHash>
#include <limits>
#include <optional>

namespace tarrow {

namespace {

// Requisites fetched past the depth limit bring requisites of their own only so far. A page
// fetched as a requisite (a frame, an object) brings its own; a page one step further brings none,
// so frames that frame each other end.
constexpr int32_t MaxPageNesting = 1;
// A page's sheet and eight levels of @import below it bring what they name.
constexpr int32_t MaxSheetNesting = 9;

// Where the target of a refresh declaration ("5; url=next.html") lies in the content value:
// its start and length, or a start of -1.
std::pair<qsizetype, qsizetype> RefreshTarget(QStringView AContent) {
    const qsizetype semicolon = AContent.indexOf(u';');
    if (semicolon < 0)
        return {-1, 0};
    qsizetype i = semicolon + 1;
    while (i < AContent.size() && (AContent[i] == u' ' || AContent[i] == u'\t'))
        ++i;
    if (!AsciiStartsText(AContent.mid(i), u"url"))
        return {-1, 0};
    i += 3;
    while (i < AContent.size() && AContent[i] == u' ')
        ++i;
    if (i >= AContent.size() || AContent[i] != u'=')
        return {-1, 0};
    ++i;
    while (i < AContent.size() && AContent[i] == u' ')
        ++i;
    qsizetype end = AContent.size();
    if (i < end && (AContent[i] == u'\'' || AContent[i] == u'"')) {
        const qsizetype close = AContent.indexOf(AContent[i], i + 1);
        ++i;
        if (close >= 0)
            end = close;
    }
    while (end > i && AContent[end - 1] == u' ')
        --end;
    return {i, end - i};
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
                   int32_t AExtractURLs, int32_t AURLDepth, const TLinkProcessingSettings& S,
                   int32_t ANesting, int32_t AMaxNesting, bool ALinksOnly = false);
    int32_t Walk(QStringView AText, QString& AOut);
    // The link a requisite found in style text or a style sheet is rewritten to.
    std::optional<QString> MapRequisite(const QString& AValue, TURLTag AKind) {
        return NewLinkFor(AValue, AKind, true, QStringView());
    }
    int32_t NewCount() const { return FNewCount; }

private:
    bool IsRemoved(TURLTag AKind) const;
    bool IsRequisite(const TLinkTag& ALinkTag, QStringView ATag) const;
    void Copy(QString& AOut, QStringView AText) const {
        if (!FLinksOnly)
            AOut.append(AText);
    }
    void WriteTag(QStringView ATag, const TLinkTag& ALinkTag, QString& AOut);
    std::optional<QString> RewriteAttr(QStringView ATag, const TLinkAttr& AAttr, TURLTag AKind,
                                       bool ARequisite);
    std::optional<QString> NewLinkFor(const QString& AValue, TURLTag AKind, bool ARequisite,
                                      QStringView ATag);
    void MapDomainAlias(QString& AURL) const;
    std::optional<int> TargetEntry(TURLTag AKind, bool ARequisite, const QString& AURL,
                                   QStringView AValue, const QString& ALinkType);
    int FindRule(const QString& AURL) const;

    TLinkTable& FURLList;
    const QString FPageURL; // without its fragment: the base of relative links
    const QString& FPageOutFilePath;
    const int32_t FExtractURLs;
    const int32_t FURLDepth;
    const int32_t FNextDepth;
    const int32_t FNesting;
    const bool FAddsRequisites; // false once the nesting is used up
    // Only the table is fed: nothing is written, no link is rewritten, every tag is read as it
    // stands.
    const bool FLinksOnly;
    const TLinkProcessingSettings& FSettings;
    TLocalLinkOptions FLocalLinks;
    QStringList FAliasPrefixes;          // the website prefix with each alias as its host
    QStringList FRuleFolders;            // each download-file rule's folder under the output folder
    QHash<QString, QString> FKnownLinks; // value -> link, for values that led to an entry
    int32_t FNewCount = 0;
};

TLinkProcessor::TLinkProcessor(TLinkTable& AURLList, const QString& APageURL,
                               const QString& APageOutFilePath, int32_t AExtractURLs,
                               int32_t AURLDepth, const TLinkProcessingSettings& S,
                               int32_t ANesting, int32_t AMaxNesting, bool ALinksOnly)
    : FURLList(AURLList), FPageURL(RemoveURLFragment(APageURL)), FPageOutFilePath(APageOutFilePath),
      FExtractURLs(AExtractURLs), FURLDepth(AURLDepth),
      FNextDepth(AURLDepth == std::numeric_limits<int32_t>::max() ? AURLDepth : AURLDepth + 1),
      FNesting(ANesting), FAddsRequisites(ANesting <= AMaxNesting), FLinksOnly(ALinksOnly),
      FSettings(S), FLocalLinks{S.RelativePathLinks, S.BaseURL, S.IndexFile, S.OutDir,
                                S.PathReading} {
    const QString& website = S.WebsiteURL;
    const qsizetype scheme = website.indexOf(QLatin1String("://"));
    const qsizetype path = scheme < 0 ? -1 : website.indexOf(u'/', scheme + 3);
    if (path >= 0)
        for (const QString& alias : S.WebsiteDomainAliases)
            FAliasPrefixes.append(website.left(scheme + 3) + alias + website.mid(path));

    const bool linuxReading = S.PathReading == TPathReading::prLinux;
    for (qsizetype i = 0; i < S.WebDocuments.size(); ++i) {
        const QString folder = S.WDOutFolders.value(i);
        FRuleFolders.append(
            ExpandPath(linuxReading ? ToReadingSeparators(folder, S.PathReading) : folder, S.OutDir,
                       S.PathReading));
    }
}

bool TLinkProcessor::IsRemoved(TURLTag AKind) const {
    return (AKind == utScript && FSettings.RemoveScripts) ||
           (AKind == utNoscript && FSettings.RemoveNoscripts);
}

// A link the saved page needs to show itself; only complete pages fetch these at every depth.
bool TLinkProcessor::IsRequisite(const TLinkTag& ALinkTag, QStringView ATag) const {
    return FSettings.CompletePages && (ALinkTag.Flags & ltRequisite) &&
           ALinkTag.RequisiteIf.HoldsFor(ATag);
}

int32_t TLinkProcessor::Walk(QStringView AText, QString& AOut) {
    const TLinkTagSet& tags = LinkTags(FSettings.CompletePages);
    const QStringList& names = tags.Names;
    qsizetype last = 0; // everything before this index has been written or dropped
    int32_t tagIndex = 0;
    for (qsizetype p = FindTag(AText, names, tagIndex, 1); p > 0;
         p = FindTag(AText, names, tagIndex, last + 1)) {
        const qsizetype e = FindTagEnd(AText, p);
        if (e == 0 || (FSettings.BreakFlag && FSettings.BreakFlag->IsSet()))
            break; // the tag never closes, or the run stops: the rest is copied as it stands
        Copy(AOut, AText.mid(last, p - 1 - last));
        last = e;
        const TLinkTag& linkTag = *tags.Tags[size_t(tagIndex)];
        const QStringView tag = AText.mid(p - 1, e - p + 1);
        if (!IsRemoved(linkTag.Kind)) {
            WriteTag(tag, linkTag, AOut);
            continue;
        }
        if (tag.endsWith(u"/>"))
            continue; // self-closed: nothing more to drop
        const qsizetype close = FindCloseTag(AText, linkTag.Name, last + 1);
        if (close == 0)
            break; // the opening tag stays dropped, the content is copied
        last = FindTagEnd(AText, close);
    }
    Copy(AOut, AText.mid(last));
    return FNewCount;
}

void TLinkProcessor::WriteTag(QStringView ATag, const TLinkTag& ALinkTag, QString& AOut) {
    if (!ALinkTag.ReadIf.HoldsFor(ATag)) {
        Copy(AOut, ATag);
        return;
    }
    const bool requisite = IsRequisite(ALinkTag, ATag);
    std::optional<QString> tag; // set once a link changes
    for (const TLinkAttr& attr : ALinkTag.Attrs) {
        if (attr.Name.isEmpty())
            break;
        if (std::optional<QString> changed =
                RewriteAttr(tag ? QStringView(*tag) : ATag, attr, ALinkTag.Kind, requisite))
            tag = std::move(changed);
    }
    Copy(AOut, tag ? QStringView(*tag) : ATag);
}

// ATag with the link that AAttr holds rewritten, or nothing when the tag stays as it is.
std::optional<QString> TLinkProcessor::RewriteAttr(QStringView ATag, const TLinkAttr& AAttr,
                                                   TURLTag AKind, bool ARequisite) {
    qsizetype valueEnd = 0;
    QChar quote;
    const qsizetype valueStart = FindAttrValue(ATag, AAttr.Name, valueEnd, quote, 1);
    if (valueStart == 0)
        return std::nullopt;
    const QString value = DecodeAttrValue(ATag, valueStart, valueEnd - valueStart, quote);
    QString newValue;
    if (AAttr.Form == TValueForm::vfSrcSet) {
        // An unquoted list with blanks in it could not stand as one value once rewritten.
        if (quote == QChar(NoQuoteChar))
            return std::nullopt;
        // Every candidate is a link of its own; descriptors and commas stay as written.
        bool changed = false;
        newValue = RewriteSrcSet(value, [&](const QString& AURL) -> std::optional<QString> {
            std::optional<QString> link = NewLinkFor(AURL, AKind, ARequisite, ATag);
            if (!link)
                return std::nullopt;
            changed = true;
            return EncodeLinkForAttr(*link, quote).replace(u',', QStringLiteral("%2C"));
        });
        if (!changed || FLinksOnly)
            return std::nullopt;
    } else if (AAttr.Form == TValueForm::vfRefresh) {
        const auto [start, length] = RefreshTarget(value);
        if (start < 0)
            return std::nullopt;
        const std::optional<QString> link =
            NewLinkFor(value.mid(start, length), AKind, ARequisite, ATag);
        if (!link || FLinksOnly)
            return std::nullopt;
        newValue = value.left(start) + EncodeLinkForAttr(*link, quote) + value.mid(start + length);
    } else {
        const std::optional<QString> link = NewLinkFor(value, AKind, ARequisite, ATag);
        if (!link || FLinksOnly)
            return std::nullopt;
        newValue = EncodeLinkForAttr(*link, quote);
    }
    return ATag.left(valueStart - 1).toString() + newValue + ATag.mid(valueEnd - 1).toString();
}

// The link that replaces the value AValue of a tag, or nothing when the tag stays unchanged.
std::optional<QString> TLinkProcessor::NewLinkFor(const QString& AValue, TURLTag AKind,
                                                  bool ARequisite, QStringView ATag) {
    const auto known = FKnownLinks.constFind(AValue);
    if (known != FKnownLinks.cend())
        return *known;
    QString url = ResolveURL(AValue, FPageURL);
    if (url.isEmpty())
        return std::nullopt;
    MapDomainAlias(url);
    const QString linkType = AKind == utLink ? GetAttrValue(ATag, u"type", 1) : QString();
    const std::optional<int> entry = TargetEntry(AKind, ARequisite, url, AValue, linkType);
    if (!entry)
        return std::nullopt;
    if (*entry < 0)
        return url;
    if (FLinksOnly) {
        FKnownLinks.insert(AValue, QString());
        return QString();
    }
    const QString path = FURLList.OutFilePath(*entry);
    QString link = path.isEmpty() ? url : LocalLinkForm(path, FPageOutFilePath, FLocalLinks);
    if (!path.isEmpty() && FSettings.CompletePages) {
        const qsizetype hash = url.indexOf(u'#');
        if (hash >= 0)
            link.append(QStringView(url).mid(hash)); // "manual_1.html#SEC1" stays a place
    }
    // A value that led to an entry leads to it again on this page: any later tag would at least
    // find the entry, and entries are never changed or removed. Repeated navigation links thus
    // cost one lookup.
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
std::optional<int> TLinkProcessor::TargetEntry(TURLTag AKind, bool ARequisite, const QString& AURL,
                                               QStringView AValue, const QString& ALinkType) {
    const TLinkProcessingSettings& s = FSettings;
    const int countBefore = FURLList.Count();
    int entry = -1;
    int rule = -1;
    const bool onSite = AsciiStartsText(AURL, s.WebsiteURL);
    const bool addsRequisite = ARequisite && FAddsRequisites;
    if (addsRequisite && onSite) {
        // What a saved page shows is fetched at any depth, with limit 0: it never leads further.
        entry = FURLList.AddURL(AKind, AURL, s.WebsiteURL, s.IndexFile, s.OutDir, 0, FNextDepth,
                                &s.SuppressURLs, ALinkType);
    } else if (FURLDepth < FExtractURLs && onSite) {
        entry = FURLList.AddURL(AKind, AURL, s.WebsiteURL, s.IndexFile, s.OutDir, FExtractURLs,
                                FNextDepth, &s.SuppressURLs, ALinkType);
    } else if ((addsRequisite || !ARequisite) && (rule = FindRule(AURL)) >= 0) {
        // Files under a download-file rule get limit 0: their site links are never followed.
        entry = FURLList.AddURL(AKind, AURL, s.WebDocuments.at(rule), PlaceholderName(AKind),
                                FRuleFolders.at(rule), 0, FNextDepth, &s.SuppressURLs, ALinkType);
    } else if ((entry = FURLList.FindURL(RemoveURLFragment(AURL))) < 0 &&
               !AValue.startsWith(u"//")) {
        return std::nullopt;
    }
    if (entry >= 0 && FURLList.Count() > countBefore) {
        ++FNewCount;
        if (addsRequisite)
            FURLList.SetRequisiteNesting(entry, FNesting + 1);
    }
    return entry;
}

} // namespace

TLinkProcessingResult ScanLinks(const QString& APageText, TLinkTable& AURLList,
                                const QString& APageURL, const QString& APageOutFilePath,
                                int32_t AExtractURLs, int32_t AURLDepth,
                                const TLinkProcessingSettings& ASettings,
                                int32_t ARequisiteNesting) {
    TLinkProcessor processor(AURLList, APageURL, APageOutFilePath, AExtractURLs, AURLDepth,
                             ASettings, ARequisiteNesting, MaxPageNesting, true);
    QString none;
    processor.Walk(APageText, none);
    // The style attributes read in the page as received: rewriting links leaves them alone.
    if (ASettings.CompletePages)
        RewriteInlineStyles(APageText, [&processor](const QString& AValue, TURLTag AKind) {
            return processor.MapRequisite(AValue, AKind);
        });
    return TLinkProcessingResult{processor.NewCount()};
}

TLinkProcessingResult ProcessLinks(const QString& APageText, QString& AOutStream,
                                   TLinkTable& AURLList, const QString& APageURL,
                                   const QString& APageOutFilePath, int32_t AExtractURLs,
                                   int32_t AURLDepth, const TLinkProcessingSettings& ASettings,
                                   int32_t ARequisiteNesting) {
    AOutStream.reserve(AOutStream.size() + APageText.size() + APageText.size() / 4);
    TLinkProcessor processor(AURLList, APageURL, APageOutFilePath, AExtractURLs, AURLDepth,
                             ASettings, ARequisiteNesting, MaxPageNesting);
    const qsizetype start = AOutStream.size();
    processor.Walk(APageText, AOutStream);
    if (ASettings.CompletePages) {
        const QString styled = RewriteInlineStyles(
            QStringView(AOutStream).mid(start), [&processor](const QString& AValue, TURLTag AKind) {
                return processor.MapRequisite(AValue, AKind);
            });
        AOutStream.truncate(start);
        AOutStream.append(styled);
    }
    return TLinkProcessingResult{processor.NewCount()};
}

TLinkProcessingResult ProcessStyleSheet(const QString& ASheetText, QString& AOutStream,
                                        TLinkTable& AURLList, const QString& ASheetURL,
                                        const QString& ASheetOutFilePath, int32_t AURLDepth,
                                        const TLinkProcessingSettings& ASettings,
                                        int32_t ARequisiteNesting) {
    TLinkProcessor processor(AURLList, ASheetURL, ASheetOutFilePath, 0, AURLDepth, ASettings,
                             ARequisiteNesting, MaxSheetNesting);
    AOutStream.append(
        RewriteStyleText(ASheetText, [&processor](const QString& AValue, TURLTag AKind) {
            return processor.MapRequisite(AValue, AKind);
        }));
    return TLinkProcessingResult{processor.NewCount()};
}

QString NewURLsExtractedLine(int32_t ANewCount) {
    return QString::number(ANewCount) + QStringLiteral(" new URLs extracted.");
}

} // namespace tarrow
