// Style sheet references on any text: ranges are ordered, apart and inside the text; a rewrite
// that maps nothing gives the text back; a rewrite to one value, or of every reference to its own
// value, reads back as the same references with those values.
#include "fuzz/FuzzSupport.h"
#include "page/uStyleSheet.h"

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

void CheckRanges(const QString& ACss, const QList<TCSSReference>& ARefs, const QString& ADetail) {
    qsizetype previousEnd = 0;
    for (const TCSSReference& ref : ARefs) {
        FUZZ_CHECK(previousEnd <= ref.Start && ref.Start < ref.End && ref.End <= ACss.size(),
                   ADetail);
        const QStringView token = QStringView(ACss).sliced(ref.Start, ref.End - ref.Start);
        if (ref.Kind == TCSSRefKind::crURL)
            FUZZ_CHECK(token.size() >= 5 &&
                           token.first(4).compare(u"url(", Qt::CaseInsensitive) == 0 &&
                           token.back() == u')',
                       ADetail);
        else
            FUZZ_CHECK(token.size() >= 2 && (token.front() == u'"' || token.front() == u'\'') &&
                           token.back() == token.front(),
                       ADetail);
        previousEnd = ref.End;
    }
}

// What reading back a written value gives: a NUL can only be read as U+FFFD.
QString ReadBack(QString AValue) {
    return AValue.replace(QChar(u'\0'), QChar(0xFFFD));
}

void CheckRewrite(const QString& ACss, const QList<TCSSReference>& ARefs, const QString& AValue,
                  const QString& ADetail) {
    const QString fixed =
        RewriteStyleSheet(ACss, [&](const TCSSReference&) { return std::optional(AValue); });
    const QList<TCSSReference> again = FindStyleSheetReferences(fixed);
    const QString detail = ADetail + QStringLiteral("\n  rewritten \"%1\"").arg(fixed.left(300));
    FUZZ_CHECK(again.size() == ARefs.size(), detail);
    for (qsizetype i = 0; i < again.size(); ++i)
        FUZZ_CHECK(again[i].Kind == ARefs[i].Kind && again[i].URL == ReadBack(AValue), detail);

    const QString own =
        RewriteStyleSheet(ACss, [](const TCSSReference& ARef) { return std::optional(ARef.URL); });
    const QList<TCSSReference> same = FindStyleSheetReferences(own);
    FUZZ_CHECK(same.size() == ARefs.size(), ADetail);
    for (qsizetype i = 0; i < same.size(); ++i)
        FUZZ_CHECK(same[i].Kind == ARefs[i].Kind && same[i].URL == ARefs[i].URL, ADetail);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    StyleSheetCharset(QByteArrayView(AData, qsizetype(ASize)));
    TFuzzInput in(AData, ASize);
    const QString value = in.Text();
    const QString css = in.RestText();
    const QString detail =
        QStringLiteral("value \"%1\", text \"%2\"").arg(value.left(100), css.left(300));

    const QList<TCSSReference> refs = FindStyleSheetReferences(css);
    CheckRanges(css, refs, detail);
    const QString kept =
        RewriteStyleSheet(css, [](const TCSSReference&) { return std::optional<QString>(); });
    FUZZ_CHECK(kept == css, detail);
    CheckRewrite(css, refs, value, detail);
    return 0;
}
