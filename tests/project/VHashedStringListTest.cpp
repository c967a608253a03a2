#include "project/VHashedStringList.h"
#include "base/uExceptions.h"

#include <gtest/gtest.h>

#include <random>

using namespace tarrow;

namespace {

QString S(const char* AText) {
    return QString::fromUtf8(AText);
}

// Looks every name up through the index and by a plain scan from the end; both must agree.
void ExpectIndexMatchesScan(const TVHashedStringList& AList, const QStringList& ANames) {
    for (const QString& name : ANames) {
        qsizetype expected = -1;
        for (qsizetype i = AList.Count() - 1; i >= 0 && expected < 0; --i) {
            QStringView lineName;
            if (LineName(AList.Strings(i), lineName) &&
                lineName.toString().toUpper() == name.toUpper())
                expected = i;
        }
        EXPECT_EQ(AList.IndexOfName(name), expected) << name.toStdString();
    }
}

} // namespace

TEST(VHashedStringList, NamesIgnoreCaseAndTheLastLineWins) {
    TVHashedStringList list;
    list.SetLines({S("OutDir=A"), S("no separator"), S("outdir=B"), S("Key = spaced"),
                   S("Url=http://x/?a=1"), S("=empty name"), S("Empty=")});
    EXPECT_EQ(list.IndexOfName(S("OUTDIR")), 2);
    EXPECT_EQ(list.Values(S("OutDir")), S("B"));
    EXPECT_EQ(list.Values(S("Key")), QString()); // blanks belong to the name
    EXPECT_EQ(list.Values(S("Key ")), S(" spaced"));
    EXPECT_EQ(list.Values(S("url")), S("http://x/?a=1")); // further "=" belong to the value
    EXPECT_EQ(list.IndexOfName(S("no separator")), -1);
    EXPECT_EQ(list.Values(QString()), S("empty name"));
    EXPECT_EQ(list.IndexOfName(S("Empty")), 6);
    EXPECT_EQ(list.Values(S("Missing")), QString());
    // Upper-casing covers more than ASCII: the index and the comparison agree.
    list.Add(S("Größe=1"));
    EXPECT_EQ(list.Values(S("GRÖSSE")), S("1"));
}

TEST(VHashedStringList, SetValuesReplacesAppendsAndDeletes) {
    TVHashedStringList list;
    list.SetValues(S("A"), S("1"));
    list.SetValues(S("B"), S("2"));
    list.SetValues(S("a"), S("3")); // replaces in place, keeps the name as now written
    EXPECT_EQ(list.Lines(), QStringList({S("a=3"), S("B=2")}));
    list.SetValues(S("C"), QString()); // empty value, no line
    EXPECT_EQ(list.Count(), 2);
    list.SetValues(S("A"), QString()); // empty value deletes the found line
    EXPECT_EQ(list.Lines(), QStringList({S("B=2")}));
    EXPECT_EQ(list.IndexOfName(S("B")), 0);
}

// The index follows every kind of change: in-place updates and rebuilds must give the same answers.
TEST(VHashedStringList, IndexStaysRightThroughEveryChange) {
    TVHashedStringList list(4);
    const QStringList names = {S("A"), S("B"), S("C"), S("D"), S("")};
    list.SetLines({S("A=1"), S("B=1"), S("A=2"), S("C=1"), S("plain")});
    ExpectIndexMatchesScan(list, names); // built from the lines
    list.Add(S("B=2"));
    ExpectIndexMatchesScan(list, names);
    list.Put(0, S("D=1")); // the name of a line changes
    ExpectIndexMatchesScan(list, names);
    list.Put(4, S("A=3")); // a nameless line gains a name
    ExpectIndexMatchesScan(list, names);
    list.Put(2, S("plain again")); // and loses it
    ExpectIndexMatchesScan(list, names);
    list.Delete(1); // the indices above shift down
    ExpectIndexMatchesScan(list, names);
    list.Delete(list.Count() - 1);
    ExpectIndexMatchesScan(list, names);
    list.Insert(0, S("B=0"));
    ExpectIndexMatchesScan(list, names);
    list.Insert(list.Count(), S("C=9"));
    ExpectIndexMatchesScan(list, names);
    list.Put(0, S("=x"));
    ExpectIndexMatchesScan(list, names);
    list.Clear();
    ExpectIndexMatchesScan(list, names);
    EXPECT_THROW(list.Delete(0), EListError);
    EXPECT_THROW((void)list.Strings(0), EListError);
    EXPECT_THROW(list.Put(-1, S("x=1")), EListError);
}

