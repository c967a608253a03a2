// The run journal: a run stopped at any entry and continued leaves the files and the summary of
// a run that was never stopped, fetches no finished entry again, and a damaged journal starts the
// run over.

#include "engine/uRunJournal.h"
#include "tests/crawl/CrawlFixture.h"

#include <QDirIterator>
#include <QMap>

namespace tarrow::test {

using namespace Qt::StringLiterals;

namespace {

// Pages that lead on, a few requisites, a page found twice, a redirect, a failure, a download
// named by its reply and a link into the journal's own folder name.
void Site(TScriptedSite& ASite) {
    ASite.Html("/blog/", "<a href=\"a.html\">a</a><a href=\"b/\">b</a><img src=\"logo.png\">"
                         "<a href=\"old.html\">o</a><a href=\".tarrow/x.html\">x</a>"
                         "<a href=\"get?file=report\">r</a>");
    // A complete copy saves it under the reply's name, and the pages saved before follow.
    ASite.Page("/blog/get?file=report",
               MakeReply(200, "OK",
                         {{"Content-Type", "application/pdf"},
                          {"Content-Disposition", "attachment; filename=\"report.pdf\""}},
                         "report"));
    ASite.Html("/blog/a.html", "<a href=\"c.html\">c</a><a href=\"b/\">b</a><img src=\"p1.png\">");
    ASite.Html("/blog/b/", "<a href=\"../d.html\">d</a><a href=\"missing.html\">m</a>"
                           "<img src=\"../p2.png\">");
    ASite.Html("/blog/c.html", "<a href=\"e.html\">e</a><a href=\"a.html\">a</a>");
    ASite.Html("/blog/d.html", "<a href=\"e.html\">e</a>");
    ASite.Html("/blog/e.html", "end");
    ASite.Page("/blog/old.html", Redirect(301, "new.html"));
    ASite.Html("/blog/new.html", "<a href=\"f.html\">f</a>");
    ASite.Html("/blog/f.html", "f");
    ASite.Html("/blog/.tarrow/x.html", "not the journal");
    for (const char* image : {"/blog/logo.png", "/blog/p1.png", "/blog/p2.png"})
        ASite.Page(image, OkReply(QByteArray(image) + " bytes", "image/png"));
}

uint32_t LineDigest(QByteArrayView ALine) {
    uint32_t h = 2166136261u;
    for (char c : ALine)
        h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

class CrawlJournalTest : public CrawlTest {
protected:
    void SetUp() override {
        CrawlTest::SetUp();
        Site(FSite);
        FProject = NewProject();
        FProject->SetJournal(true);
        // As Add makes it: the journal also notes what a later run asks for conditionally.
        FProject->SetConditionalGet(true);
    }

    QString Folder(const QString& AName) const { return FRoot.filePath(AName); }

    // Runs the project into the output folder AOutDir; a line starting with AStop breaks the run.
    QStringList RunInto(const QString& AOutDir, bool AContinue, const QString& AStop = QString()) {
        TRunOptions options = FastOptions();
        options.ContinueRun = AContinue;
        FEngine.SetOptions(options);
        TWebsiteProjectList list;
        list.AddProject(std::make_unique<TWebsiteProject>(FProject.get()));
        TBreakingSink sink(FEngine.Terminated(), AStop);
        FEngine.Run(list, AOutDir, FProject->ProjectName(), &sink);
        FEngine.Terminated().Clear();
        return sink.FLines;
    }

    static QMap<QString, QByteArray> Files(const QString& AOutDir) { return FilesOfCopy(AOutDir); }

    static QStringList Matching(const QStringList& ALines, const QString& APrefix) {
        QStringList found;
        for (const QString& line : ALines)
            if (line.startsWith(APrefix))
                found.append(line);
        return found;
    }

    QString JournalFile(const QString& AOutDir) const {
        return RunJournalPath(AOutDir + u"/Blog"_s, FProject->ProjectName());
    }

    // The log of a run that is never stopped, into its own folder.
    QStringList FullRun(const QString& AName = u"full"_s) { return RunInto(Folder(AName), false); }

    std::unique_ptr<TWebsiteProject> FProject;
};

TEST_F(CrawlJournalTest, AContinuedRunEndsAsARunThatWasNeverStopped) {
    const std::pair<TOverwriteFile, bool> rows[] = {
        {ofAll, false}, {ofChanged, false}, {ofNone, false}, {ofAll, true}};
    for (const auto& [policy, complete] : rows) {
        FProject->SetOverwrite(policy);
        FProject->SetCompletePages(complete);
        const QString fullName = QStringLiteral("full-%1-%2").arg(policy).arg(complete);
        const QStringList full = FullRun(fullName);
        if (complete) {
            EXPECT_TRUE(Files(Folder(fullName))
                            .value(u"Blog/index.html"_s)
                            .contains("href=\"get/file=report/report.pdf\""));
        }
        const QStringList downloads = Matching(full, u"Downloading ["_s);
        ASSERT_GE(downloads.size(), 10);
        for (qsizetype stop = 1; stop <= downloads.size(); stop += 3) {
            SCOPED_TRACE(QStringLiteral("overwrite %1, complete %2, stopped at entry %3")
                             .arg(policy)
                             .arg(complete)
                             .arg(stop)
                             .toStdString());
            const QString out =
                Folder(QStringLiteral("cont-%1-%2-%3").arg(policy).arg(complete).arg(stop));
            const QStringList first =
                RunInto(out, false, QStringLiteral("Downloading [ %1 / ").arg(stop));
            ASSERT_TRUE(first.contains(u"Terminated."_s));
            EXPECT_EQ(HasUnfinishedJournal(out + u"/Blog"_s, *FProject), stop > 1);
            QMap<QByteArray, int> hitsBefore;
            for (const char* path : {"/blog/", "/blog/a.html", "/blog/logo.png"})
                hitsBefore[path] = FSite.Hits(path);

            const QStringList second = RunInto(out, true);
            // The numbering goes on at the entry that was cut short, as the full run numbered it.
            EXPECT_EQ(Matching(second, u"Downloading ["_s), downloads.mid(stop - 1));
            EXPECT_EQ(Matching(second, u"Continuing from the journal: "_s).size(),
                      stop > 1 ? 1 : 0);
            EXPECT_EQ(second.mid(second.size() - 2), full.mid(full.size() - 2)); // summary, end
            EXPECT_EQ(Files(out), Files(Folder(fullName)));
            EXPECT_FALSE(HasUnfinishedJournal(out + u"/Blog"_s, *FProject));
            // The start page is entry 1: once done, it is never asked for again.
            if (stop > 2) {
                EXPECT_EQ(FSite.Hits("/blog/"), hitsBefore["/blog/"]);
            }
        }
    }
}

TEST_F(CrawlJournalTest, ACompleteJournalIsNotContinued) {
    const QStringList full = FullRun();
    EXPECT_FALSE(HasUnfinishedJournal(Folder(u"full/Blog"_s), *FProject));
    const int before = FSite.Hits("/blog/");
    const QStringList again = RunInto(Folder(u"full"_s), true);
    EXPECT_EQ(Matching(again, u"No unfinished journal, starting over"_s).size(), 1);
    EXPECT_EQ(Matching(again, u"Downloading ["_s), Matching(full, u"Downloading ["_s));
    EXPECT_EQ(FSite.Hits("/blog/"), before + 1);
}

TEST_F(CrawlJournalTest, DamagedJournalsStartOverWithOneLine) {
    const QStringList full = FullRun();
    struct TCase {
        const char* Name;
        std::function<QByteArray(const QByteArray&)> Damage;
        const char* Reason;
    };
    const auto header = [](const QByteArray& AJournal, const QByteArray& AVersion) {
        const qsizetype end = AJournal.indexOf('\n');
        QByteArrayList fields = AJournal.left(end).split('\t');
        fields[1] = AVersion;
        fields.removeLast();
        const QByteArray line = fields.join('\t');
        return line + '\t' + QByteArray::number(LineDigest(line), 16).rightJustified(8, '0') +
               AJournal.mid(end);
    };
    const TCase cases[] = {
        {"cut mid-line", [](const QByteArray& J) { return J.left(J.size() - 5); }, "cut short"},
        {"garbage",
         [](const QByteArray& J) {
             QByteArray damaged = J;
             damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x55);
             return damaged;
         },
         "is garbled"},
        {"not a journal", [](const QByteArray&) { return QByteArray("\x01\x02 nonsense\n"); },
         "garbled"},
        {"another version", [&](const QByteArray& J) { return header(J, "99"); },
         "written by another version"},
        {"empty", [](const QByteArray&) { return QByteArray(); }, "empty"},
        // Every line reads, but the third entry names the first one's URL again.
        {"a table it does not rebuild",
         [](const QByteArray& J) {
             QByteArrayList lines = J.split('\n');
             QByteArray firstURL;
             for (QByteArray& line : lines) {
                 QByteArrayList fields = line.split('\t');
                 if (fields[0] != "U")
                     continue;
                 if (firstURL.isEmpty()) {
                     firstURL = fields[5];
                 } else if (fields[1] == "2") {
                     fields[5] = firstURL;
                     fields.removeLast();
                     line = fields.join('\t');
                     line += '\t' + QByteArray::number(LineDigest(line), 16).rightJustified(8, '0');
                 }
             }
             return lines.join('\n');
         },
         "the table does not rebuild at U 2"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString out = Folder(QString::fromLatin1(c.Name));
        RunInto(out, false, u"Downloading [ 6 / "_s);
        QFile journal(JournalFile(out));
        ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
        const QByteArray damaged = c.Damage(journal.readAll());
        journal.close();
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly | QIODevice::Truncate));
        journal.write(damaged);
        journal.close();

        const QStringList second = RunInto(out, true);
        const QStringList reported = Matching(second, u"Journal damaged ("_s);
        ASSERT_EQ(reported.size(), 1);
        EXPECT_TRUE(reported[0].contains(QLatin1String(c.Reason))) << reported[0].toStdString();
        EXPECT_EQ(Matching(second, u"Downloading ["_s), Matching(full, u"Downloading ["_s));
        EXPECT_EQ(second.mid(second.size() - 2), full.mid(full.size() - 2));
        EXPECT_EQ(Files(out), Files(Folder(u"full"_s)));
    }
}

TEST_F(CrawlJournalTest, AChangedProjectStartsOver) {
    const QString out = Folder(u"out"_s);
    RunInto(out, false, u"Downloading [ 4 / "_s);
    FProject->SetRemoveScripts(true);
    EXPECT_FALSE(HasUnfinishedJournal(out + u"/Blog"_s, *FProject));
    const QStringList second = RunInto(out, true);
    EXPECT_EQ(Matching(second, u"Journal damaged (the project has changed)"_s).size(), 1);
    EXPECT_EQ(Matching(second, u"Downloading [ 1 / "_s).size(), 1);
}

TEST_F(CrawlJournalTest, TheJournalFolderIsNoNameOfTheCopy) {
    FullRun();
    const QMap<QString, QByteArray> files = Files(Folder(u"full"_s));
    EXPECT_EQ(files.value(u"Blog/.tarrow-2/x.html/index.html"_s), "not the journal");
    EXPECT_TRUE(files.value(u"Blog/index.html"_s).contains("href=\".tarrow-2/x.html/index.html\""));
    const QStringList journalFolder =
        QDir(Folder(u"full/Blog/.tarrow"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_EQ(journalFolder, QStringList{QFileInfo(JournalFile(Folder(u"full"_s))).fileName()});

    // Without a journal, the copy is as it always was.
    FProject->SetJournal(false);
    RunInto(Folder(u"plain"_s), false);
    QFile plain(Folder(u"plain/Blog/.tarrow/x.html/index.html"_s));
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    EXPECT_EQ(plain.readAll(), "not the journal");
    EXPECT_FALSE(QFile::exists(JournalFile(Folder(u"plain"_s))));
}

TEST_F(CrawlJournalTest, AJournalThatCannotBeWrittenLeavesTheRunAsItWas) {
    const QStringList full = FullRun();
    const QString out = Folder(u"blocked"_s);
    QDir().mkpath(out + u"/Blog"_s);
    QFile blocker(out + u"/Blog/.tarrow"_s); // a file where the journal's folder would be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QStringList lines = RunInto(out, false);
    EXPECT_EQ(Matching(lines, u"Journal cannot be written, the run goes on without it: "_s).size(),
              1);
    EXPECT_EQ(lines.mid(lines.size() - 2), full.mid(full.size() - 2));
}

} // namespace
} // namespace tarrow::test
