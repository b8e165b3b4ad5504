#include "core/TRequest.h"

#include <gtest/gtest.h>

namespace {

const QString us(kItemSeparator);

TEST(SeparatorList, TakesItemsInOrderUntilEmpty)
{
    QString list = "a" + us + "b" + us;
    EXPECT_EQ(CountSeparators(list), 2);
    EXPECT_EQ(TakeNextItem(list), "a");
    EXPECT_EQ(TakeNextItem(list), "b");
    EXPECT_EQ(list, "");
    EXPECT_EQ(TakeNextItem(list), "");
    EXPECT_EQ(list, "");
}

TEST(SeparatorList, LastItemWithoutSeparatorStaysInList)
{
    QString list = "a" + us + "b";
    EXPECT_EQ(CountSeparators(list), 1);
    EXPECT_EQ(TakeNextItem(list), "a");
    EXPECT_EQ(TakeNextItem(list), "");
    EXPECT_EQ(list, "b");
}

TEST(SeparatorList, EmptyItemIsAnItem)
{
    QString list = us + "a" + us;
    EXPECT_EQ(CountSeparators(list), 2);
    EXPECT_EQ(TakeNextItem(list), "");
    EXPECT_EQ(TakeNextItem(list), "a");
    EXPECT_TRUE(list.isEmpty());
}

}  // namespace
