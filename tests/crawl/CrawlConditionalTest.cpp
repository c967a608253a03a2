// Conditional update: a run after a journal's run asks with the validators of what it saved,
// keeps what the server says has not changed, and ends with the files and the log of a run that
// fetched everything.

#include "engine/uRunJournal.h"
#include "tests/crawl/CrawlFixture.h"
#include "tests/support/WarcReader.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QMap>

namespace tarrow::test {

using namespace Qt::StringLiterals;

namespace {

// A site whose pages carry validators and honour them with "304 Not Modified": pages under
// "/blog/dated" only a Last-Modified date, the others an ETag (and a date). Requests are counted
// by path, as full replies, 304 replies and requests that carried validators.
class TValidatingSite {
public:
    explicit TValidatingSite(TScriptedServer& AServer) {
        AServer.SetHandler([this](const TRequest& ARequest) { return Answer(ARequest); });
    }
    void Set(const QByteArray& APath, const QByteArray& ABody,
             const QByteArray& AType = "text/html") {
        std::lock_guard lock(FLock);
        TPage& page = FPages[APath];
        page = {ABody, AType, page.Version + 1};
    }
    struct TCounts {
        QMap<QByteArray, int> Full;
        int NotModified = 0;
        int Conditional = 0;
    };
    TCounts Counts() const {
        std::lock_guard lock(FLock);
        return FCounts;
    }

private:
    struct TPage {
        QByteArray Body;
        QByteArray Type;
        int Version = 0;
    };
    TReply Answer(const TRequest& ARequest) {
        std::lock_guard lock(FLock);
        const QByteArray path = ARequest.Path();
        if (ARequest.HasHeader("If-None-Match") || ARequest.HasHeader("If-Modified-Since"))
            ++FCounts.Conditional;
        const auto it = FPages.constFind(path);
        if (it == FPages.constEnd())
            return MakeReply(404, "Not Found");
        const bool dated = path.startsWith("/blog/dated");
        const QByteArray etag =
            '"' + QCryptographicHash::hash(it->Body, QCryptographicHash::Sha1).toHex().left(12) +
            '"';
        const QByteArray date =
            "Mon, " + QByteArray::number(10 + it->Version) + " Nov 2025 08:00:00 GMT";
        THeaderList headers = {{"Last-Modified", date}};
        if (!dated)
            headers.append({"ETag", etag});
        const bool same = dated ? ARequest.Header("If-Modified-Since") == date
                                : ARequest.Header("If-None-Match") == etag;
        if (same) {
            ++FCounts.NotModified;
            return MakeReply(304, "Not Modified", headers);
        }
        ++FCounts.Full[path];
        if (it->Type == "redirect")
            return Redirect(301, it->Body);
        headers.append({"Content-Type", it->Type});
        return MakeReply(200, "OK", headers, it->Body);
    }

    mutable std::mutex FLock;
    QHash<QByteArray, TPage> FPages;
    TCounts FCounts;
};

// Pages that lead on (a "redirect" page is moved to the URL its body names), requisites, a page
// found twice, a redirect and a page that names a query URL whose file a later link may take.
void Site(TValidatingSite& ASite) {
    ASite.Set("/blog/", "<a href=\"a.html\">a</a><a href=\"b.html\">b</a><img src=\"logo.png\">"
                        "<a href=\"old.html\">o</a><a href=\"dated.html\">d</a>");
    ASite.Set("/blog/a.html", "<a href=\"c.html?x=1\">c</a><a href=\"b.html\">b</a>");
    ASite.Set("/blog/b.html", "<a href=\"c.html?x=1\">c</a><img src=\"p1.png\">");
    ASite.Set("/blog/c.html?x=1", "c <a href=\"a.html\">a</a>");
    ASite.Set("/blog/c@x=1.html", "the other c");
    ASite.Set("/blog/dated.html", "<a href=\"dated-next.html\">n</a><img src=\"logo.png\">");
    ASite.Set("/blog/dated-next.html", "next");
    ASite.Set("/blog/old.html", "new.html", "redirect");
    ASite.Set("/blog/new.html", "<a href=\"b.html\">b</a>");
    ASite.Set("/blog/logo.png", "logo bytes", "image/png");
    ASite.Set("/blog/p1.png", "p1 bytes", "image/png");
}

class CrawlConditionalTest : public CrawlTest {
protected:
    void SetUp() override {
        CrawlTest::SetUp();
        FServer = std::make_unique<TValidatingSite>(FSite.Server());
    }

    std::unique_ptr<TWebsiteProject> Project(TOverwriteFile APolicy, bool AConditional) {
        auto project = NewProject();
        project->SetJournal(true);
        project->SetConditionalGet(AConditional);
        project->SetCompletePages(true);
        project->SetOverwrite(APolicy);
        return project;
    }

