#include "engine/uOutPathNames.h"

#include "base/uStrUtils.h"
#include "engine/uFileUtils.h"

#include <QCryptographicHash>
#include <QList>

namespace tarrow {

namespace {

// The one list of extensions whose files keep their names in a complete copy.
const QLatin1StringView KeptExtensions[] = {
    // pages
    QLatin1StringView("html"), QLatin1StringView("htm"), QLatin1StringView("xhtml"),
    QLatin1StringView("shtml"),
    // documents
    QLatin1StringView("pdf"), QLatin1StringView("doc"), QLatin1StringView("docx"),
    QLatin1StringView("xls"), QLatin1StringView("xlsx"), QLatin1StringView("ppt"),
    QLatin1StringView("pptx"), QLatin1StringView("odt"), QLatin1StringView("ods"),
    QLatin1StringView("epub"),
    // archives and packages
    QLatin1StringView("zip"), QLatin1StringView("gz"), QLatin1StringView("tgz"),
    QLatin1StringView("xz"), QLatin1StringView("7z"), QLatin1StringView("tar"),
    QLatin1StringView("exe"), QLatin1StringView("msi"), QLatin1StringView("deb"),
    QLatin1StringView("rpm"), QLatin1StringView("dmg"), QLatin1StringView("iso"),
    // audio and video
    QLatin1StringView("mp3"), QLatin1StringView("mp4"), QLatin1StringView("webm"),
    QLatin1StringView("ogg"), QLatin1StringView("wav"), QLatin1StringView("avi"),
    QLatin1StringView("mov"), QLatin1StringView("mkv"),
    // images
    QLatin1StringView("svg"), QLatin1StringView("png"), QLatin1StringView("jpg"),
    QLatin1StringView("jpeg"), QLatin1StringView("gif"), QLatin1StringView("webp"),
    QLatin1StringView("ico"), QLatin1StringView("bmp"),
    // fonts
    QLatin1StringView("woff"), QLatin1StringView("woff2"), QLatin1StringView("ttf"),
    QLatin1StringView("otf"), QLatin1StringView("eot"),
    // text and data
    QLatin1StringView("txt"), QLatin1StringView("csv"), QLatin1StringView("json"),
    QLatin1StringView("js"), QLatin1StringView("css"), QLatin1StringView("xml")};

bool SameExtension(QStringView AText, QLatin1StringView AExt) {
    if (AText.size() != AExt.size())
        return false;
    for (qsizetype i = 0; i < AText.size(); ++i)
        if (AsciiFold(AText[i].unicode()) != char16_t(AExt[i].unicode()))
            return false;
    return true;
}

// Names above this many bytes once decoded are shortened, leaving room for a number and for the
// 255 bytes most file systems allow.
constexpr qsizetype kLongNameBytes = 200;
constexpr qsizetype kShortStartBytes = 100;
constexpr qsizetype kMaxKeptExtension = 10;

// Counts the bytes of the decoded name that the written text stands for: an escape is one byte,
// any other character its UTF-8 length.
// AEnd is set to the end of the longest start that stays within ALimit bytes.
void WrittenLength(QStringView ASegment, qsizetype& AEnd, qsizetype ALimit) {
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < ASegment.size()) {
        const bool escape = ASegment[i] == u'%' && i + 2 < ASegment.size();
        const qsizetype step = escape ? 3 : (ASegment[i].isHighSurrogate() ? 2 : 1);
        const qsizetype size =
            escape ? 1 : ASegment.mid(i, step).toUtf8().size(); // one character's bytes
        if (bytes + size > ALimit)
            break;
        bytes += size;
        i += step;
    }
    AEnd = i;
}

QString ShortName(QStringView ASegment) {
    qsizetype start = 0;
    WrittenLength(ASegment, start, kLongNameBytes);
    if (start == ASegment.size())
        return ASegment.toString();
    WrittenLength(ASegment, start, kShortStartBytes);
    const qsizetype dot = ASegment.lastIndexOf(u'.');
    const QStringView ext =
        dot > 0 && ASegment.size() - dot <= kMaxKeptExtension && !ASegment.mid(dot).contains(u'%')
            ? ASegment.mid(dot)
            : QStringView();
    const QByteArray digest =
        QCryptographicHash::hash(ASegment.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return ASegment.left(start).toString() + u'-' + QString::fromLatin1(digest) + ext.toString();
}

} // namespace

bool IsKeptFileExtension(QStringView AExtension) {
    if (AExtension.isEmpty())
        return false;
    for (QLatin1StringView ext : KeptExtensions)
        if (SameExtension(AExtension, ext))
            return true;
    return false;
}

QStringView LastSegmentExtension(QStringView APath) {
    const QStringView segment = APath.mid(APath.lastIndexOf(u'/') + 1);
    const qsizetype dot = segment.lastIndexOf(u'.');
    return dot <= 0 ? QStringView() : segment.mid(dot + 1);
}

QString FileNameWithQuery(QStringView AFileName, QStringView AQuery) {
    QString query = AQuery.toString();
    query.replace(u'/', u'_');
    const qsizetype dot = AFileName.lastIndexOf(u'.');
    if (dot <= 0)
        return AFileName.toString() + u'@' + query;
    return AFileName.left(dot).toString() + u'@' + query + AFileName.mid(dot).toString();
}

QString QueryAsName(QString AQuery, TPathReading AReading) {
    const bool windows = AReading == TPathReading::prWindows;
    for (qsizetype i = 0; i < AQuery.size(); ++i) {
        const QChar c = AQuery[i];
        if (c == u'/' || (windows && c == u'\\')) {
            AQuery[i] = u'_';
        } else if (c == u'%' && i + 2 < AQuery.size() &&
                   ((AQuery[i + 1] == u'2' && (AQuery[i + 2] == u'f' || AQuery[i + 2] == u'F')) ||
                    (windows && AQuery[i + 1] == u'5' &&
                     (AQuery[i + 2] == u'c' || AQuery[i + 2] == u'C')))) {
            AQuery.replace(i, 3, u'_');
        }
    }
    return AQuery;
}

bool SettleOutPath(QString& APath, qsizetype AFrom, TPathReading AReading) {
    const QChar delim = PathDelim(AReading);
    // Most paths hold no escape and no segment that starts with a dot: nothing to settle.
    const QStringView written = QStringView(APath).mid(AFrom);
    if (!written.contains(u'%') && !written.startsWith(u'.') &&
        !written.contains(QString(delim) + u'.') && !written.contains(u"/."))
        return !written.isEmpty() && !written.endsWith(delim);
    // Escaped separators are folder steps once decoded: split there too.
    QString rest = APath.mid(AFrom);
    for (const QLatin1StringView escape : {QLatin1StringView("%2F"), QLatin1StringView("%2f"),
                                           QLatin1StringView("%5C"), QLatin1StringView("%5c")})
        if (escape[1] == u'2' || AReading == TPathReading::prWindows)
            rest.replace(escape, delim);
    if (AReading == TPathReading::prWindows)
        rest.replace(u'/', delim);
    // Empty segments stay: the written text keeps one segment per decoded one.
    QList<QStringView> kept;
    const QList<QStringView> segments = QStringView(rest).split(delim);
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QString decoded = PercentDecodePath(segments[i].toString());
        const bool dot = decoded == u".", dotDot = decoded == u"..";
        if (i == segments.size() - 1 && (decoded.isEmpty() || dot || dotDot))
            return false;
        if (dotDot) {
            while (!kept.isEmpty() && PercentDecodePath(kept.last().toString()).isEmpty())
                kept.removeLast();
            if (kept.isEmpty())
                return false;
            kept.removeLast();
        } else if (!dot) {
            kept.append(segments[i]);
        }
    }
    QString settled = APath.left(AFrom);
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (i > 0)
            settled.append(delim);
        settled.append(kept[i]);
    }
    APath = settled;
    return true;
}

QString ShortenLongNames(const QString& APath, qsizetype AFrom, TPathReading AReading) {
    const QChar delim = PathDelim(AReading);
    QString result = APath.left(AFrom);
    const QList<QStringView> segments = QStringView(APath).mid(AFrom).split(delim);
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (i > 0)
            result.append(delim);
        result.append(ShortName(segments[i]));
    }
    return result;
}

QString NumberedName(QStringView ASegment, int ANumber) {
    const QString number = u'-' + QString::number(ANumber);
    const qsizetype dot = ASegment.lastIndexOf(u'.');
    if (dot <= 0)
        return ASegment.toString() + number;
    return ASegment.left(dot).toString() + number + ASegment.mid(dot).toString();
}

} // namespace tarrow
