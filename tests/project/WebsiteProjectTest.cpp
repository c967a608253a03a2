#include "base/uVersion.h"
#include "project/WebsiteUnit.h"

#include <QDir>
#include <climits>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

void ExpectFresh(const TWebsiteProject& P) {
    EXPECT_TRUE(P.ProjectName().isEmpty());
    EXPECT_TRUE(P.GroupName().isEmpty());
    EXPECT_TRUE(P.WebsiteURL().isEmpty());
    EXPECT_TRUE(P.OutputFolder().isEmpty());
    EXPECT_EQ(P.Overwrite(), ofNone);
    EXPECT_FALSE(P.RemoveScripts());
    EXPECT_FALSE(P.RemoveNoscripts());
    EXPECT_FALSE(P.RelativePathLinks());
    EXPECT_FALSE(P.CompletePages());
    EXPECT_TRUE(P.BaseURL().isEmpty());
    EXPECT_TRUE(P.IndexFile().isEmpty());
    EXPECT_EQ(P.Connections(), 1);
    EXPECT_FALSE(P.Robots());
    EXPECT_FALSE(P.Checked());
    EXPECT_TRUE(P.Visible());
    EXPECT_TRUE(P.WebPages().isEmpty());
    EXPECT_EQ(P.WPExtractURLs().Count(), 0);
    EXPECT_TRUE(P.WebDocuments().isEmpty());
    EXPECT_TRUE(P.WDOutFolders().isEmpty());
    EXPECT_TRUE(P.ReplacePatterns().isEmpty());
    EXPECT_TRUE(P.ReplaceRules().isEmpty());
    EXPECT_TRUE(P.WebsiteDomainAliases().isEmpty());
    EXPECT_TRUE(P.SuppressURLs().isEmpty());
}

void Fill(TWebsiteProject& P) {
    P.SetProjectName(u"Blog"_s);
    P.SetGroupName(u"g"_s);
    P.SetWebsiteURL(u"https://site/"_s);
    P.SetOutputFolder(u"{OutDir}\\{ProjectName}"_s);
    P.SetOverwrite(ofChanged);
    P.SetRemoveScripts(true);
    P.SetRemoveNoscripts(true);
    P.SetRelativePathLinks(true);
    P.SetCompletePages(true);
    P.SetBaseURL(u"https://mirror/"_s);
    P.SetIndexFile(u"index.htm"_s);
    P.SetConnections(6);
    P.SetChecked(true);
    P.WebPages() << u"https://site/a"_s << u"https://site/b"_s;
    P.WPExtractURLs().Add(2);
    P.WPExtractURLs().Add(0);
    P.WebDocuments() << u"https://site/files/"_s;
    P.WDOutFolders() << u"files"_s;
    P.ReplacePatterns() << u"a+"_s;
    P.ReplaceRules() << u"b"_s;
    P.WebsiteDomainAliases() << u"alias"_s;
    P.SuppressURLs() << u"/logout"_s;
}

} // namespace

TEST(WebsiteProject, FreshProjectAndClear) {
    TWebsiteProject fresh;
    ExpectFresh(fresh);
    TWebsiteProject fromNothing(nullptr);
    ExpectFresh(fromNothing);
    TWebsiteProject filled;
    Fill(filled);
    filled.Clear();
    ExpectFresh(filled);
}

TEST(WebsiteProject, ConnectionsStayWithinOneToSixteen) {
    const int rows[][2] = {{1, 1}, {4, 4}, {16, 16}, {17, 16}, {0, 1}, {-1, 1}, {INT_MAX, 16}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        TWebsiteProject p;
        p.SetConnections(row[0]);
        EXPECT_EQ(p.Connections(), row[1]);
    }
}

