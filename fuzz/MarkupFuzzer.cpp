// The markup scanner on any text, any names and any positions: nothing may read outside the text,
// and every position found must point at what the function promises.
#include "fuzz/FuzzSupport.h"
#include "page/uParseUtils.h"

#include <QStringList>
#include <limits>

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

// Mostly small positions around the text, now and then the extremes of the type.
qsizetype PickPosition(TFuzzInput& AIn) {
    switch (AIn.Byte() % 8) {
    case 0:
        return std::numeric_limits<qsizetype>::max();
    case 1:
        return std::numeric_limits<qsizetype>::min();
    default:
        return AIn.Position();
    }
}

QChar CharAt(QStringView AText, qsizetype APos) {
    return APos >= 1 && APos <= AText.size() ? AText[APos - 1] : QChar();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    TFuzzInput in(AData, ASize);
    const qsizetype start = PickPosition(in);
    const qsizetype count = PickPosition(in);
    const QStringList tagNames = in.Text().split(u',');
    const QString name = in.Text();
    const QString text = in.RestText();
    const QString detail =
        QStringLiteral("start %1, name \"%2\", text \"%3\"").arg(start).arg(name, text.left(200));

    int32_t tagIndex = -1;
    const qsizetype tag = FindTag(text, tagNames, tagIndex, start);
    if (tag != 0) {
        FUZZ_CHECK(CharAt(text, tag) == u'<' && tagIndex >= 0 && tagIndex < tagNames.size(),
                   detail);
        FUZZ_CHECK(tag >= start, detail);
    }
    const qsizetype end = FindTagEnd(text, start);
    FUZZ_CHECK(end == 0 || (CharAt(text, end) == u'>' && end >= start), detail);

    const qsizetype close = FindCloseTag(text, name, start);
    FUZZ_CHECK(close == 0 || (CharAt(text, close) == u'<' && CharAt(text, close + 1) == u'/'),
               detail);

    qsizetype valueEnd = -7;
    QChar quote(u'?');
    const qsizetype value = FindAttrValue(text, name, valueEnd, quote, start);
    if (value != 0) {
        FUZZ_CHECK(value >= 1 && value <= valueEnd && valueEnd <= text.size() + 1, detail);
        const char16_t q = quote.unicode();
        FUZZ_CHECK(q == u'"' || q == u'\'' || q == u'\\' || q == NoQuoteChar, detail);
    } else {
        FUZZ_CHECK(valueEnd == -7 && quote == u'?', detail);
    }
    GetAttrValue(text, name, start);
    SameTextAt(text, name, count, start, 1);
    SameTextAt(name, text, count, 1, start);

    // A walk over every tag as link processing does it.
    for (qsizetype p = 1; p > 0 && p <= text.size();) {
        const qsizetype t = FindTag(text, tagNames, tagIndex, p);
        if (t == 0)
            break;
        const qsizetype e = FindTagEnd(text, t);
        if (e == 0)
            break;
        GetAttrValue(QStringView(text).left(e), name, t + 1);
        p = e + 1;
    }
    return 0;
}
