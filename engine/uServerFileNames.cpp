#include "engine/uServerFileNames.h"

#include "base/uStrUtils.h"
#include "engine/URLListUnit.h"
#include "engine/uFileUtils.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>

namespace tarrow {

namespace {

bool IsSpaceOrTab(QChar C) {
    return C == u' ' || C == u'\t';
}

QStringView Trimmed(QStringView S) {
    while (!S.isEmpty() && IsSpaceOrTab(S.front()))
        S = S.mid(1);
    while (!S.isEmpty() && IsSpaceOrTab(S.back()))
        S.chop(1);
    return S;
}

// One parameter value from APos on: a quoted string (backslash escapes, an unterminated one runs
// to the end) or a token up to the next ";". APos ends after it.
QString ParamValue(QStringView AValue, qsizetype& APos) {
    while (APos < AValue.size() && IsSpaceOrTab(AValue[APos]))
        ++APos;
    QString result;
    if (APos < AValue.size() && AValue[APos] == u'"') {
        for (++APos; APos < AValue.size() && AValue[APos] != u'"'; ++APos) {
            if (AValue[APos] == u'\\' && APos + 1 < AValue.size())
                ++APos;
            result.append(AValue[APos]);
        }
        const qsizetype end = AValue.indexOf(u';', APos);
        APos = end < 0 ? AValue.size() : end;
        return result;
    }
    const qsizetype end = AValue.indexOf(u';', APos);
    const qsizetype stop = end < 0 ? AValue.size() : end;
    result = Trimmed(AValue.mid(APos, stop - APos)).toString();
    APos = stop;
    return result;
}

// An extended value: charset "'" language "'" percent-encoded bytes. Empty when its charset is
// neither UTF-8 nor ISO-8859-1, or its bytes are not valid in it.
QString ExtendedValue(QStringView AValue) {
    const qsizetype first = AValue.indexOf(u'\'');
    const qsizetype second = first < 0 ? -1 : AValue.indexOf(u'\'', first + 1);
    if (second < 0)
        return QString();
    const QStringView charset = AValue.left(first);
    QByteArray bytes;
    for (qsizetype i = second + 1; i < AValue.size(); ++i) {
        const QChar c = AValue[i];
        if (c == u'%' && i + 2 < AValue.size() && HexDigitValue(AValue[i + 1].unicode()) >= 0 &&
            HexDigitValue(AValue[i + 2].unicode()) >= 0) {
            bytes.append(char(HexDigitValue(AValue[i + 1].unicode()) * 16 +
                              HexDigitValue(AValue[i + 2].unicode())));
            i += 2;
        } else if (c.unicode() < 0x80) {
            bytes.append(char(c.unicode()));
        } else {
            return QString();
        }
    }
    if (AsciiSameText(charset, u"UTF-8"))
        return QByteArrayView(bytes).isValidUtf8() ? QString::fromUtf8(bytes) : QString();
    if (AsciiSameText(charset, u"ISO-8859-1"))
        return QString::fromLatin1(bytes);
    return QString();
}

// Characters that a link, a markup attribute, a style sheet or a file system would read specially.
bool IsReplacedChar(QChar C) {
    static constexpr char16_t Special[] = u" \"#%&'()*,:;<>?`|";
    return C.isSpace() || std::find(std::begin(Special), std::end(Special) - 1, C.unicode()) !=
                              std::end(Special) - 1;
}

bool IsControlChar(QChar C) {
    return C.unicode() < 0x20 || C.unicode() == 0x7F || C.category() == QChar::Other_Control ||
           C.category() == QChar::Other_Format;
}

QString PlainFileName(QStringView AName) {
    const QStringView name = Trimmed(AName);
    if (name.isEmpty() || name.startsWith(u'.') || name.contains(u"..") || name.contains(u'/') ||
        name.contains(u'\\') || std::any_of(name.begin(), name.end(), IsControlChar))
        return QString();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot + 1 == name.size() ||
        !std::all_of(name.begin() + dot + 1, name.end(),
                     [](QChar c) { return c.isLetterOrNumber(); }))
        return QString();
    QString result = name.toString();
    for (QChar& c : result)
        if (IsReplacedChar(c))
            c = u'_';
    return result;
}

// Whether a link may begin after ABefore and end before AAfter (0: the text's start or end).
bool IsLinkStart(char ABefore) {
    return ABefore == 0 || ABefore == '"' || ABefore == '\'' || ABefore == '=' || ABefore == '(' ||
           ABefore == ',' || ABefore == ' ' || ABefore == '\t' || ABefore == '\n' ||
           ABefore == '\r' || ABefore == '\f';
}

bool IsLinkEnd(char AAfter) {
    return AAfter == 0 || AAfter == '"' || AAfter == '\'' || AAfter == '#' || AAfter == ')' ||
           AAfter == ',' || AAfter == '>' || AAfter == '\\' || AAfter == ' ' || AAfter == '\t' ||
           AAfter == '\n' || AAfter == '\r' || AAfter == '\f';
}

QByteArray ReplaceWhole(const QByteArray& AContent, const QByteArray& AOld,
                        const QByteArray& ANew) {
    QByteArray result;
    qsizetype from = 0;
    for (qsizetype at = AContent.indexOf(AOld); at >= 0; at = AContent.indexOf(AOld, at + 1)) {
        const char before = at == 0 ? 0 : AContent[at - 1];
        const qsizetype end = at + AOld.size();
        const char after = end == AContent.size() ? 0 : AContent[end];
        if (at < from || !IsLinkStart(before) || !IsLinkEnd(after))
            continue;
        result.append(AContent.constData() + from, at - from).append(ANew);
        from = end;
    }
    if (from == 0)
        return AContent;
    return result.append(AContent.constData() + from, AContent.size() - from);
}

} // namespace

