#include "base/uExceptions.h"
#include "project/SettingsUnit.h"
#include "project/WebsiteUnit.h"

#include <gtest/gtest.h>

using namespace tarrow;

namespace {

QString S(const char* AText) {
    return QString::fromUtf8(AText);
}

std::unique_ptr<TWebsiteProject> Project(const char* AName, const char* AGroup = "") {
    auto p = std::make_unique<TWebsiteProject>();
    p->SetProjectName(S(AName));
    p->SetGroupName(S(AGroup));
    return p;
}

QStringList FullOrder(const TWebsiteProjectList& L) {
    QStringList names;
    for (int i = 0; i < L.Count(); ++i)
        names << L.GetProject(i)->ProjectName();
    return names;
}

QStringList VisibleOrder(const TWebsiteProjectList& L) {
    QStringList names;
    for (int i = 0; i < L.VisibleCount(); ++i)
        names << L.GetVisibleProject(i)->ProjectName();
    return names;
}

void Filter(TWebsiteProjectList& L, const QString& AGroup) {
    for (int i = 0; i < L.Count(); ++i) {
        TWebsiteProject* p = L.GetProject(i);
        L.SetProjectVisibility(p, AGroup.isEmpty() || p->GroupName() == AGroup);
    }
}

class ProjectListTest : public ::testing::Test {
protected:
    void SetUp() override {
        EXPECT_EQ(List.AddProject(Project("One", "g1")), 0);
        EXPECT_EQ(List.AddProject(Project("Two", "g2")), 1);
        EXPECT_EQ(List.AddProject(Project("Three", "g1")), 2);
        for (int i = 0; i < 3; ++i)
            List.GetProject(i)->SetChecked(true);
    }
    TWebsiteProject* P(int I) { return List.GetProject(I); }
    TWebsiteProjectList List;
};

} // namespace

TEST_F(ProjectListTest, GroupFilterHidesUnchecksAndAppendsShownProjects) {
    EXPECT_EQ(VisibleOrder(List), QStringList({S("One"), S("Two"), S("Three")}));
    Filter(List, S("g2"));
    EXPECT_EQ(VisibleOrder(List), QStringList({S("Two")}));
    EXPECT_FALSE(P(0)->Checked());
    EXPECT_FALSE(P(0)->Visible());
    EXPECT_FALSE(P(2)->Checked());
    EXPECT_EQ(List.CheckedVisibleCount(), 1);
    Filter(List, QString());
    EXPECT_EQ(VisibleOrder(List), QStringList({S("Two"), S("One"), S("Three")}));
    EXPECT_EQ(FullOrder(List), QStringList({S("One"), S("Two"), S("Three")}));
    EXPECT_EQ(List.CheckedVisibleCount(), 1);
}

TEST_F(ProjectListTest, CheckAllReachesVisibleUnCheckAllReachesAll) {
    List.UnCheckAll();
    Filter(List, S("g2"));
    P(0)->SetChecked(true); // a hidden project loaded checked
    List.CheckAll();
    EXPECT_TRUE(P(1)->Checked());
    EXPECT_FALSE(P(2)->Checked());
    List.UnCheckAll();
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(P(i)->Checked());
}

TEST_F(ProjectListTest, FindProjectIsExactAndFirstInFullOrder) {
    EXPECT_EQ(List.FindProject(S("one")), nullptr);
    EXPECT_EQ(List.FindProject(S(" One")), nullptr);
    Filter(List, S("g2")); // hidden projects are found too
    EXPECT_EQ(List.FindProject(S("One")), P(0));
    List.AddProject(Project("Two"));
    EXPECT_EQ(List.FindProject(S("Two")), P(1));
}

TEST(ProjectList, MoveProjectFollowsBothOrders) {
    struct Row {
        const char* trace;
        int from, to;
        QStringList full;
    };
    const QStringList four = {S("A"), S("B"), S("C"), S("D")};
    const Row rows[] = {
        {"first onto third", 0, 2, {S("B"), S("C"), S("A"), S("D")}},
        {"fourth onto second", 3, 1, {S("A"), S("D"), S("B"), S("C")}},
        {"onto itself", 2, 2, four},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        TWebsiteProjectList list;
        for (const QString& name : four)
            list.AddProject(Project(name.toUtf8().constData()));
        list.MoveProject(list.GetProject(row.from), list.GetProject(row.to));
        EXPECT_EQ(FullOrder(list), row.full);
        EXPECT_EQ(VisibleOrder(list), row.full);
    }
    // A hidden project between the two is not moved itself.
    TWebsiteProjectList list;
    list.AddProject(Project("One"));
    list.AddProject(Project("Hidden"));
    list.AddProject(Project("Two"));
    list.SetProjectVisibility(list.GetProject(1), false);
    list.MoveProject(list.GetProject(0), list.GetProject(2));
    EXPECT_EQ(FullOrder(list), QStringList({S("Hidden"), S("Two"), S("One")}));
    EXPECT_EQ(VisibleOrder(list), QStringList({S("Two"), S("One")}));
    // Onto a hidden project only the full order changes; strangers change nothing.
    list.MoveProject(list.GetProject(2), list.GetProject(0));
    EXPECT_EQ(FullOrder(list), QStringList({S("One"), S("Hidden"), S("Two")}));
    EXPECT_EQ(VisibleOrder(list), QStringList({S("Two"), S("One")}));
    TWebsiteProject stranger;
    list.MoveProject(&stranger, list.GetProject(0));
    list.MoveProject(list.GetProject(0), nullptr);
    EXPECT_EQ(FullOrder(list), QStringList({S("One"), S("Hidden"), S("Two")}));
}

