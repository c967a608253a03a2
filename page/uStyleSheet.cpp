#include "page/uStyleSheet.h"

#include "base/uStrUtils.h"

#include <algorithm>

namespace tarrow {

namespace {

constexpr char16_t ReplacementChar = 0xFFFD;
constexpr char32_t MaxCodePoint = 0x10FFFF;

bool IsCssSpace(char16_t C) {
    return IsSpaceChar(C) || C == u'\f';
}

bool IsNewline(char16_t C) {
    return C == u'\n' || C == u'\r' || C == u'\f';
}

int HexValue(char16_t C) {
    if (C >= u'0' && C <= u'9')
        return C - u'0';
    const char16_t folded = AsciiFold(C);
    return (folded >= u'a' && folded <= u'f') ? folded - u'a' + 10 : -1;
}

// A character that continues a name, number or hash, so "url" after it is no function name.
bool IsNameChar(char16_t C) {
    return (C >= u'0' && C <= u'9') || (AsciiFold(C) >= u'a' && AsciiFold(C) <= u'z') ||
           C == u'_' || C == u'-' || C >= 0x80;
}

// NUL is not among them: CSS reads it as U+FFFD.
bool IsNonPrintable(char16_t C) {
    return (C >= 0x01 && C <= 0x08) || C == 0x0B || (C >= 0x0E && C <= 0x1F) || C == 0x7F;
}

bool IsQuote(char16_t C) {
    return C == u'"' || C == u'\'';
}

// Collects a decoded value; with no target it only follows the text. Whitespace written as such
// is dropped at both ends, escaped characters always count.
class TValueBuilder final {
public:
    explicit TValueBuilder(QString* AOut) : FOut(AOut) {}

    void Literal(char16_t C) {
        if (!FOut || (!FStarted && IsCssSpace(C)))
            return;
        FStarted = true;
        FOut->append(QChar(C == 0 ? ReplacementChar : C));
        if (!IsCssSpace(C))
            FKeep = FOut->size();
    }
    void Escaped(char32_t ACode) {
        if (!FOut)
            return;
        FStarted = true;
        if (ACode == 0)
            ACode = ReplacementChar;
        if (QChar::requiresSurrogates(ACode)) {
            FOut->append(QChar(QChar::highSurrogate(ACode)));
            FOut->append(QChar(QChar::lowSurrogate(ACode)));
        } else {
            FOut->append(QChar(char16_t(ACode)));
        }
        FKeep = FOut->size();
    }
    void Finish() {
        if (FOut)
            FOut->truncate(FKeep);
    }

private:
    QString* FOut;
    qsizetype FKeep = 0;
    bool FStarted = false;
};

class TCssScanner final {
public:
    explicit TCssScanner(QStringView AText) : FText(AText), FSize(AText.size()) {}
    QList<TCSSReference> Run();

private:
    QStringView FText;
    qsizetype FSize;
    qsizetype FPos = 0;
    qsizetype FEscapeEnd = -1; // where the latest escape outside strings ended
    QList<TCSSReference> FRefs;

