#include "project/VHashedStringList.h"
#include "base/uExceptions.h"

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

using namespace tarrow;

namespace {

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
    list.SetLines({u"OutDir=A"_s, u"no separator"_s, u"outdir=B"_s, u"Key = spaced"_s,
                   u"Url=http://x/?a=1"_s, u"=empty name"_s, u"Empty="_s});
    EXPECT_EQ(list.IndexOfName(u"OUTDIR"_s), 2);
    EXPECT_EQ(list.Values(u"OutDir"_s), u"B"_s);
    EXPECT_EQ(list.Values(u"Key"_s), QString()); // blanks belong to the name
    EXPECT_EQ(list.Values(u"Key "_s), u" spaced"_s);
    EXPECT_EQ(list.Values(u"url"_s), u"http://x/?a=1"_s); // further "=" belong to the value
    EXPECT_EQ(list.IndexOfName(u"no separator"_s), -1);
    EXPECT_EQ(list.Values(QString()), u"empty name"_s);
    EXPECT_EQ(list.IndexOfName(u"Empty"_s), 6);
    EXPECT_EQ(list.Values(u"Missing"_s), QString());
    // Upper-casing covers more than ASCII: the index and the comparison agree.
    list.Add(u"Größe=1"_s);
    EXPECT_EQ(list.Values(u"GRÖSSE"_s), u"1"_s);
}

TEST(VHashedStringList, SetValuesReplacesAppendsAndDeletes) {
    TVHashedStringList list;
    list.SetValues(u"A"_s, u"1"_s);
    list.SetValues(u"B"_s, u"2"_s);
    list.SetValues(u"a"_s, u"3"_s); // replaces in place, keeps the name as now written
    EXPECT_EQ(list.Lines(), QStringList({u"a=3"_s, u"B=2"_s}));
    list.SetValues(u"C"_s, QString()); // empty value, no line
    EXPECT_EQ(list.Count(), 2);
    list.SetValues(u"A"_s, QString()); // empty value deletes the found line
    EXPECT_EQ(list.Lines(), QStringList({u"B=2"_s}));
    EXPECT_EQ(list.IndexOfName(u"B"_s), 0);
}

// The index follows every kind of change: in-place updates and rebuilds must give the same answers.
TEST(VHashedStringList, IndexStaysRightThroughEveryChange) {
    TVHashedStringList list(4);
    const QStringList names = {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u""_s};
    list.SetLines({u"A=1"_s, u"B=1"_s, u"A=2"_s, u"C=1"_s, u"plain"_s});
    ExpectIndexMatchesScan(list, names); // built from the lines
    list.Add(u"B=2"_s);
    ExpectIndexMatchesScan(list, names);
    list.Put(0, u"D=1"_s); // the name of a line changes
    ExpectIndexMatchesScan(list, names);
    list.Put(4, u"A=3"_s); // a nameless line gains a name
    ExpectIndexMatchesScan(list, names);
    list.Put(2, u"plain again"_s); // and loses it
    ExpectIndexMatchesScan(list, names);
    list.Delete(1); // the indices above shift down
    ExpectIndexMatchesScan(list, names);
    list.Delete(list.Count() - 1);
    ExpectIndexMatchesScan(list, names);
    list.Insert(0, u"B=0"_s);
    ExpectIndexMatchesScan(list, names);
    list.Insert(list.Count(), u"C=9"_s);
    ExpectIndexMatchesScan(list, names);
    list.Put(0, u"=x"_s);
    ExpectIndexMatchesScan(list, names);
    list.Clear();
    ExpectIndexMatchesScan(list, names);
    EXPECT_THROW(list.Delete(0), EListError);
    EXPECT_THROW((void)list.Strings(0), EListError);
    EXPECT_THROW(list.Put(-1, u"x=1"_s), EListError);
}

TEST(VHashedStringList, NumberedNamesListsOnlyNumbersPresent) {
    TVHashedStringList list;
    list.SetLines({u"P[3].ProjectName=c"_s, u"p[1].projectname=a"_s, u"P[1].ProjectName=again"_s,
                   u"P[01].ProjectName=leading zero"_s, u"P[2].Other=x"_s,
                   u"P[2147483648].ProjectName=too big"_s, u"P[2147483647].ProjectName=max"_s,
                   u"P[12].WebPages7=u"_s, u"P[12].WebPages=none"_s, u"P[12].WebPages0=zero"_s,
                   u"WebPages5 without separator"_s});
    EXPECT_EQ(list.NumberedNames(u"P["_s, u"].ProjectName"_s), QList<int32_t>({1, 3, 2147483647}));
    EXPECT_EQ(list.NumberedNames(u"P[12].WebPages"_s, QString()), QList<int32_t>({7}));
    EXPECT_EQ(list.NumberedNames(u"Q["_s, u"].ProjectName"_s), QList<int32_t>());
    // A stem that ends in a digit takes the plain scan and gives the same kind of answer.
    EXPECT_EQ(list.NumberedNames(u"P[1"_s, u"].WebPages7"_s), QList<int32_t>({2}));
    list.Add(u"P[5].ProjectName=e"_s); // the numbers follow changes of the lines
    EXPECT_EQ(list.NumberedNames(u"P["_s, u"].ProjectName"_s),
              QList<int32_t>({1, 3, 5, 2147483647}));
}

// Random edits and lookups against a plain scan: the index, its in-place updates, the removal
// from the open-addressed table and the in-order shortcut must never change an answer.
TEST(VHashedStringList, RandomEditsAgreeWithAPlainScan) {
    const QStringList names = {u"a"_s,  u"A"_s,  u"b"_s, u"key1"_s, u"KEY1"_s, u"ß"_s,
                               u"SS"_s, u"ss"_s, u""_s,  u"x=y"_s,  u"Ünï"_s,  u"ünÏ"_s};
    const QStringList plain = {u"no separator"_s, u"=lead"_s, u""_s};
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
