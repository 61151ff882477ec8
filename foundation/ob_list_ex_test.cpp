#include "ob_list_ex.h"

#include <gtest/gtest.h>

#include "counting_entry_test_support.h"

namespace foundation {
namespace {

TEST(ObListEx, OwnsItsObjectsFromConstruction) {
    CObListEx list;
    EXPECT_TRUE(list.m_bOwnsObjects);
    EXPECT_EQ(list.m_dwListFlags, 0u);
}

TEST(ObListEx, DestructionDeletesEveryObjectOnce) {
    int deletions = 0;
    {
        CObListEx list;
        list.AddTail(new CountingEntry(&deletions));
        list.AddTail(static_cast<CObject*>(nullptr));
        list.AddTail(new CountingEntry(&deletions));
    }
    EXPECT_EQ(deletions, 2);
}

TEST(ObListEx, ObjectAddedTwiceIsDeletedOnce) {
    int deletions = 0;
    auto* entry = new CountingEntry(&deletions);
    {
        CObListEx list;
        list.AddTail(entry);
        list.AddTail(entry);
        list.RemoveAll();
        EXPECT_TRUE(list.IsEmpty());
    }
    EXPECT_EQ(deletions, 1);
}

TEST(ObListEx, RemoveAllLeavesObjectsAloneWhenNotOwning) {
    int deletions = 0;
    CountingEntry kept(&deletions);
    CObListEx list;
    list.m_bOwnsObjects = false;
    list.AddTail(&kept);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(deletions, 0);
}

TEST(ObListEx, RemoveHandsTheObjectBack) {
    int deletions = 0;
    CountingEntry outside(&deletions);
    CObListEx list;
    auto* inside = new CountingEntry(&deletions);
    list.AddTail(inside);
    list.AddTail(&outside);
    EXPECT_TRUE(list.Remove(&outside));
    EXPECT_FALSE(list.Remove(&outside));
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(deletions, 0);
}

TEST(ObListEx, RemoveAndDeleteOfAStrangerDeletesNothing) {
    int deletions = 0;
    CountingEntry stranger(&deletions);
    CObListEx list;
    list.AddTail(new CountingEntry(&deletions));
    EXPECT_FALSE(list.RemoveAndDelete(&stranger));
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(ObListEx, RemoveAndDeleteDeletesEvenWhenNotOwning) {
    int deletions = 0;
    CObListEx list;
    list.m_bOwnsObjects = false;
    auto* entry = new CountingEntry(&deletions);
    list.AddTail(entry);
    EXPECT_TRUE(list.RemoveAndDelete(entry));
    EXPECT_EQ(deletions, 1);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(ObListEx, RemoveAndDeleteForgetsEveryNodeOfTheObject) {
    int deletions = 0;
    {
        CObListEx list;
        auto* entry = new CountingEntry(&deletions);
        list.AddTail(entry);
        list.AddTail(new CountingEntry(&deletions));
        list.AddTail(entry);
        EXPECT_TRUE(list.RemoveAndDelete(entry));
        EXPECT_EQ(list.GetCount(), 1);
        EXPECT_EQ(deletions, 1);
    }
    EXPECT_EQ(deletions, 2);
}

}  // namespace
}  // namespace foundation