TEST(VHashedStringList, NumberedNamesListsOnlyNumbersPresent) {
    TVHashedStringList list;
    list.SetLines({S("P[3].ProjectName=c"), S("p[1].projectname=a"), S("P[1].ProjectName=again"),
                   S("P[01].ProjectName=leading zero"), S("P[2].Other=x"),
                   S("P[2147483648].ProjectName=too big"), S("P[2147483647].ProjectName=max"),
                   S("P[12].WebPages7=u"), S("P[12].WebPages=none"), S("P[12].WebPages0=zero"),
                   S("WebPages5 without separator")});
    EXPECT_EQ(list.NumberedNames(S("P["), S("].ProjectName")), QList<int32_t>({1, 3, 2147483647}));
    EXPECT_EQ(list.NumberedNames(S("P[12].WebPages"), QString()), QList<int32_t>({7}));
    EXPECT_EQ(list.NumberedNames(S("Q["), S("].ProjectName")), QList<int32_t>());
    // A stem that ends in a digit takes the plain scan and gives the same kind of answer.
    EXPECT_EQ(list.NumberedNames(S("P[1"), S("].WebPages7")), QList<int32_t>({2}));
    list.Add(S("P[5].ProjectName=e")); // the numbers follow changes of the lines
    EXPECT_EQ(list.NumberedNames(S("P["), S("].ProjectName")),
              QList<int32_t>({1, 3, 5, 2147483647}));
}

// Random edits and lookups against a plain scan: the index, its in-place updates, the removal
// from the open-addressed table and the in-order shortcut must never change an answer.
TEST(VHashedStringList, RandomEditsAgreeWithAPlainScan) {
    const QStringList names = {S("a"),  S("A"),  S("b"), S("key1"), S("KEY1"), S("ß"),
                               S("SS"), S("ss"), S(""),  S("x=y"),  S("Ünï"),  S("ünÏ")};
    const QStringList plain = {S("no separator"), S("=lead"), S("")};
    std::mt19937 random(20240611);
    auto pick = [&](const QStringList& L) { return L[int(random() % L.size())]; };
    auto line = [&] {
        return random() % 5 == 0 ? pick(plain) : pick(names) + u'=' + QString::number(random() % 9);
    };
    TVHashedStringList list(8);
    for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE(step);
        const qsizetype count = list.Count();
        switch (random() % 8) {
        case 0:
            list.Add(line());
            break;
        case 1:
            if (count > 0)
                list.Put(qsizetype(random() % count), line());
            break;
        case 2:
            if (count > 0)
                list.Delete(qsizetype(random() % count));
            break;
        case 3:
            list.Insert(qsizetype(random() % (count + 1)), line());
            break;
        case 4:
            list.SetValues(pick(names), random() % 3 == 0 ? QString() : QString::number(step));
            break;
        default:
            // Lookups in line order take the shortcut; the rest go through the table.
            for (qsizetype i = 0; i < std::min<qsizetype>(count, 6); ++i) {
                QStringView name;
                if (LineName(list.Strings(i), name))
                    (void)list.IndexOfName(name.toString());
            }
            ExpectIndexMatchesScan(list, names);
        }
        if (list.Count() > 40)
            list.Delete(0);
    }
    ExpectIndexMatchesScan(list, names);
}
