// The client's content handling on any body: decompression by Content-Encoding under a ceiling,
// the charset chain of a reply (Content-Type header, then the page's meta elements, then the
// text/* default), and decoding the body in that charset (and in any name iconv may know).
#include "engine/uCharsetDecoder.h"
#include "fuzz/FuzzSupport.h"
#include "http/uHTTPContent.h"

#include <QRegularExpression>
#include <cstring>
#include <iconv.h>
#include <string>

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

constexpr qint64 DecodedLimit = 4 << 20;
constexpr qsizetype TextLimit = 256 << 10;

// The client's order: the header's charset, replaced by what an HTML body declares, else the
// default of the media type.
QString ResponseCharset(const QString& AContentType, const QByteArray& ABody) {
    const TContentType header = ParseContentType(AContentType);
    QString mediaType = header.MediaType;
    QString charset = header.Charset;
    if (IsHTMLMediaType(mediaType)) {
        const TMetaDeclaration meta = ReadMetaDeclaration(ABody.constData(), ABody.size());
        if (!meta.ContentType.isEmpty())
            mediaType = meta.ContentType;
        if (!meta.Charset.isEmpty())
            charset = meta.Charset;
    }
    return charset.isEmpty() ? DefaultCharset(mediaType) : charset;
}

// The decoder's rules in their plainest form, as the oracle: one conversion into a buffer with
// room for everything, a bad byte giving what the converter held back and one U+FFFD.
QString ReferenceDecode(const QByteArray& ABody, const QByteArray& ACharset) {
    const iconv_t conv = iconv_open("UTF-16LE", ACharset.constData());
    if (conv == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(ABody);
    std::u16string text(size_t(ABody.size()) * 4 + 64, u'\0');
    char* in = const_cast<char*>(ABody.constData());
    size_t inLeft = size_t(ABody.size());
    char* out = reinterpret_cast<char*>(text.data());
    size_t outLeft = text.size() * 2;
    while (inLeft > 0 && iconv(conv, &in, &inLeft, &out, &outLeft) == size_t(-1)) {
        iconv(conv, nullptr, nullptr, &out, &outLeft);
        const char16_t replacement = 0xFFFD;
        std::memcpy(out, &replacement, 2);
        out += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
    }
    iconv(conv, nullptr, nullptr, &out, &outLeft);
    iconv_close(conv);
    text.resize(text.size() - outLeft / 2);
    return QString::fromStdU16String(text);
}

// Names that go to the converter: not UTF-8 (Qt's own decoder), short and plain.
// A byte-order mark decides before the name, and UTF-7 is never used: neither reaches the
// converter by the name given.
bool GoesToConverter(const QString& ACharset, const QByteArray& ABody) {
    static const QRegularExpression plain(QStringLiteral("\\A[A-Za-z0-9._:-]{1,64}\\z"));
    QString letters = ACharset.toUpper();
    letters.remove(QRegularExpression(QStringLiteral("[^A-Z0-9]")));
    if (!ByteOrderMarkCharset(ABody).isEmpty() || letters.contains(QLatin1String("UTF7")))
        return false;
    return !IsUTF8Charset(ACharset) && plain.match(ACharset).hasMatch();
}

void CheckDecoded(const QString& AText, const QByteArray& ABody, const QString& ACharset) {
    // Every byte gives at most a few characters; a runaway decoder would give far more.
    FUZZ_CHECK(AText.size() <= ABody.size() * 8 + 8,
               QStringLiteral("%1 bytes in %2 gave %3 characters")
                   .arg(ABody.size())
                   .arg(ACharset)
                   .arg(AText.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    TFuzzInput in(AData, ASize);
    static const char* const Encodings[] = {"gzip", "deflate", "", "identity", "GZIP"};
    const QString encoding = QString::fromLatin1(Encodings[in.Byte() % 5]);
    const QString contentType = in.Text();
    const QString charsetName = in.Text();
    const QByteArray received = in.Rest();

    QByteArray body("prefix"); // the client appends to what the stream already holds
    try {
        DecodeContent(received, encoding, body, DecodedLimit);
    } catch (const EContentTooLarge&) {
        FUZZ_CHECK(body.size() == 6 + DecodedLimit, QString::number(body.size()));
    }
    FUZZ_CHECK(body.startsWith("prefix") && body.size() - 6 <= DecodedLimit,
               QString::number(body.size()));
    body.remove(0, 6);
    if (body.size() > TextLimit)
        body.truncate(TextLimit);

    const QString charset = ResponseCharset(contentType, body);
    CheckDecoded(DecodeCharset(body, charset), body, charset);
    const QByteArray raw = received.left(TextLimit);
    const QString text = DecodeCharset(raw, charsetName);
    CheckDecoded(text, raw, charsetName);
    if (GoesToConverter(charsetName, raw))
        FUZZ_CHECK(text == ReferenceDecode(raw, charsetName.toLatin1()),
                   QStringLiteral("%1 decoded differently from the reference").arg(charsetName));
    IsUTF8Charset(charsetName);
    return 0;
}