QString DispositionFileName(QStringView AValue) {
    QString plain;
    QString extended;
    bool hasPlain = false;
    bool hasExtended = false;
    qsizetype pos = AValue.indexOf(u';');
    // Only a download is named by the server; "inline" content keeps the name of its URL.
    if (pos < 0 || !AsciiSameText(Trimmed(AValue.left(pos)), u"attachment"))
        return QString();
    while (pos >= 0 && pos < AValue.size()) {
        ++pos; // past ";"
        const qsizetype equals = AValue.indexOf(u'=', pos);
        const qsizetype semicolon = AValue.indexOf(u';', pos);
        if (equals < 0)
            break;
        if (semicolon >= 0 && semicolon < equals) {
            pos = semicolon;
            continue;
        }
        const QStringView name = Trimmed(AValue.mid(pos, equals - pos));
        pos = equals + 1;
        const QString value = ParamValue(AValue, pos);
        if (AsciiSameText(name, u"filename") && !hasPlain) {
            plain = value;
            hasPlain = true;
        } else if (AsciiSameText(name, u"filename*") && !hasExtended) {
            extended = ExtendedValue(value);
            hasExtended = true;
        }
    }
    const QString fromExtended = PlainFileName(extended);
    return fromExtended.isEmpty() ? PlainFileName(plain) : fromExtended;
}

QByteArray ReplaceLinkText(QByteArray AContent, const QString& AOld, const QString& ANew) {
    // The forms the rewriter writes for each kind of quoting; the new name itself never needs
    // encoding, so each old form has one new form.
    static constexpr char16_t Quotes[] = {u'"', u'\'', u'\\', u' '};
    QList<QByteArray> done;
    for (char16_t quote : Quotes) {
        const QByteArray oldForm = EncodeLinkForAttr(AOld, QChar(quote)).toUtf8();
        if (oldForm.isEmpty() || done.contains(oldForm))
            continue;
        done.append(oldForm);
        AContent = ReplaceWhole(AContent, oldForm, EncodeLinkForAttr(ANew, QChar(quote)).toUtf8());
    }
    return AContent;
}

void TLinkedFiles::BeginFile(int AIndex) {
    FCurrent = AIndex;
    FTable.SetLinkingEntry(AIndex);
    FRead.clear();
    FLinkedFrom.erase(AIndex); // its name is settled now
}

