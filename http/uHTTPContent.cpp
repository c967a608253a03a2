#include "http/uHTTPContent.h"

#include "base/uStrUtils.h"

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <memory>
#include <zlib.h>

namespace tarrow {

namespace {

QString Unquote(QString AValue) {
    AValue = AValue.trimmed();
    if (AValue.size() >= 2 && (AValue.front() == u'"' || AValue.front() == u'\'') &&
        AValue.back() == AValue.front())
        AValue = AValue.mid(1, AValue.size() - 2).trimmed();
    return AValue;
}

// Splits at ";" outside double quotes.
QStringList SplitParameters(const QString& AValue) {
    QStringList parts;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < AValue.size(); ++i) {
        if (AValue[i] == u'"')
            quoted = !quoted;
        else if (AValue[i] == u';' && !quoted) {
            parts.append(AValue.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.append(AValue.mid(start));
    return parts;
}

QString TypeAndSubtype(const QString& AMediaType) {
    return AsciiLower(QStringView(AMediaType).left(AMediaType.indexOf(u';')).trimmed());
}

} // namespace

TContentType ParseContentType(const QString& AValue) {
    const QStringList parts = SplitParameters(AValue);
    TContentType result;
    result.MediaType = parts.front().trimmed();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString param = parts[i].trimmed();
        if (param.isEmpty())
            continue;
        const qsizetype eq = param.indexOf(u'=');
        if (eq > 0 && AsciiSameText(QStringView(param).left(eq).trimmed(), u"charset")) {
            if (result.Charset.isEmpty())
                result.Charset = Unquote(param.mid(eq + 1));
            continue;
        }
        result.MediaType.append(QStringLiteral("; ")).append(param);
    }
    return result;
}

QString DefaultCharset(const QString& AMediaType) {
    const QString type = TypeAndSubtype(AMediaType);
    if (!type.startsWith(u"text/"))
        return {};
    const QStringView subtype = QStringView(type).mid(5);
    if (subtype == u"xml" || subtype == u"xml-external-parsed-entity" || subtype.endsWith(u"+xml"))
        return QStringLiteral("us-ascii");
    return QStringLiteral("ISO-8859-1");
}

bool IsHTMLMediaType(const QString& AMediaType) {
    const QString type = TypeAndSubtype(AMediaType);
    return type == u"text/html" || type == u"text/html-sandboxed" ||
           type == u"application/xhtml+xml";
}

// ---- meta elements ----

namespace {

class TMetaScanner {
public:
    TMetaScanner(const char* AData, qsizetype ASize) : FData(AData), FEnd(ASize) {}

    TMetaDeclaration Run() {
        qsizetype pos = 0;
        while (pos < FEnd) {
            const void* hit = std::memchr(FData + pos, '<', size_t(FEnd - pos));
            if (!hit)
                break;
            const qsizetype lt = static_cast<const char*>(hit) - FData;
            if (At(lt, "<!--")) {
                pos = Find(lt + 4, "-->");
                continue;
            }
            if (At(lt, "</head") || (At(lt, "<body") && !IsNameChar(lt + 5)))
                break;
            if (At(lt, "<meta") && !IsNameChar(lt + 5))
                pos = ReadMeta(lt + 5);
            else
                pos = lt + 1;
        }
        return FResult;
    }

private:
    static char Lower(char C) { return (C >= 'A' && C <= 'Z') ? char(C | 0x20) : C; }
    static bool IsSpace(char C) {
        return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\f';
    }

    bool At(qsizetype APos, const char* AText) const {
        const qsizetype len = qsizetype(std::strlen(AText));
        if (APos + len > FEnd)
            return false;
        for (qsizetype i = 0; i < len; ++i)
            if (Lower(FData[APos + i]) != AText[i])
                return false;
        return true;
    }
    bool IsNameChar(qsizetype APos) const {
        if (APos >= FEnd)
            return false;
        const char c = FData[APos];
        return !IsSpace(c) && c != '/' && c != '>';
    }
    qsizetype Find(qsizetype AFrom, const char* AText) const {
        for (qsizetype i = AFrom; i < FEnd; ++i)
            if (At(i, AText))
                return i + qsizetype(std::strlen(AText));
        return FEnd;
    }
    void SkipSpace(qsizetype& APos) const {
        while (APos < FEnd && (IsSpace(FData[APos]) || FData[APos] == '/'))
            ++APos;
    }
    QString ReadName(qsizetype& APos) const {
        const qsizetype start = APos;
        while (APos < FEnd && !IsSpace(FData[APos]) && FData[APos] != '=' && FData[APos] != '>' &&
               FData[APos] != '/')
            ++APos;
        return AsciiLower(QString::fromLatin1(FData + start, APos - start));
    }
    QString ReadValue(qsizetype& APos) const {
        while (APos < FEnd && IsSpace(FData[APos]))
            ++APos;
        if (APos < FEnd && (FData[APos] == '"' || FData[APos] == '\'')) {
            const char quote = FData[APos++];
            const qsizetype start = APos;
            while (APos < FEnd && FData[APos] != quote)
                ++APos;
            const QString value = QString::fromLatin1(FData + start, APos - start);
            APos = std::min(APos + 1, FEnd);
            return value;
        }
        const qsizetype start = APos;
        while (APos < FEnd && !IsSpace(FData[APos]) && FData[APos] != '>')
            ++APos;
        return QString::fromLatin1(FData + start, APos - start);
    }

