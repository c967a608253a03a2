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

// The folders of a path without its drive: the text before its last separator, split at each
// separator; none when the path holds no separator.
QList<QStringView> FolderParts(QStringView APath, QChar ADelim) {
    const qsizetype last = APath.lastIndexOf(ADelim);
    if (last < 0)
        return {};
    return APath.left(last).split(ADelim);
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
    const QStringView target = QStringView(ATargetFile).mid(targetDrive.size());
    const QList<QStringView> pageFolders =
        FolderParts(QStringView(APageFile).mid(pageDrive.size()), delim);
    const QList<QStringView> targetFolders = FolderParts(target, delim);

    qsizetype common = 0;
    const qsizetype most = std::min(pageFolders.size(), targetFolders.size());
    while (common < most && SameFolder(pageFolders[common], targetFolders[common], AReading))
        ++common;

    QString result;
    for (qsizetype i = common; i < pageFolders.size(); ++i)
        result.append(u"..").append(delim);
    for (qsizetype i = common; i < targetFolders.size(); ++i)
        result.append(targetFolders[i]).append(delim);
    return result.append(target.mid(target.lastIndexOf(delim) + 1));
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
