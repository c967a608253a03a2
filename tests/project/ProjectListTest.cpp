#include "base/uExceptions.h"
#include "project/SettingsUnit.h"
#include "project/WebsiteUnit.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

std::unique_ptr<TWebsiteProject> Project(const char* AName, const char* AGroup = "") {
    auto p = std::make_unique<TWebsiteProject>();
    p->SetProjectName(QString::fromUtf8(AName));
    p->SetGroupName(QString::fromUtf8(AGroup));
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
    EXPECT_EQ(VisibleOrder(List), QStringList({u"One"_s, u"Two"_s, u"Three"_s}));
    Filter(List, u"g2"_s);
    EXPECT_EQ(VisibleOrder(List), QStringList({u"Two"_s}));
    EXPECT_FALSE(P(0)->Checked());
    EXPECT_FALSE(P(0)->Visible());
    EXPECT_FALSE(P(2)->Checked());
    EXPECT_EQ(List.CheckedVisibleCount(), 1);
    Filter(List, QString());
    EXPECT_EQ(VisibleOrder(List), QStringList({u"Two"_s, u"One"_s, u"Three"_s}));
    EXPECT_EQ(FullOrder(List), QStringList({u"One"_s, u"Two"_s, u"Three"_s}));
    EXPECT_EQ(List.CheckedVisibleCount(), 1);
}

TEST_F(ProjectListTest, CheckAllReachesVisibleUnCheckAllReachesAll) {
    List.UnCheckAll();
    Filter(List, u"g2"_s);
    P(0)->SetChecked(true); // a hidden project loaded checked
    List.CheckAll();
    EXPECT_TRUE(P(1)->Checked());
    EXPECT_FALSE(P(2)->Checked());
    List.UnCheckAll();
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(P(i)->Checked());
}

TEST_F(ProjectListTest, FindProjectIsExactAndFirstInFullOrder) {
    EXPECT_EQ(List.FindProject(u"one"_s), nullptr);
    EXPECT_EQ(List.FindProject(u" One"_s), nullptr);
    Filter(List, u"g2"_s); // hidden projects are found too
    EXPECT_EQ(List.FindProject(u"One"_s), P(0));
    List.AddProject(Project("Two"));
    EXPECT_EQ(List.FindProject(u"Two"_s), P(1));
}

TEST(ProjectList, MoveProjectFollowsBothOrders) {
    struct Row {
        const char* trace;
        int from, to;
        QStringList full;
    };
    const QStringList four = {u"A"_s, u"B"_s, u"C"_s, u"D"_s};
    const Row rows[] = {
        {"first onto third", 0, 2, {u"B"_s, u"C"_s, u"A"_s, u"D"_s}},
        {"fourth onto second", 3, 1, {u"A"_s, u"D"_s, u"B"_s, u"C"_s}},
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
    EXPECT_EQ(FullOrder(list), QStringList({u"Hidden"_s, u"Two"_s, u"One"_s}));
    EXPECT_EQ(VisibleOrder(list), QStringList({u"Two"_s, u"One"_s}));
    // Onto a hidden project only the full order changes; strangers change nothing.
    list.MoveProject(list.GetProject(2), list.GetProject(0));
    EXPECT_EQ(FullOrder(list), QStringList({u"One"_s, u"Hidden"_s, u"Two"_s}));
    EXPECT_EQ(VisibleOrder(list), QStringList({u"Two"_s, u"One"_s}));
    TWebsiteProject stranger;
    list.MoveProject(&stranger, list.GetProject(0));
    list.MoveProject(list.GetProject(0), nullptr);
    EXPECT_EQ(FullOrder(list), QStringList({u"One"_s, u"Hidden"_s, u"Two"_s}));
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
    EXPECT_EQ(FullOrder(List), QStringList({u"One"_s, u"New"_s, u"Three"_s}));
    EXPECT_EQ(VisibleOrder(List), QStringList({u"One"_s, u"New"_s, u"Three"_s}));

    // A hidden project replaced by a visible one joins the end of the visible order.
    List.SetProjectVisibility(P(0), false);
    auto shown = Project("Shown");
    EXPECT_TRUE(List.ReplaceProject(P(0), shown));
    EXPECT_EQ(FullOrder(List), QStringList({u"Shown"_s, u"New"_s, u"Three"_s}));
    EXPECT_EQ(VisibleOrder(List), QStringList({u"New"_s, u"Three"_s, u"Shown"_s}));

    List.RemoveProject(P(1));
    EXPECT_EQ(FullOrder(List), QStringList({u"Shown"_s, u"Three"_s}));
    EXPECT_EQ(VisibleOrder(List), QStringList({u"Three"_s, u"Shown"_s}));
    List.RemoveProject(&stranger); // left alone
    EXPECT_EQ(List.Count(), 2);
}

TEST_F(ProjectListTest, AddedProjectJoinsTheVisibleEndWhateverTheFilter) {
    Filter(List, u"g1"_s);
    EXPECT_EQ(List.AddProject(Project("Four", "other")), 3);
    EXPECT_EQ(VisibleOrder(List), QStringList({u"One"_s, u"Three"_s, u"Four"_s}));
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
    Filter(List, u"g2"_s);
    try {
        (void)List.GetVisibleProject(1);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), u"List index out of bounds (1)"_s);
    }
}

TEST(ProjectList, FillListOfGroupsAndTheFilterItems) {
    TWebsiteProjectList list;
    list.AddProject(Project("a", "News"));
    list.AddProject(Project("b"));
    list.AddProject(Project("c", "news"));
    list.AddProject(Project("d", "Blog"));
    QStringList exact{u"Blog"_s};
    list.FillListOfGroups(exact); // the list's own comparison decides; it is not emptied
    EXPECT_EQ(exact, QStringList({u"Blog"_s, u"News"_s, u"news"_s}));
    EXPECT_EQ(GroupFilterItems(list), QStringList({u"<All projects>"_s, u"Blog"_s, u"News"_s}));
    EXPECT_EQ(GroupFilterItems(TWebsiteProjectList()), QStringList({u"<All projects>"_s}));
}

TEST_F(ProjectListTest, DeepCopyKeepsOrdersAndFlags) {
    Filter(List, u"g2"_s);
    Filter(List, QString()); // visible order now Two, One, Three
    P(2)->WebPages() << u"https://site/"_s;
    P(2)->WPExtractURLs().Add(1);
    List.SetProjectVisibility(P(2), false);
    P(1)->SetChecked(true);
    auto copy = List.Clone();
    ASSERT_EQ(copy->Count(), 3);
    EXPECT_EQ(FullOrder(*copy), FullOrder(List));
    EXPECT_EQ(VisibleOrder(*copy), QStringList({u"Two"_s, u"One"_s}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(copy->GetProject(i), P(i));
        EXPECT_EQ(copy->GetProject(i)->Checked(), P(i)->Checked());
        EXPECT_EQ(copy->GetProject(i)->Visible(), P(i)->Visible());
    }
    // The copy stands alone: freeing and changing the originals leaves it intact.
    copy->GetProject(2)->WebPages()[0] = u"changed"_s;
    EXPECT_EQ(P(2)->WebPages().front(), u"https://site/"_s);
    List.Clear();
    EXPECT_EQ(copy->GetVisibleProject(0)->ProjectName(), u"Two"_s);
    EXPECT_EQ(copy->GetProject(2)->WPExtractURLs().GetValue(0), 1);
}