TEST(WebsiteProject, DomainAliasesStringCutsTrimsAndJoins) {
    struct Row {
        const char* written;
        QStringList aliases;
        const char* read;
    };
    const Row rows[] = {
        {"  a ; b ;;c; ", {u"a"_s, u"b"_s, u"c"_s}, "a;b;c"},
        {"", {}, ""},
        {";;", {}, ""},
        {"x;X;x", {u"x"_s, u"X"_s, u"x"_s}, "x;X;x"},
        {"\t host:8080 \x01", {u"host:8080"_s}, "host:8080"},
        {"a b", {u"a b"_s}, "a b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        TWebsiteProject p;
        p.WebsiteDomainAliases() << u"old"_s;
        p.SetDomainAliasesString(QString::fromUtf8(row.written));
        EXPECT_EQ(p.WebsiteDomainAliases(), row.aliases);
        EXPECT_EQ(p.DomainAliasesString(), QString::fromUtf8(row.read));
    }
    // Empty aliases put into the list directly are skipped when read.
    TWebsiteProject p;
    p.WebsiteDomainAliases() << QString() << u"a"_s << QString() << u"b"_s;
    EXPECT_EQ(p.DomainAliasesString(), u"a;b"_s);
}

TEST(WebsiteProject, CopyIsDeepAndKeepsCheckAndVisibility) {
    TWebsiteProject source;
    Fill(source);
    TWebsiteProject copy(&source);
    EXPECT_EQ(copy.ProjectName(), source.ProjectName());
    EXPECT_EQ(copy.GroupName(), source.GroupName());
    EXPECT_EQ(copy.WebsiteURL(), source.WebsiteURL());
    EXPECT_EQ(copy.OutputFolder(), source.OutputFolder());
    EXPECT_EQ(copy.Overwrite(), ofChanged);
    EXPECT_TRUE(copy.RemoveScripts() && copy.RemoveNoscripts() && copy.RelativePathLinks());
    EXPECT_TRUE(copy.CompletePages());
    EXPECT_EQ(copy.BaseURL(), source.BaseURL());
    EXPECT_EQ(copy.IndexFile(), source.IndexFile());
    EXPECT_EQ(copy.Connections(), 6);
    EXPECT_TRUE(copy.Checked());
    EXPECT_TRUE(copy.Visible());
    EXPECT_EQ(copy.WebPages(), source.WebPages());
    EXPECT_EQ(copy.WPExtractURLs(), source.WPExtractURLs());
    EXPECT_EQ(copy.WebDocuments(), source.WebDocuments());
    EXPECT_EQ(copy.WDOutFolders(), source.WDOutFolders());
    EXPECT_EQ(copy.ReplacePatterns(), source.ReplacePatterns());
    EXPECT_EQ(copy.ReplaceRules(), source.ReplaceRules());
    EXPECT_EQ(copy.WebsiteDomainAliases(), source.WebsiteDomainAliases());
    EXPECT_EQ(copy.SuppressURLs(), source.SuppressURLs());

    // Changing the copy's lists never reaches the source.
    copy.WebPages() << u"https://site/c"_s;
    copy.WPExtractURLs().Add(5);
    copy.WPExtractURLs().SetValue(0, 9);
    copy.SuppressURLs()[0] = u"changed"_s;
    EXPECT_EQ(source.WebPages().size(), 2);
    EXPECT_EQ(source.WPExtractURLs().Count(), 2);
    EXPECT_EQ(source.WPExtractURLs().GetValue(0), 2);
    EXPECT_EQ(source.SuppressURLs().front(), u"/logout"_s);

    // Assign drops the target's old entries and keeps its own list objects.
    TWebsiteProject target;
    target.WebPages() << u"x"_s << u"y"_s << u"z"_s;
    const QStringList* pages = &target.WebPages();
    target.Assign(source);
    EXPECT_EQ(&target.WebPages(), pages);
    EXPECT_EQ(target.WebPages(), source.WebPages());
    target.Assign(target); // self-assignment changes nothing
    EXPECT_EQ(target.WebPages(), source.WebPages());
}

TEST(WebsiteProject, IsAPlainValue) {
    TWebsiteProject source;
    Fill(source);
    TWebsiteProject copy = source;
    EXPECT_TRUE(copy == source);
    copy.WPExtractURLs().SetValue(1, 7);
    EXPECT_FALSE(copy == source);
    EXPECT_EQ(source.WPExtractURLs().GetValue(1), 0);
    copy = source;
    EXPECT_TRUE(copy == source);
    copy.SetConnections(5);
    EXPECT_FALSE(copy == source);

    // Every field takes part: a cleared project equals a fresh one.
    copy.Clear();
    EXPECT_TRUE(copy == TWebsiteProject());
    EXPECT_TRUE(TWebsiteProject(&source) == source);
    EXPECT_TRUE(TWebsiteProject(nullptr) == TWebsiteProject());
}

TEST(WebsiteProject, NewProjectStartsFromTheKeysNewProjectValues) {
    TWebsiteProject expected;
    expected.SetGroupName(u"News"_s);
    expected.SetOutputFolder(QDir::toNativeSeparators(u"{OutDir}/{ProjectName}"_s));
    expected.SetOverwrite(ofChanged);
    expected.SetRelativePathLinks(true);
    expected.SetChecked(true);
    expected.SetCompletePages(true);
    expected.SetIndexFile(u"index.html"_s);
    expected.SetConnections(4);
    expected.SetRobots(true);
    expected.SetTrapGuard(true);
    expected.SetDropQueryParams(u"utm_*;fbclid;gclid;mc_cid;mc_eid"_s);
    expected.SetUserAgent(u"Tarrow/"_s + QLatin1String(TarrowVersion));
    expected.SetRetryTransientOnly(true);
    expected.SetVerifyTLS(true);
    expected.SetJournal(true);
    expected.SetConditionalGet(true);
    EXPECT_TRUE(TWebsiteProject::NewProject(u"News"_s) == expected);
    EXPECT_TRUE(TWebsiteProject::NewProject(QString()).GroupName().isEmpty());
    // Sitemaps ask a site for more than its links do: Add leaves them off.
    EXPECT_FALSE(TWebsiteProject::NewProject(u"News"_s).Sitemaps());
}
