#include "engine/uCharsetDecoder.h"

#include "page/uStrUtils.h"

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

bool IsLatin1Name(const QString& AName) {
    return AsciiSameText(AName, u"iso-8859-1") || AsciiSameText(AName, u"latin1") ||
           AsciiSameText(AName, u"iso8859-1") || AsciiSameText(AName, u"l1");
}

QString DecodeWith(TIconv& AConv, const QByteArray& ABody) {
    QString result(ABody.size(), Qt::Uninitialized); // one code unit per byte is a good first guess
    char* in = const_cast<char*>(ABody.constData());
    size_t inLeft = size_t(ABody.size());
    qsizetype written = 0;
    while (inLeft > 0) {
        if (result.size() - written < 8)
            result.resize(result.size() * 2 + 16);
        char* out = reinterpret_cast<char*>(result.data() + written);
        size_t outLeft = size_t(result.size() - written) * 2;
        const size_t rc = iconv(AConv.Handle(), &in, &inLeft, &out, &outLeft);
        written = result.size() - qsizetype(outLeft / 2);
        if (rc != size_t(-1) || errno == E2BIG)
            continue;
        // An invalid or truncated sequence: one replacement character, then go on after it.
        result[written++] = QChar(ReplacementChar);
        ++in;
        --inLeft;
        iconv(AConv.Handle(), nullptr, nullptr, nullptr, nullptr);
    }
    result.truncate(written);
    return result;
}

} // namespace

bool IsUTF8Charset(const QString& ACharset) {
    return AsciiSameText(ACharset, u"utf-8") || AsciiSameText(ACharset, u"utf8");
}

QString DecodeCharset(const QByteArray& ABody, const QString& ACharset) {
    if (IsUTF8Charset(ACharset))
        return QString::fromUtf8(ABody);
    if (ACharset.isEmpty() || IsLatin1Name(ACharset) || !IsPlainName(ACharset))
        return QString::fromLatin1(ABody);
    TIconv conv(ACharset.toLatin1());
    if (!conv.IsValid())
        return QString::fromLatin1(ABody);
    return DecodeWith(conv, ABody);
}

} // namespace tarrow