void TLinkedFiles::FileSaved(const QString& ALocalPath, const QString& AOutFilePath) {
    if (FRead.empty())
        return;
    std::sort(FRead.begin(), FRead.end());
    FRead.erase(std::unique(FRead.begin(), FRead.end()), FRead.end());
    const int32_t file = int32_t(FFiles.size());
    FFiles.push_back({ALocalPath, AOutFilePath, {}});
    for (int entry : FRead)
        FLinkedFrom[entry].push_back(file);
    FRead.clear();
}

void TLinkedFiles::Moved(int AIndex, const QString& AOldPath, const QString& AOutFolder,
                         const TLocalLinkOptions& AOptions, const TErrorEvent& AOnError) {
    const auto found = FLinkedFrom.find(AIndex);
    if (found == FLinkedFrom.end())
        return;
    const std::vector<int32_t> files = std::move(found->second);
    FLinkedFrom.erase(found);
    const QString newPath = FTable.OutFilePath(AIndex);
    for (int32_t file : files) {
        TSavedFile& saved = FFiles[size_t(file)];
        QString oldLink = LocalLinkForm(AOldPath, saved.OutFilePath, AOptions);
        QString newLink = LocalLinkForm(newPath, saved.OutFilePath, AOptions);
        if (oldLink == newLink)
            continue;
        if (saved.Waiting.isEmpty())
            FWaiting.push_back(file);
        saved.Waiting.append({std::move(oldLink), std::move(newLink)});
        if (saved.Waiting.size() >= kRewriteBatch)
            Rewrite(saved, AOutFolder, AOnError);
    }
}

void TLinkedFiles::Flush(const QString& AOutFolder, const TErrorEvent& AOnError) {
    for (int32_t file : FWaiting)
        Rewrite(FFiles[size_t(file)], AOutFolder, AOnError);
    FWaiting.clear();
}

void TLinkedFiles::Rewrite(TSavedFile& AFile, const QString& AOutFolder,
                           const TErrorEvent& AOnError) {
    const QList<QPair<QString, QString>> links = std::move(AFile.Waiting);
    AFile.Waiting.clear();
    QFile in(AFile.LocalPath);
    if (links.isEmpty() || !in.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = in.readAll();
    in.close();
    QByteArray changed = content;
    for (const auto& [oldLink, newLink] : links)
        changed = ReplaceLinkText(std::move(changed), oldLink, newLink);
    if (changed == content)
        return;
    try {
        WriteFileBelow(AOutFolder, AFile.LocalPath, changed);
    } catch (const std::exception& E) {
        AOnError(E);
    }
}

int TLinkedFiles::AddURL(TURLTag AURLTag, const QString& AURL, const QString& AWebsiteURL,
                         const QString& AIndexFile, const QString& AOutDir, int32_t AExtractURLs,
                         int32_t AURLDepth, const QStringList* ASuppressURLs,
                         const QString& ALinkType) {
    return FTable.AddURL(AURLTag, AURL, AWebsiteURL, AIndexFile, AOutDir, AExtractURLs, AURLDepth,
                         ASuppressURLs, ALinkType);
}

int TLinkedFiles::FindURL(const QString& ALoadURL) const {
    return FTable.FindURL(ALoadURL);
}

int TLinkedFiles::Count() const {
    return FTable.Count();
}

// Link processing reads an entry's path exactly when it writes a link to it.
QString TLinkedFiles::OutFilePath(int AIndex) const {
    if (AIndex > FCurrent && FTable.MayTakeServerName(AIndex))
        FRead.push_back(AIndex);
    return FTable.OutFilePath(AIndex);
}

int32_t TLinkedFiles::RequisiteNesting(int AIndex) const {
    return FTable.RequisiteNesting(AIndex);
}

void TLinkedFiles::SetRequisiteNesting(int AIndex, int32_t ANesting) {
    FTable.SetRequisiteNesting(AIndex, ANesting);
}

} // namespace tarrow