    // Reads the attributes of one meta element; returns the position after it.
    qsizetype ReadMeta(qsizetype APos) {
        QString httpEquiv, content, charset;
        for (;;) {
            SkipSpace(APos);
            if (APos >= FEnd || FData[APos] == '>')
                break;
            const QString name = ReadName(APos);
            SkipSpaceOnly(APos);
            QString value;
            if (APos < FEnd && FData[APos] == '=')
                value = ReadValue(++APos);
            if (name == u"http-equiv")
                httpEquiv = value.trimmed();
            else if (name == u"content")
                content = value;
            else if (name == u"charset")
                charset = Unquote(value);
        }
        Take(httpEquiv, content, charset);
        return APos + 1;
    }
    void SkipSpaceOnly(qsizetype& APos) const {
        while (APos < FEnd && IsSpace(FData[APos]))
            ++APos;
    }
    void Take(const QString& AHttpEquiv, const QString& AContent, const QString& ACharset) {
        if (AsciiSameText(AHttpEquiv, u"content-type") && !AContent.trimmed().isEmpty()) {
            const TContentType type = ParseContentType(AContent);
            if (FResult.ContentType.isEmpty())
                FResult.ContentType = type.MediaType;
            if (FResult.Charset.isEmpty())
                FResult.Charset = type.Charset;
        }
        if (FResult.Charset.isEmpty())
            FResult.Charset = ACharset;
    }

    const char* FData;
    qsizetype FEnd;
    TMetaDeclaration FResult;
};

} // namespace

TMetaDeclaration ReadMetaDeclaration(const char* AData, qsizetype ASize) {
    return TMetaScanner(AData, std::min(ASize, kMetaScanLimit)).Run();
}

// ---- decompression ----

namespace {

struct TInflateStream {
    z_stream Z{};
    bool Open = false;
    explicit TInflateStream(int AWindowBits) { Open = inflateInit2(&Z, AWindowBits) == Z_OK; }
    ~TInflateStream() {
        if (Open)
            inflateEnd(&Z);
    }
    TInflateStream(const TInflateStream&) = delete;
    TInflateStream& operator=(const TInflateStream&) = delete;
};

constexpr qsizetype kInflateChunk = 64 * 1024;
constexpr qsizetype kInflateInput = 1 << 30; // uInt-safe slice of the input

// False when the input ran out before the stream's end; a corrupt stream counts as ended.
bool Inflate(const QByteArray& ABuffer, int AWindowBits, QByteArray& AOut, qint64 ALimit) {
    TInflateStream stream(AWindowBits);
    if (!stream.Open)
        return true;
    z_stream& z = stream.Z;
    const qsizetype start = AOut.size();
    qsizetype inPos = 0;
    qsizetype chunk = kInflateChunk;
    for (;;) {
        if (z.avail_in == 0 && inPos < ABuffer.size()) {
            const qsizetype slice = std::min(ABuffer.size() - inPos, kInflateInput);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(ABuffer.constData() + inPos));
            z.avail_in = uInt(slice);
            inPos += slice;
        }
        const qsizetype outPos = AOut.size();
        AOut.resize(outPos + chunk);
        z.next_out = reinterpret_cast<Bytef*>(AOut.data() + outPos);
        z.avail_out = uInt(chunk);
        const int ret = inflate(&z, Z_NO_FLUSH);
        const qsizetype produced = chunk - qsizetype(z.avail_out);
        AOut.resize(outPos + produced);
        if (AOut.size() - start > ALimit) {
            AOut.resize(start + ALimit);
            throw EContentTooLarge(
                QStringLiteral("Decompressed content exceeds the limit of %1 bytes").arg(ALimit));
        }
        const bool inputUsed = z.avail_in == 0 && inPos >= ABuffer.size();
        if (ret == Z_BUF_ERROR || (ret == Z_OK && produced == 0 && inputUsed))
            return ABuffer.isEmpty(); // no body at all is no stream, not a cut one
        if (ret != Z_OK)
            return true; // the end of the stream, or a failure that keeps what was decoded
        chunk = std::min<qsizetype>(std::max(chunk, (AOut.size() - start) / 2), 16 * kInflateChunk);
    }
}

} // namespace

bool DecodeContent(const QByteArray& ABuffer, const QString& AContentEncoding,
                   QByteArray& AOutStream, qint64 ALimit) {
    if (AContentEncoding == u"deflate")
        return Inflate(ABuffer, MAX_WBITS, AOutStream, ALimit);
    if (AContentEncoding == u"gzip")
        return Inflate(ABuffer, 16 + MAX_WBITS, AOutStream, ALimit);
    AOutStream.append(ABuffer);
    return true;
}

} // namespace tarrow
