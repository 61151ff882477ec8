#include "core/string_array.h"

#include <gtest/gtest.h>

#include "core/archive.h"
#include "core/exceptions.h"

namespace {

std::vector<std::string> Items(const CStringArray& array) {
    std::vector<std::string> items;
    for (INT_PTR i = 0; i < array.GetSize(); ++i) items.push_back(array[i]);
    return items;
}

TEST(StringArrayTest, AddReturnsTheNewIndex) {
    CStringArray array;
    EXPECT_EQ(0, array.Add("a"));
    EXPECT_EQ(1, array.Add("b"));
    EXPECT_EQ(2, array.GetCount());
    EXPECT_EQ(1, array.GetUpperBound());
}

TEST(StringArrayTest, SetSizeGrowsWithEmptyTextsAndShrinksFromTheEnd) {
    CStringArray array;
    array.Add("keep");
    array.SetSize(4);
    EXPECT_EQ((std::vector<std::string>{"keep", "", "", ""}), Items(array));
    array.SetSize(1);
    EXPECT_EQ((std::vector<std::string>{"keep"}), Items(array));
}

TEST(StringArrayTest, SetAtGrowFillsTheGapWithEmptyTexts) {
    CStringArray array;
    array.SetAtGrow(3, "Current");
    EXPECT_EQ((std::vector<std::string>{"", "", "", "Current"}), Items(array));
    array.SetAtGrow(1, "Column");
    EXPECT_EQ("Column", array.GetAt(1));
    EXPECT_EQ(4, array.GetSize());
}

TEST(StringArrayTest, ElementAtAndSubscriptGiveWritableElements) {
    CStringArray array;
    array.SetSize(2);
    array.ElementAt(0) = "x";
    array[1] += "y";
    array.SetAt(1, array[1] + "z");
    EXPECT_EQ((std::vector<std::string>{"x", "yz"}), Items(array));
}

TEST(StringArrayTest, InsertAtShiftsTheRest) {
    CStringArray array;
    array.Add("a");
    array.Add("d");
    array.InsertAt(1, "b");
    array.InsertAt(2, "c", 2);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "c", "d"}), Items(array));
    array.InsertAt(7, "g");  // past the end: grows first
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "c", "d", "", "", "g"}), Items(array));
}

TEST(StringArrayTest, InsertAtWithOwnElementCopiesItFirst) {
    CStringArray array;
    array.Add("self");
    for (int i = 0; i < 20; ++i) array.InsertAt(0, array[array.GetUpperBound()]);
    EXPECT_EQ(21, array.GetSize());
    EXPECT_EQ("self", array[0]);
}

TEST(StringArrayTest, RemoveAtTakesOutARange) {
    CStringArray array;
    for (const char* text : {"a", "b", "c", "d"}) array.Add(text);
    array.RemoveAt(1, 2);
    EXPECT_EQ((std::vector<std::string>{"a", "d"}), Items(array));
    array.RemoveAll();
    EXPECT_TRUE(array.IsEmpty());
}

TEST(StringArrayTest, IndicesOutsideTheArrayAreRefused) {
    CStringArray array;
    array.Add("only");
    EXPECT_THROW(array.GetAt(1), CInvalidArgException);
    EXPECT_THROW(array.GetAt(-1), CInvalidArgException);
    EXPECT_THROW(array.SetAt(1, "x"), CInvalidArgException);
    EXPECT_THROW(array[5], CInvalidArgException);
    EXPECT_THROW(array.RemoveAt(0, 2), CInvalidArgException);
    EXPECT_THROW(array.SetSize(-1), CInvalidArgException);
    EXPECT_EQ((std::vector<std::string>{"only"}), Items(array));
}

TEST(StringArrayTest, AppendAndCopy) {
    CStringArray array;
    array.Add("a");
    EXPECT_EQ(1, array.Append(array));
    EXPECT_EQ((std::vector<std::string>{"a", "a"}), Items(array));
    CStringArray other;
    other.Copy(array);
    EXPECT_EQ(Items(array), Items(other));
}

TEST(StringArrayTest, SerializeRoundTripReplacesContents) {
    CStringArray array;
    array.Add("Table");
    array.Add("");
    array.Add("Row\twith tab");
    CArchive out = CArchive::Storing();
    array.Serialize(out);

    CStringArray loaded;
    loaded.Add("old");
    CArchive in = CArchive::Loading(out.Buffer());
    loaded.Serialize(in);
    EXPECT_EQ(Items(array), Items(loaded));
}

TEST(StringArrayTest, TruncatedArchiveLeavesTheArrayUnchanged) {
    CStringArray array;
    array.Add("first");
    array.Add("second");
    CArchive out = CArchive::Storing();
    array.Serialize(out);
    std::string bytes = out.Buffer();
    bytes.resize(bytes.size() - 3);

    CStringArray loaded;
    loaded.Add("old");
    CArchive in = CArchive::Loading(bytes);
    EXPECT_THROW(loaded.Serialize(in), CArchiveException);
    EXPECT_EQ((std::vector<std::string>{"old"}), Items(loaded));
}

}  // namespace
