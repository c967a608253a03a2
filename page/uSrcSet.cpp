#include "page/uSrcSet.h"

#include "base/uStrUtils.h"

namespace tarrow {

namespace {

bool IsHtmlSpace(QChar C) {
    return IsSpaceChar(C) || C == u'\f';
}

// From just after a URL: the position after the comma that ends its descriptors, or the end.
qsizetype SkipDescriptors(QStringView AValue, qsizetype APos) {
    bool inParens = false;
    for (; APos < AValue.size(); ++APos) {
        const QChar c = AValue[APos];
        if (inParens)
            inParens = c != u')';
        else if (c == u',')
            return APos + 1;
        else if (c == u'(')
            inParens = true;
    }
    return APos;
}

} // namespace

QList<TSrcSetCandidate> ParseSrcSet(QStringView AValue) {
    QList<TSrcSetCandidate> candidates;
    const qsizetype size = AValue.size();
    qsizetype pos = 0;
    for (;;) {
        while (pos < size && (IsHtmlSpace(AValue[pos]) || AValue[pos] == u','))
            ++pos;
        if (pos == size)
            break;
        const qsizetype start = pos;
        while (pos < size && !IsHtmlSpace(AValue[pos]))
            ++pos;
        qsizetype end = pos;
        if (AValue[end - 1] == u',') {
            while (AValue[end - 1] == u',') // stops at start: a URL never begins with a comma
                --end;
        } else {
            pos = SkipDescriptors(AValue, pos);
        }
        candidates.append(
            TSrcSetCandidate{start, end, AValue.sliced(start, end - start).toString()});
    }
    return candidates;
}

QString RewriteSrcSet(QStringView AValue,
                      const std::function<std::optional<QString>(const QString&)>& AMap) {
    QString out;
    out.reserve(AValue.size());
    qsizetype copied = 0;
    for (const TSrcSetCandidate& candidate : ParseSrcSet(AValue)) {
        const std::optional<QString> url = AMap(candidate.URL);
        if (!url)
            continue;
        out.append(AValue.sliced(copied, candidate.Start - copied));
        out.append(*url);
        copied = candidate.End;
    }
    out.append(AValue.sliced(copied));
    return out;
}

} // namespace tarrow