    char16_t At(qsizetype APos) const { return FText[APos].unicode(); }
    bool ValidEscapeAt(qsizetype APos) const {
        return APos + 1 < FSize && At(APos) == u'\\' && !IsNewline(At(APos + 1));
    }
    bool UrlStartsHere() const;
    bool ImportStartsHere() const;
    void SkipSpace();
    bool SkipComment();
    void ConsumeEscape(TValueBuilder& AValue);
    void ConsumeHexEscape(TValueBuilder& AValue);
    enum class TRead { rOk, rBad, rEnd };
    TRead ReadString(TValueBuilder& AValue);
    bool ReadImport();
    bool ReadUrl(qsizetype AStart);
    bool ReadQuotedUrl(qsizetype AStart);
    bool ReadUnquotedUrl(qsizetype AStart);
    bool SkipBadUrl();
    void Add(qsizetype AStart, QString AURL, TCSSRefKind AKind) {
        FRefs.append(TCSSReference{AStart, FPos, std::move(AURL), AKind});
    }
};

// Each step moves FPos forward; a false return means the text ended inside a token.
QList<TCSSReference> TCssScanner::Run() {
    TValueBuilder skip(nullptr);
    while (FPos < FSize) {
        const char16_t c = At(FPos);
        bool more = true;
        if (c == u'/' && FPos + 1 < FSize && At(FPos + 1) == u'*') {
            more = SkipComment();
        } else if (IsQuote(c)) {
            more = ReadString(skip) != TRead::rEnd;
        } else if (ValidEscapeAt(FPos)) {
            ConsumeEscape(skip);
            FEscapeEnd = FPos;
        } else if (c == u'@' && ImportStartsHere()) {
            FPos += 7;
            more = ReadImport();
        } else if ((c == u'u' || c == u'U') && UrlStartsHere()) {
            const qsizetype start = FPos;
            FPos += 4;
            more = ReadUrl(start);
        } else {
            ++FPos;
        }
        if (!more)
            break;
    }
    return std::move(FRefs);
}

bool TCssScanner::UrlStartsHere() const {
    if (FPos + 4 > FSize || !AsciiSameText(FText.sliced(FPos, 3), u"url") || At(FPos + 3) != u'(')
        return false;
    if (FPos == FEscapeEnd)
        return false;
    if (FPos == 0)
        return true;
    const char16_t before = At(FPos - 1);
    return !IsNameChar(before) && before != u'#' && before != u'@';
}

bool TCssScanner::ImportStartsHere() const {
    if (FPos + 7 > FSize || !AsciiSameText(FText.sliced(FPos, 7), u"@import"))
        return false;
    const qsizetype after = FPos + 7;
    return after == FSize || !(IsNameChar(At(after)) || ValidEscapeAt(after));
}

void TCssScanner::SkipSpace() {
    while (FPos < FSize && IsCssSpace(At(FPos)))
        ++FPos;
}

bool TCssScanner::SkipComment() {
    const qsizetype end = FText.indexOf(u"*/", FPos + 2);
    if (end < 0) {
        FPos = FSize;
        return false;
    }
    FPos = end + 2;
    return true;
}

// FPos is at a backslash that starts a valid escape.
void TCssScanner::ConsumeEscape(TValueBuilder& AValue) {
    ++FPos;
    if (HexValue(At(FPos)) >= 0) {
        ConsumeHexEscape(AValue);
        return;
    }
    const char16_t c = At(FPos++);
    if (QChar::isHighSurrogate(c) && FPos < FSize && QChar::isLowSurrogate(At(FPos))) {
        AValue.Escaped(QChar::surrogateToUcs4(c, At(FPos++)));
        return;
    }
    AValue.Escaped(c);
}

void TCssScanner::ConsumeHexEscape(TValueBuilder& AValue) {
    char32_t code = 0;
    for (int digits = 0; digits < 6 && FPos < FSize && HexValue(At(FPos)) >= 0; ++digits)
        code = code * 16 + char32_t(HexValue(At(FPos++)));
    if (FPos + 1 < FSize && At(FPos) == u'\r' && At(FPos + 1) == u'\n')
        FPos += 2;
    else if (FPos < FSize && IsCssSpace(At(FPos)))
        ++FPos;
    if (code == 0 || QChar::isSurrogate(code) || code > MaxCodePoint)
        code = ReplacementChar;
    AValue.Escaped(code);
}

// FPos is at the opening quote. A bad string leaves FPos at its raw line break.
TCssScanner::TRead TCssScanner::ReadString(TValueBuilder& AValue) {
    const char16_t quote = At(FPos++);
    while (FPos < FSize) {
        const char16_t c = At(FPos);
        if (c == quote) {
            ++FPos;
            AValue.Finish();
            return TRead::rOk;
        }
        if (IsNewline(c))
            return TRead::rBad;
        if (c != u'\\') {
            AValue.Literal(c);
            ++FPos;
        } else if (FPos + 1 == FSize) {
            ++FPos;
        } else if (At(FPos + 1) == u'\r' && FPos + 2 < FSize && At(FPos + 2) == u'\n') {
            FPos += 3; // line continuation
        } else if (IsNewline(At(FPos + 1))) {
            FPos += 2;
        } else {
            ConsumeEscape(AValue);
        }
    }
    return TRead::rEnd;
}

// FPos is just after "@import": whitespace and comments, then perhaps the string.
bool TCssScanner::ReadImport() {
    while (FPos < FSize) {
        if (IsCssSpace(At(FPos)))
            ++FPos;
        else if (At(FPos) == u'/' && FPos + 1 < FSize && At(FPos + 1) == u'*') {
            if (!SkipComment())
                return false;
        } else
            break;
    }
    if (FPos == FSize || !IsQuote(At(FPos)))
        return true;
    const qsizetype start = FPos;
    QString url;
    TValueBuilder value(&url);
    const TRead read = ReadString(value);
    if (read == TRead::rOk)
        Add(start, std::move(url), TCSSRefKind::crImport);
    return read != TRead::rEnd;
}

// FPos is just after "url(".
bool TCssScanner::ReadUrl(qsizetype AStart) {
    SkipSpace();
    if (FPos == FSize)
        return false;
    return IsQuote(At(FPos)) ? ReadQuotedUrl(AStart) : ReadUnquotedUrl(AStart);
}

// url("x"): a string, whitespace, ")". Anything else after the string is read as ordinary text.
bool TCssScanner::ReadQuotedUrl(qsizetype AStart) {
    QString url;
    TValueBuilder value(&url);
    const TRead read = ReadString(value);
    if (read != TRead::rOk)
        return read == TRead::rBad;
    SkipSpace();
    if (FPos == FSize)
        return false;
    if (At(FPos) == u')') {
        ++FPos;
        Add(AStart, std::move(url), TCSSRefKind::crURL);
    }
    return true;
}

bool TCssScanner::ReadUnquotedUrl(qsizetype AStart) {
    QString url;
    TValueBuilder value(&url);
    while (FPos < FSize) {
        const char16_t c = At(FPos);
        if (c == u')' || IsCssSpace(c)) {
            SkipSpace();
            if (FPos == FSize)
                return false;
            if (At(FPos) != u')')
                return SkipBadUrl();
            ++FPos;
            value.Finish();
            Add(AStart, std::move(url), TCSSRefKind::crURL);
            return true;
        }
        if (IsQuote(c) || c == u'(' || IsNonPrintable(c))
            return SkipBadUrl();
        if (c == u'\\') {
            if (!ValidEscapeAt(FPos))
                return SkipBadUrl();
            ConsumeEscape(value);
        } else {
            value.Literal(c);
            ++FPos;
        }
    }
    return false;
}

// The rest of a bad url up to its ")", escapes included.
bool TCssScanner::SkipBadUrl() {
    TValueBuilder skip(nullptr);
    while (FPos < FSize) {
        if (At(FPos) == u')') {
            ++FPos;
            return true;
        }
        if (ValidEscapeAt(FPos))
            ConsumeEscape(skip);
        else
            ++FPos;
    }
    return false;
}

// The value as one double-quoted CSS string: quote and backslash escaped, control characters and
// spaces at either end written in hex (a hex escape eats one following space, so one is added).
QString QuoteCssString(const QString& AValue) {
    QString out;
    out.reserve(AValue.size() + 2);
    out.append(u'"');
    for (qsizetype i = 0; i < AValue.size(); ++i) {
        const char16_t c = AValue[i].unicode();
        const bool edgeSpace = c == u' ' && (i == 0 || i == AValue.size() - 1);
        if (c == u'"' || c == u'\\') {
            out.append(u'\\');
            out.append(QChar(c));
        } else if (c < 0x20 || c == 0x7F || edgeSpace) {
            out.append(u'\\');
            out.append(QString::number(c, 16));
            out.append(u' ');
        } else {
            out.append(QChar(c));
        }
    }
    out.append(u'"');
    return out;
}

} // namespace

QList<TCSSReference> FindStyleSheetReferences(QStringView ACss) {
    return TCssScanner(ACss).Run();
}

QString RewriteStyleSheet(QStringView ACss,
                          const std::function<std::optional<QString>(const TCSSReference&)>& AMap) {
    QString out;
    out.reserve(ACss.size());
    qsizetype copied = 0;
    for (const TCSSReference& ref : FindStyleSheetReferences(ACss)) {
        const std::optional<QString> value = AMap(ref);
        if (!value)
            continue;
        out.append(ACss.sliced(copied, ref.Start - copied));
        if (ref.Kind == TCSSRefKind::crURL)
            out.append(QLatin1String("url(") + QuoteCssString(*value) + u')');
        else
            out.append(QuoteCssString(*value));
        copied = ref.End;
    }
    out.append(ACss.sliced(copied));
    return out;
}

namespace {

// What a name in an @charset rule stands for. The rule's own bytes are ASCII, so a sheet that has
// one cannot be in UTF-16: such a name means UTF-8, as in browsers. UTF-32 no browser knows: the
// rule counts as absent.
QString CharsetOfRule(const QString& AName) {
    QString letters;
    for (QChar c : AName)
        if (c.isLetterOrNumber())
            letters.append(c.toUpper());
    static const QStringList utf16Names{QStringLiteral("UNICODE"), QStringLiteral("UNICODEFEFF"),
                                        QStringLiteral("UNICODEFFFE"), QStringLiteral("CSUNICODE"),
                                        QStringLiteral("ISO10646UCS2")};
    if (letters.startsWith(u"UTF16") || letters.startsWith(u"UCS2") || utf16Names.contains(letters))
        return QStringLiteral("UTF-8");
    if (letters.startsWith(u"UTF32") || letters.startsWith(u"UCS4"))
        return {};
    return AName;
}

} // namespace

QString StyleSheetCharset(QByteArrayView ABytes) {
    constexpr QByteArrayView Bom("\xEF\xBB\xBF");
    constexpr QByteArrayView Prefix("@charset \"");
    constexpr qsizetype MaxRuleBytes = 1024;
    QByteArrayView bytes = ABytes.startsWith(Bom) ? ABytes.sliced(Bom.size()) : ABytes;
    bytes = bytes.first(std::min(bytes.size(), MaxRuleBytes));
    if (!bytes.startsWith(Prefix))
        return {};
    for (qsizetype i = Prefix.size(); i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"') {
            const bool closed = i + 1 < bytes.size() && bytes[i + 1] == ';';
            return closed ? CharsetOfRule(
                                QString::fromLatin1(bytes.sliced(Prefix.size(), i - Prefix.size())))
                          : QString();
        }
        if (c < 0x20 || c > 0x7E)
            return {};
    }
    return {};
}

} // namespace tarrow
