#include "core/string_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/archive.h"
#include "core/exceptions.h"

namespace {

std::vector<std::string> Forward(const CStringList& list) {
    std::vector<std::string> items;
    for (POSITION p = list.GetHeadPosition(); p != nullptr;) items.push_back(list.GetNext(p));
    return items;
}

std::vector<std::string> Backward(const CStringList& list) {
    std::vector<std::string> items;
    for (POSITION p = list.GetTailPosition(); p != nullptr;) items.push_back(list.GetPrev(p));
    return items;
}

TEST(StringListTest, AddsAtBothEndsAndWalksBothWays) {
    CStringList list(3);
    list.AddTail("b");
    list.AddTail("c");
    list.AddHead("a");
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Forward(list));
    EXPECT_EQ((std::vector<std::string>{"c", "b", "a"}), Backward(list));
    EXPECT_EQ("a", list.GetHead());
    EXPECT_EQ("c", list.GetTail());
}

TEST(StringListTest, FindMatchesEqualTextOnlyAndCaseSensitively) {
    CStringList list;
    POSITION first = list.AddTail("C:\\Temp\\a.tmp");
    list.AddTail("c:\\temp\\A.TMP");
    POSITION again =
        list.AddTail(std::string("C:\\Temp\\") + "a.tmp");  // another string, same text
    EXPECT_EQ(first, list.Find("C:\\Temp\\a.tmp"));
    EXPECT_EQ(again, list.Find("C:\\Temp\\a.tmp", first));
    EXPECT_EQ(nullptr, list.Find("C:\\Temp\\a.tmp", again));
    EXPECT_EQ(nullptr, list.Find("C:\\Temp\\a.tm"));
}

TEST(StringListTest, PositionsSurviveInsertsAndRemovalsElsewhere) {
    CStringList list(2);
    POSITION keep = list.AddTail("keep");
    std::vector<POSITION> others;
    for (int i = 0; i < 10; ++i) others.push_back(list.InsertBefore(keep, std::to_string(i)));
    for (POSITION p : others) list.RemoveAt(p);
    EXPECT_EQ("keep", list.GetAt(keep));
    EXPECT_EQ(1, list.GetCount());
}

TEST(StringListTest, RemoveAtInTheMiddleAndSetAt) {
    CStringList list;
    list.AddTail("a");
    POSITION middle = list.AddTail("b");
    POSITION last = list.AddTail("c");
    list.RemoveAt(middle);
    list.SetAt(last, "z");
    EXPECT_EQ((std::vector<std::string>{"a", "z"}), Forward(list));
    EXPECT_EQ((std::vector<std::string>{"z", "a"}), Backward(list));
}

TEST(StringListTest, RemoveHeadAndTailReturnTheTexts) {
    CStringList list;
    list.AddTail("x");
    list.AddTail("y");
    EXPECT_EQ("x", list.RemoveHead());
    EXPECT_EQ("y", list.RemoveTail());
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_THROW(list.RemoveHead(), CInvalidArgException);
}

TEST(StringListTest, AddingAListToItselfDoublesIt) {
    CStringList list;
    list.AddTail("a");
    list.AddTail("b");
    list.AddTail(&list);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "a", "b"}), Forward(list));
    list.AddHead(&list);
    EXPECT_EQ(8, list.GetCount());
    EXPECT_EQ("a", list.GetHead());
}

TEST(StringListTest, SerializeRoundTripsAndAppends) {
    CStringList list;
    list.AddTail("");
    list.AddTail("two words");
    CArchive out = CArchive::Storing();
    list.Serialize(out);

    CStringList loaded;
    loaded.AddTail("already");
    CArchive in = CArchive::Loading(out.Buffer());
    loaded.Serialize(in);
    EXPECT_EQ((std::vector<std::string>{"already", "", "two words"}), Forward(loaded));
}

TEST(StringListTest, SerializedCountBeyondTheDataIsRefused) {
    CArchive out = CArchive::Storing();
    out.WriteCount(1000000);
    out << std::string("only one");
    CStringList loaded;
    CArchive in = CArchive::Loading(out.Buffer());
    EXPECT_THROW(loaded.Serialize(in), CArchiveException);
}

TEST(StringListTest, ThroughWriteObjectItKeepsItsClass) {
    CStringList list;
    list.AddTail("t");
    CArchive out = CArchive::Storing();
    out.WriteObject(&list);
    CArchive in = CArchive::Loading(out.Buffer());
    CStringList* loaded = nullptr;
    in >> loaded;
    std::unique_ptr<CStringList> owned(loaded);
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ("t", loaded->GetHead());
}

}  // namespace
