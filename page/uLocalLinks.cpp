#include "page/uLocalLinks.h"

#include "base/uPathUtils.h"
#include "base/uStrUtils.h"
#include "page/uParseUtils.h"

#include <QList>
#include <QStringView>
#include <algorithm>

namespace tarrow {

namespace {

bool IsWindows(TPathReading R) {
    return R == TPathReading::prWindows;
}

bool SameFolder(QStringView A, QStringView B, TPathReading R) {
    return IsWindows(R) ? AsciiSameText(A, B) : A == B;
}

// A path with "/" separators, as links carry them.
QString WithURLSeparators(QString APath, TPathReading R) {
    if (IsWindows(R))
        APath.replace(u'\\', u'/');
    return APath;
}

constexpr char16_t Hex[] = u"0123456789ABCDEF";

bool MustEncode(QChar C, QChar AQuote) {
    switch (AQuote.unicode()) {
    case u'"':
    case u'\'':
        return C == AQuote;
    case u'\\':
        return C == u'"';
    default: // unquoted: whitespace or ">" would end it, a quote at its start would quote it
        return IsSpaceChar(C) || C == u'\f' || C == u'>' || C == u'"' || C == u'\'';
    }
}

} // namespace

QString RelativeFilePath(const QString& APageFile, const QString& ATargetFile,
                         TPathReading AReading) {
    const QString pageDrive = DrivePart(APageFile, AReading);
    const QString targetDrive = DrivePart(ATargetFile, AReading);
    if (!AsciiSameText(pageDrive, targetDrive))
        return ATargetFile;
    const QChar delim = PathDelim(AReading);
    const QStringView page = QStringView(APageFile).mid(pageDrive.size());
    const QStringView target = QStringView(ATargetFile).mid(targetDrive.size());
    // Each folder ends with a separator; the last separator ends the last folder. Called for
    // every link of a page, so the folders are walked in place rather than split.
    const qsizetype pageEnd = page.lastIndexOf(delim);
    const qsizetype targetEnd = target.lastIndexOf(delim);
    qsizetype p = 0; // where the next folder of each starts
    qsizetype t = 0;
    while (p <= pageEnd && t <= targetEnd) {
        const qsizetype pageNext = page.indexOf(delim, p);
        const qsizetype targetNext = target.indexOf(delim, t);
        if (!SameFolder(page.mid(p, pageNext - p), target.mid(t, targetNext - t), AReading))
            break;
        p = pageNext + 1;
        t = targetNext + 1;
    }

    QString result;
    const qsizetype up = p <= pageEnd ? page.mid(p, pageEnd - p + 1).count(delim) : 0;
    result.reserve(up * 3 + target.size() - t);
    for (qsizetype i = 0; i < up; ++i)
        result.append(u"..").append(delim);
    if (t <= targetEnd)
        result.append(target.mid(t, targetEnd - t + 1));
    return result.append(target.mid(targetEnd + 1));
}

QString LocalLinkForm(const QString& APath, const QString& APageOutFilePath,
                      const TLocalLinkOptions& AOptions) {
    if (AOptions.RelativePathLinks)
        return WithURLSeparators(RelativeFilePath(APageOutFilePath, APath, AOptions.PathReading),
                                 AOptions.PathReading);
    if (AOptions.BaseURL.isEmpty())
        return FileURLFromPath(APath, AOptions.PathReading);
    QString rest = WithURLSeparators(APath, AOptions.PathReading).mid(AOptions.OutDir.size());
    const QString& index = AOptions.IndexFile;
    if (!index.isEmpty() && AsciiEndsText(rest, index) &&
        (rest.size() == index.size() || rest.at(rest.size() - index.size() - 1) == u'/'))
        rest.chop(index.size());
    return AOptions.BaseURL + rest;
}

QString EncodeLinkForAttr(const QString& ALink, QChar AQuote) {
    const bool backslashQuoted = AQuote == u'\\';
    const auto needsWork = [&](QChar c) {
        return MustEncode(c, AQuote) || (backslashQuoted && c == u'\\');
    };
    if (std::none_of(ALink.cbegin(), ALink.cend(), needsWork))
        return ALink;
    QString result;
    result.reserve(ALink.size() + 8);
    for (QChar c : ALink) {
        if (backslashQuoted && c == u'\\')
            result.append(u"\\\\");
        else if (MustEncode(c, AQuote)) // only ASCII characters are ever encoded
            result.append(u'%')
                .append(QChar(Hex[c.unicode() >> 4]))
                .append(QChar(Hex[c.unicode() & 15]));
        else
            result.append(c);
    }
    return result;
}

} // namespace tarrow
