// The run journal's reader on any lines: whether continued or read as the previous run's record
// of saved replies and page links, a journal never crashes the reader, and what the continued
// run keeps reads again on its own. Each line of the input gets its digest, so the fuzzer
// reaches the records rather than stopping at the first garbled line; the first byte chooses
// which lines keep their digest and whether a valid header comes first.
#include "engine/uRunJournal.h"
#include "fuzz/FuzzSupport.h"
#include "project/WebsiteUnit.h"

#include <QFile>
#include <QTemporaryDir>

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

QByteArray Digest(QByteArrayView ALine) {
    uint32_t h = 2166136261u; // FNV-1a, as the journal writes it
    for (char c : ALine)
        h = (h ^ uint8_t(c)) * 16777619u;
    return QByteArray::number(h, 16).rightJustified(8, '0');
}

QByteArray Journal(TFuzzInput& AInput, const QString& AFingerprint, QByteArrayList& AURLs) {
    const uint8_t choice = AInput.Byte();
    QByteArray text;
    if (choice & 1)
        text = "tarrow-journal\t1\t" + AFingerprint.toLatin1();
    else
        text = AInput.Field();
    text += '\t' + Digest(text) + '\n';
    const QByteArrayList lines = AInput.Rest().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const QByteArrayList fields = line.split('\t');
        if (fields.size() > 2)
            AURLs.append(fields[2]);
        const bool garble = (choice & 2) && i % 7 == 3;
        text += line + '\t' + (garble ? QByteArray("00000000") : Digest(line));
        if (i + 1 < lines.size() || !(choice & 4))
            text += '\n';
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    if (ASize > 64 * 1024)
        return 0;
    static const QTemporaryDir root;
    TWebsiteProject project = TWebsiteProject::NewProject(QStringLiteral("Fuzz"));
    project.SetConditionalGet(true);
    const QString out = root.path() + QStringLiteral("/out");
    const QString fingerprint = TRunJournal::Fingerprint(project, out);
    TFuzzInput input(AData, ASize);
    QByteArrayList urls;
    const QByteArray data = Journal(input, fingerprint, urls);

    // Continued: what is kept reads again on its own, as the continued run's journal.
    std::vector<TJournalRecord> records;
    qsizetype keep = -1;
    bool complete = false;
    const QString problem = TRunJournal::Read(data, fingerprint, records, keep, complete);
    const QString shown = QString::fromUtf8(data.first(std::min<qsizetype>(data.size(), 300)));
    FUZZ_CHECK(keep >= 0 && keep <= data.size(), shown);
    if (problem.isEmpty() && keep > 0) {
        FUZZ_CHECK(data[keep - 1] == '\n', shown);
        std::vector<TJournalRecord> again;
        qsizetype keepAgain = -1;
        const QString problemAgain =
            TRunJournal::Read(data.first(keep), fingerprint, again, keepAgain, complete);
        FUZZ_CHECK(problemAgain.isEmpty(), problemAgain + u'\n' + shown);
    }

    // Previous: a fresh conditional run takes this journal as the previous one and reads it.
    const QString path = RunJournalPath(out, project.ProjectName());
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path + QStringLiteral(".previous"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(data) != data.size())
            return 0;
    }
    const TRunContext context;
    TRunJournal journal(out, project, context);
    journal.Open(false);
    std::vector<TLinkCall> calls;
    for (const QByteArray& url : urls) {
        const QString text = QString::fromUtf8(url);
        if (!journal.PreviousReply(text) || !journal.PreviousLinks(text, calls))
            continue;
        for (const TLinkCall& call : calls)
            FUZZ_CHECK(call.Kind == 'A' || call.Kind == 'F' || call.Kind == 'N', text);
    }
    return 0;
}
