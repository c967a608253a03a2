// Attribute values and backslash escapes on any text and any range: nothing is read outside the
// range, and decoding never makes a value longer than its text.
#include "fuzz/FuzzSupport.h"
#include "page/uParseUtils.h"

#include <limits>

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    TFuzzInput in(AData, ASize);
    const qsizetype index = PickPosition(in);
    const qsizetype count = PickPosition(in);
    static const char16_t Quotes[] = {u'"', u'\'', u'\\', NoQuoteChar};
    const QChar quote(Quotes[in.Byte() % 4]);
    const QString text = in.RestText();

    // The characters of the range that lie inside the text.
    qsizetype available = 0;
    if (index >= 1 && index <= text.size() && count > 0)
        available = std::min(count, text.size() - index + 1);
    const QString detail = QStringLiteral("index %1, count %2, quote %3, text \"%4\"")
                               .arg(index)
                               .arg(count)
                               .arg(quote.unicode())
                               .arg(text.left(200));

    const QString unescaped = UnescapeBackslashes(text, index, count);
    FUZZ_CHECK(unescaped.size() <= available, detail);
    const QString decoded = DecodeAttrValue(text, index, count, quote);
    FUZZ_CHECK(decoded.size() <= available, detail);
    // Decoding a whole text agrees with decoding the same characters as a text of their own.
    if (available > 0) {
        const QString part = text.mid(index - 1, available);
        FUZZ_CHECK(DecodeAttrValue(part, 1, part.size(), quote) == decoded, detail);
    }
    return 0;
}
