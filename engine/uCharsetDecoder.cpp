#include "engine/uCharsetDecoder.h"

#include "base/uStrUtils.h"

#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace tarrow {

namespace {

constexpr char16_t ReplacementChar = 0xFFFD;

// One conversion descriptor, closed with its owner.
class TIconv final {
public:
    explicit TIconv(const QByteArray& AFrom) : FHandle(iconv_open("UTF-16LE", AFrom.constData())) {}
    ~TIconv() {
        if (IsValid())
            iconv_close(FHandle);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    bool IsValid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Handle() const { return FHandle; }

private:
    iconv_t FHandle;
};

bool IsPlainName(const QString& AName) {
    for (QChar c : AName) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                        (u >= u'0' && u <= u'9') || u == u'-' || u == u'_' || u == u'.' ||
                        u == u':';
        if (!ok)
            return false;
    }
    return !AName.isEmpty() && AName.size() <= 64;
}

// UTF-7 under any of its names ("UTF-7", "utf7", "UNICODE-1-1-UTF-7", "UTF-7-IMAP"...).
bool IsUTF7Name(const QString& AName) {
    QString letters;
    for (QChar c : AName)
        if (c.isLetterOrNumber())
            letters.append(c.toUpper());
    return letters.contains(QLatin1String("UTF7"));
}

bool IsLatin1Name(const QString& AName) {
    return AsciiSameText(AName, u"iso-8859-1") || AsciiSameText(AName, u"latin1") ||
           AsciiSameText(AName, u"iso8859-1") || AsciiSameText(AName, u"l1");
}

// Every byte gives at most this many UTF-16 code units (a TSCII byte stands for up to four
// characters), and a converter holds back at most a few characters.
constexpr qsizetype MaxUnitsPerByte = 4;
constexpr qsizetype PendingUnits = 16;
// The body is converted in slices, each with room for all it can give: some of the platform's
// converters garble the characters they hold back when the output runs full mid-sequence.
constexpr qsizetype SliceBytes = 64 * 1024;

// Room for AUnits more code units after the AWritten ones (the string grows its capacity in
// steps of its own).
void Reserve(QString& AText, qsizetype AWritten, qsizetype AUnits) {
    if (AText.size() - AWritten < AUnits)
        AText.resize(AWritten + AUnits);
}

// Writes what the converter holds back (a letter waiting for a combining mark, for instance)
// and returns it to its initial state.
void Flush(TIconv& AConv, QString& AText, qsizetype& AWritten) {
    Reserve(AText, AWritten, PendingUnits);
    char* out = reinterpret_cast<char*>(AText.data() + AWritten);
    size_t outLeft = size_t(AText.size() - AWritten) * 2;
    iconv(AConv.Handle(), nullptr, nullptr, &out, &outLeft);
    AWritten = AText.size() - qsizetype(outLeft / 2);
}

// The text, or false when it passes ALimit code units (negative: no limit).
bool DecodeWith(TIconv& AConv, QByteArrayView ABody, qint64 ALimit, QString& AText) {
    QString result(ABody.size(), Qt::Uninitialized); // one code unit per byte is a good first guess
    const char* in = ABody.data();
    const char* const end = in + ABody.size();
    qsizetype written = 0;
    while (in < end) {
        const qsizetype slice = std::min<qsizetype>(end - in, SliceBytes);
        Reserve(result, written, slice * MaxUnitsPerByte + PendingUnits);
        char* next = const_cast<char*>(in);
        size_t inLeft = size_t(slice);
        char* out = reinterpret_cast<char*>(result.data() + written);
        size_t outLeft = size_t(result.size() - written) * 2;
        const size_t rc = iconv(AConv.Handle(), &next, &inLeft, &out, &outLeft);
        const int error = errno;
        written = result.size() - qsizetype(outLeft / 2);
        const bool progressed = next != in;
        in = next;
        if (ALimit >= 0 && written > ALimit)
            return false;
        if (rc != size_t(-1))
            continue;
        if (error == E2BIG) {
            if (!progressed) // more than the bound above: never seen, but never loop on it
                result.resize(result.size() * 2 + PendingUnits);
            continue;
        }
        // A sequence cut off by the end of the slice is read again with the next one.
        if (error == EINVAL && progressed && in + inLeft < end)
            continue;
        // An invalid or truncated sequence: what the converter held back, then one replacement
        // character, then go on after the bad byte.
        Flush(AConv, result, written);
        Reserve(result, written, 1);
        result[written++] = QChar(ReplacementChar);
        ++in;
    }
    Flush(AConv, result, written);
    if (ALimit >= 0 && written > ALimit)
        return false;
    result.truncate(written);
    AText = std::move(result);
    return true;
}

bool DecodeLatin1(QByteArrayView ABody, qint64 ALimit, QString& AText) {
    if (ALimit >= 0 && ABody.size() > ALimit)
        return false;
    AText = QString::fromLatin1(ABody);
    return true;
}

// UTF-8 in slices, so that a text over the limit is never built whole.
bool DecodeUTF8(QByteArrayView ABody, qint64 ALimit, QString& AText) {
    // Never more code units than bytes.
    if (ALimit < 0 || ABody.size() <= ALimit) {
        AText = QString::fromUtf8(ABody);
        return true;
    }
    QStringDecoder decoder(QStringConverter::Utf8);
    QString text;
    for (qsizetype at = 0; at < ABody.size(); at += SliceBytes) {
        text += decoder(ABody.sliced(at, std::min<qsizetype>(SliceBytes, ABody.size() - at)));
        if (text.size() > ALimit)
            return false;
    }
    text += decoder(QByteArrayView());
    if (text.size() > ALimit)
        return false;
    AText = std::move(text);
    return true;
}

} // namespace

QString ByteOrderMarkCharset(QByteArrayView ABytes) {
    if (ABytes.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("UTF-8");
    if (ABytes.startsWith("\xFF\xFE"))
        return QStringLiteral("UTF-16LE");
    if (ABytes.startsWith("\xFE\xFF"))
        return QStringLiteral("UTF-16BE");
    return {};
}

bool IsUTF8Charset(const QString& ACharset) {
    return AsciiSameText(ACharset, u"utf-8") || AsciiSameText(ACharset, u"utf8");
}

QString DecodeCharset(const QByteArray& ABody, const QString& ACharset) {
    QString text;
    DecodePageText(ABody, ACharset, -1, text);
    return text;
}

bool DecodePageText(const QByteArray& ABody, const QString& ACharset, qint64 ALimit,
                    QString& AText) {
    AText.clear();
    const QString marked = ByteOrderMarkCharset(ABody);
    const QString& charset = marked.isEmpty() ? ACharset : marked;
    QByteArrayView body(ABody);
    if (!marked.isEmpty())
        body = body.sliced(IsUTF8Charset(marked) ? 3 : 2);
    if (IsUTF8Charset(charset))
        return DecodeUTF8(body, ALimit, AText);
    if (charset.isEmpty() || IsLatin1Name(charset) || !IsPlainName(charset) || IsUTF7Name(charset))
        return DecodeLatin1(body, ALimit, AText);
    TIconv conv(charset.toLatin1());
    if (!conv.IsValid())
        return DecodeLatin1(body, ALimit, AText);
    return DecodeWith(conv, body, ALimit, AText);
}

} // namespace tarrow
