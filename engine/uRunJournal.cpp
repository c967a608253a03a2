#include "engine/uRunJournal.h"

#include "base/uPathUtils.h"
#include "engine/uFileUtils.h"
#include "project/WebsiteUnit.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tarrow {

namespace {

constexpr char kMagic[] = "tarrow-journal";
// A U field equal to the previous U line's is written as this, which no escaped text can be.
constexpr char kSame[] = "\\.";

uint32_t LineDigest(QByteArrayView ALine) {
    uint32_t h = 2166136261u; // FNV-1a
    for (char c : ALine)
        h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

QByteArray Escaped(const QString& AText) {
    QByteArray out;
    const QByteArray utf8 = AText.toUtf8();
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool Unescape(QByteArrayView AField, QString& AText) {
    QByteArray out;
    out.reserve(AField.size());
    for (qsizetype i = 0; i < AField.size(); ++i) {
        if (AField[i] != '\\') {
            out += AField[i];
            continue;
        }
        if (++i >= AField.size())
            return false;
        switch (AField[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return false;
        }
    }
    AText = QString::fromUtf8(out);
    return true;
}

// The fields of each kind of line, and how many of them at least ("L" and "P" have more).
struct TKind {
    char Kind;
    int Fields;
    int Numbers; // leading fields that are integers
    bool More = false;
};
constexpr TKind kKinds[] = {{'U', 9, 4},       {'N', 2, 2},       {'R', 2, 1},
                            {'L', 3, 1, true}, {'S', 1, 1},       {'D', 8, 8},
                            {'V', 13, 1},      {'P', 2, 1, true}, {'C', 0, 0}};
// The fields of a link call in a "P" line, by its kind, and the first and last that may be
// marked the same as the previous "A" call's.
constexpr int kAddCallFields = 11;
constexpr int kFindCallFields = 4;
constexpr int kNestingCallFields = 2;
constexpr int kFirstSameCallField = 5;
constexpr int kLastSameCallField = 8;

const TKind* FindKind(char AKind) {
    for (const TKind& kind : kKinds)
        if (kind.Kind == AKind)
            return &kind;
    return nullptr;
}

bool IsInteger(const QString& AText) {
    bool ok = false;
    AText.toLongLong(&ok);
    return ok;
}

// One line without its line break: its fields, when its digest and form are right.
bool ReadLine(QByteArrayView ALine, QByteArrayList& AFields) {
    const qsizetype tab = ALine.lastIndexOf('\t');
    if (tab < 0 || ALine.size() - tab - 1 != 8)
        return false;
    bool ok = false;
    const uint32_t digest = ALine.sliced(tab + 1).toByteArray().toUInt(&ok, 16);
    if (!ok || digest != LineDigest(ALine.first(tab)))
        return false;
    AFields = ALine.first(tab).toByteArray().split('\t');
    return true;
}

// A record of the body; U fields marked "same" take the previous U line's.
QString ReadRecord(const QByteArrayList& AFields, QStringList& APreviousU,
                   TJournalRecord& ARecord) {
    const TKind* kind = AFields[0].size() == 1 ? FindKind(AFields[0][0]) : nullptr;
    if (!kind)
        return QStringLiteral("unknown line");
    const int given = int(AFields.size()) - 1;
    if (given < kind->Fields || (!kind->More && given != kind->Fields))
        return QStringLiteral("wrong number of fields");
    ARecord.Kind = kind->Kind;
    ARecord.Fields.clear();
    for (int i = 1; i <= given; ++i) {
        QString text;
        if (kind->Kind == 'U' && AFields[i] == kSame && APreviousU.size() == kind->Fields)
            text = APreviousU[i - 1];
        else if (kind->Kind == 'P' && AFields[i] == kSame)
            text.clear(); // the calls are read by PreviousLinks, not replayed
        else if (!Unescape(AFields[i], text))
            return QStringLiteral("garbled field");
        if ((i <= kind->Numbers || (kind->Kind == 'L' && i > 3)) && !IsInteger(text))
            return QStringLiteral("garbled number");
        ARecord.Fields.append(text);
    }
    if (kind->Kind == 'U')
        APreviousU = ARecord.Fields;
    return QString();
}

QByteArray Number(qint64 AValue) {
    return QByteArray::number(AValue);
}

void AppendCalls(QByteArray& ALine, const std::vector<TLinkCall>& ACalls) {
    const TLinkCall* previous = nullptr; // the previous "A" call
    for (const TLinkCall& call : ACalls) {
        ALine += '\t' + QByteArray(1, call.Kind);
        if (call.Kind == 'N') {
            ALine += '\t' + Number(call.ExtractURLs);
            continue;
        }
        if (call.Kind == 'A') {
            ALine += '\t' + Number(int(call.Tag)) + '\t' + Number(call.ExtractURLs) + '\t' +
                     Number(call.URLDepth);
            ALine += '\t' + Escaped(call.URL);
            for (const QString TLinkCall::*field : {&TLinkCall::WebsiteURL, &TLinkCall::IndexFile,
                                                    &TLinkCall::OutDir, &TLinkCall::LinkType})
                ALine +=
                    '\t' + (previous && previous->*field == call.*field ? QByteArray(kSame)
                                                                        : Escaped(call.*field));
            previous = &call;
        } else {
            ALine += '\t' + Escaped(call.URL);
        }
        ALine += QByteArray(call.Found ? "\t1\t" : "\t0\t") + Escaped(call.OutFilePath);
    }
}

// The calls of a "P" line's fields, from AFirst on.
bool ReadCalls(const QByteArrayList& AFields, qsizetype AFirst, std::vector<TLinkCall>& ACalls) {
    ACalls.clear();
    QStringList same(kLastSameCallField - kFirstSameCallField + 1);
    for (qsizetype i = AFirst; i < AFields.size();) {
        if (AFields[i].size() != 1)
            return false;
        TLinkCall call;
        call.Kind = AFields[i][0];
        const int count = call.Kind == 'A'   ? kAddCallFields
                          : call.Kind == 'F' ? kFindCallFields
                          : call.Kind == 'N' ? kNestingCallFields
                                             : 0;
        if (count == 0 || i + count > AFields.size())
            return false;
        QStringList text;
        for (int k = 1; k < count; ++k) {
            QString field;
            if (call.Kind == 'A' && k >= kFirstSameCallField && k <= kLastSameCallField &&
                AFields[i + k] == kSame)
                field = same[k - kFirstSameCallField];
            else if (!Unescape(AFields[i + k], field))
                return false;
            text.append(field);
        }
        i += count;
        bool ok = true;
        if (call.Kind == 'N') {
            call.ExtractURLs = text[0].toInt(&ok);
        } else if (call.Kind == 'F') {
            call.URL = text[0];
            call.Found = text[1] == u"1";
            call.OutFilePath = text[2];
        } else {
            bool tagOk = false, extractOk = false;
            call.Tag = TURLTag(text[0].toInt(&tagOk));
            call.ExtractURLs = text[1].toInt(&extractOk);
            call.URLDepth = text[2].toInt(&ok);
            ok = ok && tagOk && extractOk && call.Tag > utUndefined && call.Tag <= utIFrame;
            call.URL = text[3];
            call.WebsiteURL = text[4];
            call.IndexFile = text[5];
            call.OutDir = text[6];
            call.LinkType = text[7];
            call.Found = text[8] == u"1";
            call.OutFilePath = text[9];
            for (int k = kFirstSameCallField; k <= kLastSameCallField; ++k)
                same[k - kFirstSameCallField] = text[k - 1];
        }
        if (!ok)
            return false;
        ACalls.push_back(std::move(call));
    }
    return true;
}

void SyncToDisk(QFile& AFile) {
#ifdef Q_OS_WIN
    _commit(AFile.handle());
#else
    ::fdatasync(AFile.handle());
#endif
}

} // namespace

QString RunJournalPath(const QString& AOutFolder, const QString& AProjectName) {
    const QByteArray digest =
        QCryptographicHash::hash(AProjectName.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QString folder = AOutFolder.isEmpty() ? QString() : AOutFolder + u'/';
    return folder + QLatin1String(kJournalFolder) + u'/' + QString::fromLatin1(digest) +
           QStringLiteral(".journal");
}

QString TRunJournal::Fingerprint(const TWebsiteProject& AProject, const QString& AOutFolder) {
    // Whether the project is checked or shown changes nothing of its run.
    QByteArray text = AOutFolder.toUtf8();
    for (const TProjectKey& key : TWebsiteProject::Keys()) {
        if (std::strcmp(key.Name, "Checked") == 0 || std::strcmp(key.Name, "Visible") == 0 ||
            std::strcmp(key.Name, "GroupName") == 0)
            continue;
        text += '\n' + QByteArray(key.Name) + '=' + key.Write(AProject).toUtf8();
    }
    for (const TProjectEntries& list : TWebsiteProject::EntryKeys())
        for (qsizetype i = 0; i < list.Size(AProject); ++i)
            text += '\n' + QByteArray(list.Name) + '=' + list.Entry(AProject, i).toUtf8() + '\t' +
                    list.PartnerText(AProject, i).toUtf8();
    return QString::fromLatin1(
        QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex().left(16));
}

QString TRunJournal::Read(const QByteArray& AData, const QString& AFingerprint,
                          std::vector<TJournalRecord>& ARecords, qsizetype& AKeep,
                          bool& AComplete) {
    ARecords.clear();
    AKeep = 0;
    AComplete = false;
    if (!AData.isEmpty() && !AData.endsWith('\n'))
        return QStringLiteral("cut short");
    QByteArrayList fields;
    qsizetype at = 0;
    size_t done = 0; // records up to the last finished entry
    qsizetype count = 0;
    QStringList previousU;
    for (int line = 1; at < AData.size(); ++line) {
        const qsizetype end = AData.indexOf('\n', at);
        if (!ReadLine(QByteArrayView(AData).sliced(at, end - at), fields))
            return QStringLiteral("line %1 is garbled").arg(line);
        at = end + 1;
        if (line == 1) {
            if (fields.size() != 3 || fields[0] != kMagic)
                return QStringLiteral("not a journal");
            if (fields[1] != QByteArray::number(kVersion))
                return QStringLiteral("written by another version");
            if (QString::fromLatin1(fields[2]) != AFingerprint)
                return QStringLiteral("the project has changed");
            AKeep = at;
            continue;
        }
        TJournalRecord record;
        const QString problem = ReadRecord(fields, previousU, record);
        if (!problem.isEmpty())
            return QStringLiteral("line %1: %2").arg(line).arg(problem);
        if (record.Kind == 'C') {
            AComplete = true;
            continue;
        }
        // Every entry's index is the table's size when it is added; the others name entries.
        const qsizetype index = record.Fields[0].toLongLong();
        if (record.Kind == 'U' ? index != count : index < 0 || index >= count)
            return QStringLiteral("line %1: no such entry").arg(line);
        count += record.Kind == 'U' ? 1 : 0;
        ARecords.push_back(std::move(record));
        if (ARecords.back().Kind == 'D') {
            done = ARecords.size();
            AKeep = at;
        }
    }
    if (AData.isEmpty())
        return QStringLiteral("empty");
    if (done == 0) { // nothing finished: nothing to continue
        ARecords.clear();
        return QString();
    }
    // What came after the last finished entry is done again, but an entry that had begun to
    // write its file remembers it.
    std::vector<TJournalRecord> saving;
    for (size_t i = done; i < ARecords.size(); ++i)
        if (ARecords[i].Kind == 'S')
            saving.push_back(ARecords[i]);
    ARecords.resize(done);
    for (TJournalRecord& record : saving)
        ARecords.push_back(std::move(record));
    return QString();
}

bool HasUnfinishedJournal(const QString& AOutFolder, const TWebsiteProject& AProject) {
    QFile file(RunJournalPath(AOutFolder, AProject.ProjectName()));
    if (!AProject.Journal() || !file.open(QIODevice::ReadOnly))
        return false;
    std::vector<TJournalRecord> records;
    qsizetype keep = 0;
    bool complete = false;
    return TRunJournal::Read(file.readAll(), TRunJournal::Fingerprint(AProject, AOutFolder),
                             records, keep, complete)
               .isEmpty() &&
           !complete && !records.empty();
}

TRunJournal::TRunJournal(const QString& AOutFolder, const TWebsiteProject& AProject,
                         const TRunContext& AContext)
    : FOutFolder(AOutFolder), FPath(RunJournalPath(AOutFolder, AProject.ProjectName())),
      FFingerprint(Fingerprint(AProject, AOutFolder)), FContext(AContext),
      FConditional(AProject.ConditionalGet()) {}

TRunJournal::~TRunJournal() {
    Write(true);
}

void TRunJournal::Open(bool AContinue) {
    FSinceSync.start();
    QFile old(FPath);
    if (!AContinue || !old.exists()) {
        if (AContinue)
            FContext.Log(QStringLiteral("No unfinished journal, starting over"));
        KeepPrevious();
        CreateFresh();
        return;
    }
    QString problem = old.open(QIODevice::ReadOnly) ? QString() : old.errorString();
    qsizetype keep = 0;
    bool complete = false;
    if (problem.isEmpty())
        problem = Read(old.readAll(), FFingerprint, FRecords, keep, complete);
    old.close();
    if (!problem.isEmpty()) {
        StartOver(problem);
        return;
    }
    if (complete || FRecords.empty()) {
        FContext.Log(QStringLiteral("No unfinished journal, starting over"));
        FRecords.clear();
        KeepPrevious();
        CreateFresh();
        return;
    }
    ReadPrevious(); // the run being continued kept it
    FFile.setFileName(FPath);
    if (!FFile.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !FFile.resize(keep) ||
        !FFile.seek(keep)) {
        Fail(FFile.errorString());
        return;
    }
}

void TRunJournal::StartOver(const QString& AReason) {
    FContext.Log(QStringLiteral("Journal damaged (%1), starting over: %2").arg(AReason, FPath));
    FRecords.clear();
    FFile.close();
    CreateFresh();
}

bool TRunJournal::CreateFresh() {
    FLastAdded.clear();
    FPending.clear();
    const QString folder = QFileInfo(FPath).path();
    if (ForceDirectoriesBelow(FOutFolder, ToReadingSeparators(folder, NativePathReading())) !=
        TFolderResult::frReady) {
        Fail(QStringLiteral("cannot create ") + folder);
        return false;
    }
    FFile.setFileName(FPath);
    if (!FFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        Fail(FFile.errorString());
        return false;
    }
    Append({QLatin1String(kMagic), QString::number(kVersion), FFingerprint});
    Write(false);
    return true;
}

// The journal about to be replaced becomes the previous one, whose saved replies this run asks
// about; an older previous one is dropped.
void TRunJournal::KeepPrevious() {
    if (!FConditional)
        return;
    const QString previous = FPath + QStringLiteral(".previous");
    if (QFile::exists(FPath)) {
        QFile::remove(previous);
        QFile::rename(FPath, previous);
    }
    ReadPrevious();
}

// Indexes the previous journal's saved replies by URL; the calls stay on disk until asked for.
// A journal of other settings says nothing: its files were written by other rules. A garbled
// line says nothing either, and a cut one ends the reading.
void TRunJournal::ReadPrevious() {
    FPrevious.clear();
    if (!FConditional)
        return;
    FPreviousFile.close();
    FPreviousFile.setFileName(FPath + QStringLiteral(".previous"));
    if (!FPreviousFile.open(QIODevice::ReadOnly))
        return;
    QByteArrayList fields;
    bool header = true;
    for (qint64 at = 0; !FPreviousFile.atEnd();) {
        QByteArray line = FPreviousFile.readLine();
        const qint64 lineAt = at;
        at += line.size();
        if (!line.endsWith('\n'))
            break;
        line.chop(1);
        if (!ReadLine(line, fields)) {
            if (header)
                break;
            continue;
        }
        if (header) {
            if (fields.size() != 3 || fields[0] != kMagic ||
                fields[1] != QByteArray::number(kVersion) ||
                QString::fromLatin1(fields[2]) != FFingerprint)
                break;
            header = false;
            continue;
        }
        QString url;
        if (fields.size() < 3 || fields[0].size() != 1 || !Unescape(fields[2], url))
            continue;
        if (fields[0] == "V" && fields.size() == 14) {
            QStringList text;
            for (qsizetype i = 3; i < fields.size(); ++i) {
                QString field;
                if (!Unescape(fields[i], field))
                    break;
                text.append(field);
            }
            if (text.size() != 11)
                continue;
            TPrevious& entry = FPrevious[url];
            entry = TPrevious();
            TSavedReply& r = entry.Reply;
            r.ETag = text[0];
            r.LastModified = text[1];
            r.Disposition = text[2];
            r.ContentType = text[3];
            r.LocalPath = text[4];
            r.OutFilePath = text[5];
            r.Size = text[6].toLongLong();
            r.ModifiedMs = text[7].toLongLong();
            r.ExtractURLs = text[8].toInt();
            r.URLDepth = text[9].toInt();
            r.Nesting = text[10].toInt();
        } else if (fields[0] == "P") {
            const auto it = FPrevious.find(url);
            if (it != FPrevious.end()) {
                it->LinksAt = lineAt;
                it->LinksSize = line.size() + 1;
            }
        }
    }
    if (FPrevious.isEmpty())
        FPreviousFile.close();
}

const TSavedReply* TRunJournal::PreviousReply(const QString& AURL) const {
    const auto it = FPrevious.constFind(AURL);
    return it == FPrevious.constEnd() ? nullptr : &it->Reply;
}

bool TRunJournal::PreviousLinks(const QString& AURL, std::vector<TLinkCall>& ACalls) {
    ACalls.clear();
    const auto it = FPrevious.constFind(AURL);
    if (it == FPrevious.constEnd())
        return false;
    if (it->LinksAt < 0)
        return true; // no page, or one without links
    QByteArrayList fields;
    if (!FPreviousFile.seek(it->LinksAt))
        return false;
    QByteArray line = FPreviousFile.read(it->LinksSize);
    if (line.size() != it->LinksSize || !line.endsWith('\n'))
        return false;
    line.chop(1);
    return ReadLine(line, fields) && fields.size() >= 3 && ReadCalls(fields, 3, ACalls);
}

void TRunJournal::SavedReply(int AIndex, const QString& AURL, const TSavedReply& AReply,
                             const std::vector<TLinkCall>& ACalls) {
    if (FBroken)
        return;
    Append({QStringLiteral("V"), QString::number(AIndex), AURL, AReply.ETag, AReply.LastModified,
            AReply.Disposition, AReply.ContentType, AReply.LocalPath, AReply.OutFilePath,
            QString::number(AReply.Size), QString::number(AReply.ModifiedMs),
            QString::number(AReply.ExtractURLs), QString::number(AReply.URLDepth),
            QString::number(AReply.Nesting)});
    if (ACalls.empty())
        return;
    QByteArray line = "P\t" + Number(AIndex) + '\t' + Escaped(AURL);
    AppendCalls(line, ACalls);
    AddLine(line);
}

void TRunJournal::Fail(const QString& AError) {
    if (FBroken)
        return;
    FBroken = true;
    FContext.Log(QStringLiteral("Journal cannot be written, the run goes on without it: %1: %2")
                     .arg(FPath, AError));
    FFile.close();
    FPending.clear();
}

void TRunJournal::Append(std::initializer_list<QString> AFields) {
    QByteArray line;
    for (const QString& field : AFields) {
        if (&field != AFields.begin())
            line += '\t';
        line += Escaped(field);
    }
    AddLine(line);
}

void TRunJournal::AddLine(const QByteArray& ALine) {
    if (FBroken)
        return;
    FPending +=
        ALine + '\t' + QByteArray::number(LineDigest(ALine), 16).rightJustified(8, '0') + '\n';
}

void TRunJournal::Write(bool ASync) {
    if (FBroken || !FFile.isOpen())
        return;
    if ((!FPending.isEmpty() && FFile.write(FPending) != FPending.size()) || !FFile.flush()) {
        Fail(FFile.errorString());
        return;
    }
    FUnsynced = FUnsynced || !FPending.isEmpty();
    FPending.clear();
    if (FUnsynced && (ASync || FSinceSync.elapsed() >= kSyncMs)) {
        SyncToDisk(FFile);
        FUnsynced = false;
        FSinceSync.restart();
    }
}

void TRunJournal::URLAdded(int AIndex, TURLTag ATag, const QString& AURL, int32_t AExtractURLs,
                           int32_t AURLDepth, const QString& AWebsiteURL, const QString& AIndexFile,
                           const QString& AOutDir, const QString& ALinkType) {
    if (FBroken)
        return;
    const QStringList fields = {QString::number(AIndex),
                                QString::number(int(ATag)),
                                QString::number(AExtractURLs),
                                QString::number(AURLDepth),
                                AURL,
                                AWebsiteURL,
                                AIndexFile,
                                AOutDir,
                                ALinkType};
    // The settings' texts repeat on almost every line: written once, then marked the same.
    QByteArray line = "U";
    for (qsizetype i = 0; i < fields.size(); ++i)
        line += '\t' + (i < FLastAdded.size() && i >= 5 && FLastAdded[i] == fields[i]
                            ? QByteArray(kSame)
                            : Escaped(fields[i]));
    FLastAdded = fields;
    AddLine(line);
}

void TRunJournal::NestingSet(int AIndex, int32_t ANesting) {
    Append({QStringLiteral("N"), QString::number(AIndex), QString::number(ANesting)});
}

void TRunJournal::ServerNameTaken(int AIndex, const QString& AFileName) {
    Append({QStringLiteral("R"), QString::number(AIndex), AFileName});
}

void TRunJournal::FileLinks(int AIndex, const QString& ALocalPath, const QString& AOutFilePath,
                            const std::vector<int>& AEntries) {
    if (FBroken || AEntries.empty())
        return;
    QByteArray line = "L\t" + QByteArray::number(AIndex) + '\t' + Escaped(ALocalPath) + '\t' +
                      Escaped(AOutFilePath);
    for (int entry : AEntries)
        line += '\t' + QByteArray::number(entry);
    AddLine(line);
}

void TRunJournal::SavingFile(int AIndex) {
    Append({QStringLiteral("S"), QString::number(AIndex)});
    Write(false); // before the file: a run killed while writing it knows it had begun
}

void TRunJournal::EntryDone(int AIndex, const std::vector<qint64>& ACounts) {
    if (FBroken)
        return;
    QByteArray line = "D\t" + QByteArray::number(AIndex);
    for (qint64 count : ACounts)
        line += '\t' + QByteArray::number(count);
    AddLine(line);
    Write(false);
}

void TRunJournal::Complete() {
    Append({QStringLiteral("C")});
    Write(true);
}

} // namespace tarrow
