#include "base/uExceptions.h"
#include "base/uIntList.h"

#include <gtest/gtest.h>

using namespace tarrow;

TEST(IntList, AddReadWriteAssignAndBounds) {
    TIntList list;
    EXPECT_EQ(list.Add(5), 0);
    EXPECT_EQ(list.Add(-1), 1);
    list.SetValue(1, INT32_MAX);
    EXPECT_EQ(list.GetValue(1), INT32_MAX);
    TIntList copy;
    copy.Add(9);
    copy.Assign(list);
    EXPECT_EQ(copy, list);
    copy.SetValue(0, 1);
    EXPECT_EQ(list.GetValue(0), 5);
    for (qsizetype bad : {qsizetype(-1), qsizetype(2), qsizetype(1) << 40}) {
        try {
            (void)list.GetValue(bad);
            FAIL() << bad;
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds (%1)").arg(bad));
        }
        EXPECT_THROW(list.SetValue(bad, 0), EListError);
    }
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