    // Runs AProject into AOutDir; a line starting with AStop breaks the run as Ctrl+C does.
    QStringList RunInto(const TWebsiteProject& AProject, const QString& AOutDir,
                        bool AContinue = false, const QString& AStop = QString()) {
        TRunOptions options = FastOptions();
        options.ContinueRun = AContinue;
        FEngine.SetOptions(options);
        TWebsiteProjectList list;
        list.AddProject(std::make_unique<TWebsiteProject>(&AProject));
        TBreakingSink sink(FEngine.Terminated(), AStop);
        FEngine.Run(list, AOutDir, AProject.ProjectName(), &sink);
        FEngine.Terminated().Clear();
        return sink.FLines;
    }

    static QMap<QString, QByteArray> Files(const QString& AOutDir) { return FilesOfCopy(AOutDir); }

    std::unique_ptr<TValidatingSite> FServer;
};

// The log with the output folder taken out; with AAnySave, saving and keeping a file read alike
// and the counts are left out (mode "all" saves what a 304 keeps).
QStringList Comparable(const QStringList& ALines, const QString& AOutDir, bool AAnySave) {
    QStringList lines;
    for (QString line : ALines) {
        line.replace(AOutDir, u"<out>"_s);
        if (AAnySave) {
            if (line.startsWith(u"Downloaded: "_s))
                continue;
            line.replace(u"File does not changed: "_s, u"Saving: "_s);
        }
        lines.append(line);
    }
    return lines;
}

} // namespace

// Each row changes the site, the copy or the project between two runs. The second run of a
// project that asks conditionally and of one that does not (the reference) must leave the same
// files and the same log; the conditional one fetches in full only what the row expects.
TEST_F(CrawlConditionalTest, ASecondRunFetchesOnlyWhatChangedAndEndsAsAFullRun) {
    struct TCase {
        const char* Name;
        TOverwriteFile Policy;
        std::function<void(TValidatingSite&, TWebsiteProject&, const QString& AOut)> Change;
        QList<QByteArray> Full; // fetched in full by the conditional run
        bool Conditional;       // whether it asks conditionally at all
    };
    const auto nothing = [](TValidatingSite&, TWebsiteProject&, const QString&) {};
    const TCase cases[] = {
        {"nothing changed", ofChanged, nothing, {"/blog/old.html", "/blog/new.html"}, true},
        {"nothing changed, mode all", ofAll, nothing, {"/blog/old.html", "/blog/new.html"}, true},
        {"nothing changed, mode none", ofNone, nothing, {"/blog/old.html", "/blog/new.html"}, true},
        {"a page and a dated page changed",
         ofChanged,
         [](TValidatingSite& S, TWebsiteProject&, const QString&) {
             S.Set("/blog/c.html?x=1",
                   "c changed <a href=\"a.html\">a</a><a href=\"new.html\">n</a>");
             S.Set("/blog/dated-next.html", "next, changed");
         },
         {"/blog/old.html", "/blog/new.html", "/blog/c.html?x=1", "/blog/dated-next.html"},
         true},
        // a.html now names a file that takes the name c.html?x=1 had: its file and b.html, which
        // links to it, are written anew.
        {"a link takes another page's file name",
         ofChanged,
         [](TValidatingSite& S, TWebsiteProject&, const QString&) {
             S.Set("/blog/a.html", "<a href=\"c@x=1.html\">c</a><a href=\"c.html?x=1\">c</a>"
                                   "<a href=\"b.html\">b</a>");
         },
         {"/blog/old.html", "/blog/new.html", "/blog/a.html", "/blog/c@x=1.html",
          "/blog/c.html?x=1", "/blog/b.html"},
         true},
        {"a saved file was deleted",
         ofChanged,
         [](TValidatingSite&, TWebsiteProject&, const QString& AOut) {
             ASSERT_TRUE(QFile::remove(AOut + u"/Blog/logo.png"_s));
         },
         {"/blog/old.html", "/blog/new.html", "/blog/logo.png"},
         true},
        {"the project's settings changed",
         ofChanged,
         [](TValidatingSite&, TWebsiteProject& P, const QString&) { P.SetRemoveScripts(true); },
         {},
         false},
    };
    const QList<QByteArray> everything = {
        "/blog/",           "/blog/a.html",     "/blog/b.html",
        "/blog/c.html?x=1", "/blog/dated.html", "/blog/dated-next.html",
        "/blog/logo.png",   "/blog/p1.png",     "/blog/new.html"};
    int row = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Site(*FServer);
        const QString cond = FRoot.filePath(QStringLiteral("cond-%1").arg(row));
        const QString ref = FRoot.filePath(QStringLiteral("ref-%1").arg(row++));
        auto project = Project(c.Policy, true);
        auto reference = Project(c.Policy, false);
        RunInto(*project, cond);
        RunInto(*reference, ref);
        ASSERT_EQ(Files(cond), Files(ref));
        c.Change(*FServer, *project, cond);
        c.Change(*FServer, *reference, ref);

        const TValidatingSite::TCounts before = FServer->Counts();
        const QStringList second = RunInto(*project, cond);
        const TValidatingSite::TCounts after = FServer->Counts();
        const QStringList full = RunInto(*reference, ref);

        QList<QByteArray> fetched;
        for (auto it = after.Full.cbegin(); it != after.Full.cend(); ++it)
            if (it.value() > before.Full.value(it.key()))
                fetched.append(it.key());
        QList<QByteArray> expected = c.Conditional ? c.Full : everything;
        if (!c.Conditional)
            expected.append("/blog/old.html");
        // A redirect is always asked for anew, and its target in full.
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(fetched, expected);
        EXPECT_EQ(after.Conditional > before.Conditional, c.Conditional);
        EXPECT_EQ(Files(cond), Files(ref));
        const bool anySave = c.Policy == ofAll;
        EXPECT_EQ(Comparable(second, cond, anySave), Comparable(full, ref, anySave));
        // What the conditional run noted reads back as a finished journal of the project.
        QFile journal(RunJournalPath(cond + u"/Blog"_s, project->ProjectName()));
        ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
        std::vector<TJournalRecord> records;
        qsizetype keep = 0;
        bool complete = false;
        EXPECT_EQ(TRunJournal::Read(journal.readAll(),
                                    TRunJournal::Fingerprint(*project, cond + u"/Blog"_s), records,
                                    keep, complete),
                  QString());
        EXPECT_TRUE(complete);
        EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                                [](const TJournalRecord& R) { return R.Kind == 'V'; }));
    }
}

