#include "page/uStyleLinks.h"

#include "base/uStrUtils.h"
#include "page/uParseUtils.h"
#include "page/uStyleSheet.h"

namespace tarrow {

namespace {

bool IsLeftAlone(const QString& AValue) {
    return AValue.isEmpty() || AValue.startsWith(u'#') || AsciiStartsText(AValue, u"data:");
}

bool IsNameEnd(QStringView AText, qsizetype APos) {
    if (APos >= AText.size())
        return false;
    const QChar c = AText[APos];
    return IsSpaceChar(c) || c == u'>' || c == u'/';
}

// A rewritten style attribute's value written back between its quotes: what would end the value
// or start a character reference is written as a reference.
QString EncodeForAttr(const QString& AText, QChar AQuote) {
    QString out;
    out.reserve(AText.size() + 16);
    for (QChar c : AText) {
        if (c == u'&')
            out.append(u"&amp;");
        else if (c == AQuote)
            out.append(AQuote == u'"' ? u"&quot;" : u"&#39;");
        else
            out.append(c);
    }
    return out;
}

// The tag at APos (its "<") with its style attribute rewritten, or nothing.
std::optional<QString> RewriteStyleAttr(QStringView ATag, const TStyleLinkMapper& AMap) {
    if (AsciiIndexOfText(ATag, u"style") < 0)
        return std::nullopt;
    qsizetype valueEnd = 0;
    QChar quote;
    const qsizetype start = FindAttrValue(ATag, u"style", valueEnd, quote, 1);
    if (start == 0 || (quote != u'"' && quote != u'\''))
        return std::nullopt;
    const QString value = DecodeAttrValue(ATag, start, valueEnd - start, quote);
    if (AsciiIndexOfText(value, u"url(") < 0)
        return std::nullopt;
    const QString rewritten = RewriteStyleText(value, AMap);
    if (rewritten == value)
        return std::nullopt;
    return ATag.left(start - 1).toString() + EncodeForAttr(rewritten, quote) +
           ATag.mid(valueEnd - 1).toString();
}

} // namespace

QString RewriteStyleText(QStringView ACss, const TStyleLinkMapper& AMap) {
    return RewriteStyleSheet(ACss, [&AMap](const TCSSReference& ARef) -> std::optional<QString> {
        if (IsLeftAlone(ARef.URL))
            return std::nullopt;
        return AMap(ARef.URL, ARef.Kind == TCSSRefKind::crImport ? utLink : utImg);
    });
}

QString RewriteInlineStyles(QStringView APage, const TStyleLinkMapper& AMap) {
    QString out;
    qsizetype last = 0; // everything before it is in out
    qsizetype p = APage.indexOf(u'<');
    while (p >= 0) {
        const qsizetype end = APage.indexOf(u'>', p);
        if (end < 0)
            break;
        const QStringView tag = APage.sliced(p, end - p + 1);
        qsizetype next = end + 1;
        if (AsciiStartsText(APage.mid(p + 1), u"style") && IsNameEnd(APage, p + 6)) {
            // A <style> element: its text up to the closing tag is a style sheet.
            const qsizetype close = AsciiIndexOfText(APage, u"</style", end + 1);
            if (close < 0)
                break;
            const QStringView sheet = APage.sliced(end + 1, close - end - 1);
            const QString rewritten = RewriteStyleText(sheet, AMap);
            out.append(APage.sliced(last, end + 1 - last)).append(rewritten);
            last = close;
            next = close + 1;
        } else if (const std::optional<QString> changed = RewriteStyleAttr(tag, AMap)) {
            out.append(APage.sliced(last, p - last)).append(*changed);
            last = end + 1;
        }
        p = APage.indexOf(u'<', next);
    }
    if (last == 0)
        return APage.toString();
    return out.append(APage.sliced(last));
}

} // namespace tarrow