TEST_F(ProjectListTest, ReplaceAndRemoveKeepBothOrdersAndOwnership) {
    // The caller keeps the replacement when the project is not in the list.
    TWebsiteProject stranger;
    auto replacement = Project("New");
    TWebsiteProject* raw = replacement.get();
    EXPECT_FALSE(List.ReplaceProject(&stranger, replacement));
    ASSERT_EQ(replacement.get(), raw);

    // A visible project replaced by a visible one keeps its place in both orders.
    EXPECT_TRUE(List.ReplaceProject(P(1), replacement));
    EXPECT_EQ(replacement, nullptr);
    EXPECT_EQ(FullOrder(List), QStringList({S("One"), S("New"), S("Three")}));
    EXPECT_EQ(VisibleOrder(List), QStringList({S("One"), S("New"), S("Three")}));

    // A hidden project replaced by a visible one joins the end of the visible order.
    List.SetProjectVisibility(P(0), false);
    auto shown = Project("Shown");
    EXPECT_TRUE(List.ReplaceProject(P(0), shown));
    EXPECT_EQ(FullOrder(List), QStringList({S("Shown"), S("New"), S("Three")}));
    EXPECT_EQ(VisibleOrder(List), QStringList({S("New"), S("Three"), S("Shown")}));

    List.RemoveProject(P(1));
    EXPECT_EQ(FullOrder(List), QStringList({S("Shown"), S("Three")}));
    EXPECT_EQ(VisibleOrder(List), QStringList({S("Three"), S("Shown")}));
    List.RemoveProject(&stranger); // left alone
    EXPECT_EQ(List.Count(), 2);
}

TEST_F(ProjectListTest, AddedProjectJoinsTheVisibleEndWhateverTheFilter) {
    Filter(List, S("g1"));
    EXPECT_EQ(List.AddProject(Project("Four", "other")), 3);
    EXPECT_EQ(VisibleOrder(List), QStringList({S("One"), S("Three"), S("Four")}));
    EXPECT_EQ(List.AddProject(nullptr), -1);
    EXPECT_EQ(List.Count(), 4);
    // A stranger never enters the visible list.
    TWebsiteProject stranger;
    List.SetProjectVisibility(&stranger, false);
    List.SetProjectVisibility(&stranger, true);
    EXPECT_EQ(List.VisibleCount(), 3);
}

TEST_F(ProjectListTest, BadIndicesRaiseTheListIndexError) {
    for (int bad : {-1, 3}) {
        EXPECT_THROW((void)List.GetProject(bad), EListError);
        EXPECT_THROW((void)List.GetVisibleProject(bad), EListError);
    }
    Filter(List, S("g2"));
    try {
        (void)List.GetVisibleProject(1);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), S("List index out of bounds (1)"));
    }
}

TEST(ProjectList, FillListOfGroupsAndTheFilterItems) {
    TWebsiteProjectList list;
    list.AddProject(Project("a", "News"));
    list.AddProject(Project("b"));
    list.AddProject(Project("c", "news"));
    list.AddProject(Project("d", "Blog"));
    QStringList exact{S("Blog")};
    list.FillListOfGroups(exact); // the list's own comparison decides; it is not emptied
    EXPECT_EQ(exact, QStringList({S("Blog"), S("News"), S("news")}));
    EXPECT_EQ(GroupFilterItems(list), QStringList({S("<All projects>"), S("Blog"), S("News")}));
    EXPECT_EQ(GroupFilterItems(TWebsiteProjectList()), QStringList({S("<All projects>")}));
}

TEST_F(ProjectListTest, DeepCopyKeepsOrdersAndFlags) {
    Filter(List, S("g2"));
    Filter(List, QString()); // visible order now Two, One, Three
    P(2)->WebPages() << S("https://site/");
    P(2)->WPExtractURLs().Add(1);
    List.SetProjectVisibility(P(2), false);
    P(1)->SetChecked(true);
    auto copy = List.Clone();
    ASSERT_EQ(copy->Count(), 3);
    EXPECT_EQ(FullOrder(*copy), FullOrder(List));
    EXPECT_EQ(VisibleOrder(*copy), QStringList({S("Two"), S("One")}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(copy->GetProject(i), P(i));
        EXPECT_EQ(copy->GetProject(i)->Checked(), P(i)->Checked());
        EXPECT_EQ(copy->GetProject(i)->Visible(), P(i)->Visible());
    }
    // The copy stands alone: freeing and changing the originals leaves it intact.
    copy->GetProject(2)->WebPages()[0] = S("changed");
    EXPECT_EQ(P(2)->WebPages().front(), S("https://site/"));
    List.Clear();
    EXPECT_EQ(copy->GetVisibleProject(0)->ProjectName(), S("Two"));
    EXPECT_EQ(copy->GetProject(2)->WPExtractURLs().GetValue(0), 1);
}
