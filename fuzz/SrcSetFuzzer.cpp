// srcset candidates on any value: URL ranges are ordered, apart and inside the value and hold the
// URL; a rewrite that maps nothing gives the value back; a rewrite to one URL reads back as the
// same number of candidates with that URL.
#include "fuzz/FuzzSupport.h"
#include "page/uSrcSet.h"

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

bool IsHtmlSpace(QChar C) {
    return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r' || C == u'\f';
}

// A URL that reads as one: no whitespace, no comma at either end, not empty.
QString UsableURL(const QString& AText) {
    QString url;
    for (QChar c : AText)
        if (!IsHtmlSpace(c))
            url.append(c);
    while (url.startsWith(u','))
        url.remove(0, 1);
    while (url.endsWith(u','))
        url.chop(1);
    return url.isEmpty() ? QStringLiteral("x") : url;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    TFuzzInput in(AData, ASize);
    const QString url = UsableURL(in.Text());
    const QString value = in.RestText();
    const QString detail =
        QStringLiteral("url \"%1\", value \"%2\"").arg(url.left(100), value.left(300));

    const QList<TSrcSetCandidate> candidates = ParseSrcSet(value);
    qsizetype previousEnd = 0;
    for (const TSrcSetCandidate& candidate : candidates) {
        FUZZ_CHECK(previousEnd <= candidate.Start && candidate.Start < candidate.End &&
                       candidate.End <= value.size(),
                   detail);
        FUZZ_CHECK(value.mid(candidate.Start, candidate.End - candidate.Start) == candidate.URL,
                   detail);
        FUZZ_CHECK(UsableURL(candidate.URL) == candidate.URL, detail);
        previousEnd = candidate.End;
    }

    FUZZ_CHECK(RewriteSrcSet(value, [](const QString&) { return std::optional<QString>(); }) ==
                   value,
               detail);
    FUZZ_CHECK(RewriteSrcSet(value, [](const QString& A) { return std::optional(A); }) == value,
               detail);
    const QString fixed = RewriteSrcSet(value, [&](const QString&) { return std::optional(url); });
    const QList<TSrcSetCandidate> again = ParseSrcSet(fixed);
    FUZZ_CHECK(again.size() == candidates.size(), detail);
    for (const TSrcSetCandidate& candidate : again)
        FUZZ_CHECK(candidate.URL == url, detail);
    return 0;
}
