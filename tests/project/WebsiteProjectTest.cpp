#include "project/WebsiteUnit.h"

#include <gtest/gtest.h>

using namespace tarrow;

namespace {

QString S(const char* AText) {
    return QString::fromUtf8(AText);
}

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
    P.SetProjectName(S("Blog"));
    P.SetGroupName(S("g"));
    P.SetWebsiteURL(S("https://site/"));
    P.SetOutputFolder(S("{OutDir}\\{ProjectName}"));
    P.SetOverwrite(ofChanged);
    P.SetRemoveScripts(true);
    P.SetRemoveNoscripts(true);
    P.SetRelativePathLinks(true);
    P.SetCompletePages(true);
    P.SetBaseURL(S("https://mirror/"));
    P.SetIndexFile(S("index.htm"));
    P.SetChecked(true);
    P.WebPages() << S("https://site/a") << S("https://site/b");
    P.WPExtractURLs().Add(2);
    P.WPExtractURLs().Add(0);
    P.WebDocuments() << S("https://site/files/");
    P.WDOutFolders() << S("files");
    P.ReplacePatterns() << S("a+");
    P.ReplaceRules() << S("b");
    P.WebsiteDomainAliases() << S("alias");
    P.SuppressURLs() << S("/logout");
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

TEST(WebsiteProject, DomainAliasesStringCutsTrimsAndJoins) {
    struct Row {
        const char* written;
        QStringList aliases;
        const char* read;
    };
    const Row rows[] = {
        {"  a ; b ;;c; ", {S("a"), S("b"), S("c")}, "a;b;c"},
        {"", {}, ""},
        {";;", {}, ""},
        {"x;X;x", {S("x"), S("X"), S("x")}, "x;X;x"},
        {"\t host:8080 \x01", {S("host:8080")}, "host:8080"},
        {"a b", {S("a b")}, "a b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        TWebsiteProject p;
        p.WebsiteDomainAliases() << S("old");
        p.SetDomainAliasesString(S(row.written));
        EXPECT_EQ(p.WebsiteDomainAliases(), row.aliases);
        EXPECT_EQ(p.DomainAliasesString(), S(row.read));
    }
    // Empty aliases put into the list directly are skipped when read.
    TWebsiteProject p;
    p.WebsiteDomainAliases() << QString() << S("a") << QString() << S("b");
    EXPECT_EQ(p.DomainAliasesString(), S("a;b"));
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
    copy.WebPages() << S("https://site/c");
    copy.WPExtractURLs().Add(5);
    copy.WPExtractURLs().SetValue(0, 9);
    copy.SuppressURLs()[0] = S("changed");
    EXPECT_EQ(source.WebPages().size(), 2);
    EXPECT_EQ(source.WPExtractURLs().Count(), 2);
    EXPECT_EQ(source.WPExtractURLs().GetValue(0), 2);
    EXPECT_EQ(source.SuppressURLs().front(), S("/logout"));

    // Assign drops the target's old entries and keeps its own list objects.
    TWebsiteProject target;
    target.WebPages() << S("x") << S("y") << S("z");
    const QStringList* pages = &target.WebPages();
    target.Assign(source);
    EXPECT_EQ(&target.WebPages(), pages);
    EXPECT_EQ(target.WebPages(), source.WebPages());
    target.Assign(target); // self-assignment changes nothing
    EXPECT_EQ(target.WebPages(), source.WebPages());
}