// A conditional run that is stopped and continued keeps asking conditionally, and ends with the
// files of a run that fetched everything.
TEST_F(CrawlConditionalTest, AStoppedConditionalRunContinues) {
    Site(*FServer);
    auto project = Project(ofChanged, true);
    auto reference = Project(ofChanged, false);
    const QString ref = FRoot.filePath(u"ref"_s);
    RunInto(*project, FOutDir);
    RunInto(*reference, ref);
    FServer->Set("/blog/b.html", "<a href=\"c.html?x=1\">c</a><img src=\"p1.png\"> changed");
    const QStringList stopped = RunInto(*project, FOutDir, false, u"Downloading [ 5 / "_s);
    ASSERT_TRUE(stopped.contains(u"Terminated."_s));
    const int before = FServer->Counts().NotModified;
    const QStringList continued = RunInto(*project, FOutDir, true);
    EXPECT_TRUE(continued.filter(u"Continuing from the journal: "_s).size() == 1)
        << continued.join(u'\n').toStdString();
    EXPECT_GT(FServer->Counts().NotModified, before);
    RunInto(*reference, ref);
    EXPECT_EQ(Files(FOutDir), Files(ref));
}

// Each "304 Not Modified" is archived as a revisit of the request that carried the validators.
TEST_F(CrawlConditionalTest, NotModifiedRepliesAreArchivedAsRevisits) {
    if (!HaveWarcReader())
        GTEST_SKIP() << "no Python 3 to read the WARC file with";
    Site(*FServer);
    auto project = Project(ofChanged, true);
    RunInto(*project, FOutDir);
    project->SetWarcFile(QStringLiteral("{OutDir}/{ProjectName}.warc.gz"));
    RunInto(*project, FOutDir); // the journal's run has other settings: all is fetched in full
    const int before = FServer->Counts().NotModified;
    RunInto(*project, FOutDir);
    const int notModified = FServer->Counts().NotModified - before;
    ASSERT_GT(notModified, 0);

    int revisits = 0;
    QHash<QString, QJsonObject> byID;
    const QList<QJsonObject> records = ReadWarc(FOutDir + QStringLiteral("/Blog.warc.gz"));
    for (const QJsonObject& record : records)
        byID.insert(record.value(u"WARC-Record-ID").toString(), record);
    for (const QJsonObject& record : records) {
        if (record.value(u"WARC-Type").toString() != u"revisit")
            continue;
        ++revisits;
        EXPECT_TRUE(record.value(u"WARC-Profile").toString().endsWith(u"server-not-modified"));
        const QJsonObject request =
            byID.value(record.value(u"WARC-Concurrent-To").toArray().first().toString());
        const QString head = request.value(u"http-head").toString();
        EXPECT_TRUE(head.contains(u"If-None-Match: "_s) || head.contains(u"If-Modified-Since: "_s))
            << head.toStdString();
    }
    EXPECT_EQ(revisits, notModified);
}

} // namespace tarrow::test
