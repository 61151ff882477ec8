#include "entry_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "counting_entry_test_support.h"
#include "guarded_buffer.h"
#include "string_array_entry.h"

namespace foundation {
namespace {

TEST(EntryList, NewListHasFourEmptyNamesButNoColumns) {
    CEntryList list;
    EXPECT_EQ(list.GetColumnCount(), 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(list.GetColumnName(i), "");
    EXPECT_EQ(list.GetColumnName(4), "");
    EXPECT_EQ(list.GetColumnName(-1), "");
}

TEST(EntryList, SetColumnNameGrowsTheColumnCount) {
    CEntryList list;
    EXPECT_EQ(list.SetColumnName(4, "Current"), 5);
    EXPECT_EQ(list.GetColumnCount(), 5);
    EXPECT_EQ(list.GetColumnName(4), "Current");
    // A lower index does not shrink the count.
    EXPECT_EQ(list.SetColumnName(0, std::string("Table")), 1);
    EXPECT_EQ(list.GetColumnCount(), 5);
    EXPECT_EQ(list.GetColumnName(0), "Table");
}

TEST(EntryList, SetColumnNameRefusesNegativeIndex) {
    CEntryList list;
    EXPECT_EQ(list.SetColumnName(-1, "x"), 0);
    EXPECT_EQ(list.GetColumnCount(), 0);
}

TEST(EntryList, DestructionDeletesEveryEntryOnce) {
    int deletions = 0;
    {
        PairList list(&deletions);
        EXPECT_TRUE(list.AddEntry(new CountingEntry(&deletions, "a")));
        EXPECT_TRUE(list.AddEntry(new CountingEntry(&deletions, "b")));
        EXPECT_EQ(list.GetCount(), 2);
    }
    EXPECT_EQ(deletions, 2);
}

TEST(EntryList, FindEntryComparesFieldWithoutRegardToCase) {
    CEntryList list;
    list.AddEntry(new CDoubleString("Property", "ProductName"));
    auto* wanted = new CDoubleString("Property", "Manufacturer");
    list.AddEntry(wanted);
    EXPECT_EQ(list.FindEntry("MANUFACTURER", 1), wanted);
    EXPECT_EQ(list.FindEntry("nothing", 1), nullptr);
    // The first match wins.
    EXPECT_NE(list.FindEntry("property", 0), wanted);
    EXPECT_NE(list.FindEntry("property", 0), nullptr);
}

// An entry whose column texts differ from its field texts.
class ShownEntry : public CDoubleString {
  public:
    using CDoubleString::CDoubleString;
    std::string GetColumnText(int index) const override { return "[" + GetFieldText(index) + "]"; }
};

TEST(EntryList, FindEntryWithNegativeColumnComparesColumnTexts) {
    CEntryList list;
    auto* entry = new ShownEntry("a", "b");
    list.AddEntry(entry);
    EXPECT_EQ(list.FindEntry("[A]", -1), entry);
    EXPECT_EQ(list.FindEntry("a", -1), nullptr);
}

TEST(EntryList, CreateEntryOfTheBaseListMakesNone) {
    CEntryList list;
    EXPECT_EQ(list.CreateEntry(), nullptr);
    EXPECT_EQ(list.ParseText("a,b\r\n", ',', 2), 0);
}

TEST(EntryListText, WriteTextRefusesASmallBufferAndTellsTheSizeNeeded) {
    CEntryList list;
    list.AddEntry(new CDoubleString("Name", "Value"));
    const std::size_t needed = list.GetTextLength(',', 2);
    // "Name" + 1, "Value" + 1, 2 for the line end, 1 for the zero byte.
    EXPECT_EQ(needed, 5u + 6u + 2u + 1u);
    testing_support::GuardedBuffer short_buffer(needed - 1);
    std::size_t size = needed - 1;
    EXPECT_FALSE(list.WriteText(short_buffer.data(), size, ',', 2));
    EXPECT_EQ(size, needed);
    EXPECT_EQ(short_buffer.Bytes(), std::string(needed - 1, '#'));
    EXPECT_TRUE(short_buffer.GuardIntact());
    // Exactly the size needed: the whole text, and nothing after the buffer.
    testing_support::GuardedBuffer buffer(needed);
    size = needed;
    EXPECT_TRUE(list.WriteText(buffer.data(), size, ',', 2));
    EXPECT_EQ(size, needed);
    EXPECT_EQ(buffer.Text(), "Name,Value\r\n");
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(EntryListText, OneColumnEndsEachEntryWithTheSeparator) {
    CEntryList list;
    list.AddEntry(new CDoubleString("a"));
    list.AddEntry(new CDoubleString("b"));
    EXPECT_EQ(list.GetText(';', 1), "a;b;");
    EXPECT_EQ(list.GetTextLength(';', 1), 2u + 2u + 2u + 2u + 1u);
}

TEST(EntryListText, MinusOneColumnsMeansTheColumnCount) {
    CEntryList list;
    list.SetColumnName(1, "Value");
    list.AddEntry(new CDoubleString("k", "v"));
    EXPECT_EQ(list.GetText('\t', -1), "k\tv\r\n");
}

TEST(EntryListText, SeparatorZeroWritesZeroTerminatedStrings) {
    CEntryList list;
    list.AddEntry(new CDoubleString("one"));
    list.AddEntry(new CDoubleString("two"));
    const std::string text = list.GetText('\0', 1);
    EXPECT_EQ(text, std::string("one\0two\0", 8));
}

// A subclass whose column texts grow each time they are asked for: the
// second pass (the write) must still stay inside the buffer it was given.
class GrowingEntry : public CEntry {
  public:
    std::string GetColumnText(int) const override { return std::string(++calls_ * 8, 'g'); }

  private:
    mutable int calls_ = 0;
};

TEST(EntryListText, WriteTextNeverWritesPastTheBufferItWasGiven) {
    CEntryList list;
    list.AddEntry(new GrowingEntry);
    std::size_t size = list.GetTextLength(',', 1) + 4;  // room for the first answer only
    std::string buffer(size + 16, 'X');
    EXPECT_FALSE(list.WriteText(buffer.data(), size, ',', 1));
    EXPECT_EQ(buffer.substr(buffer.size() - 16), std::string(16, 'X'));
}

TEST(EntryListParse, TwoLinesOfTwoFieldsGiveTwoEntries) {
    int deletions = 0;
    PairList list(&deletions);
    EXPECT_EQ(list.ParseText("a,b\r\nc,d\r\n", ',', 2), 2);
    CEntry* first = static_cast<CEntry*>(list.GetHead());
    CEntry* second = static_cast<CEntry*>(list.GetTail());
    EXPECT_EQ(first->GetFieldText(0), "a");
    EXPECT_EQ(first->GetFieldText(1), "b");
    EXPECT_EQ(second->GetFieldText(0), "c");
    EXPECT_EQ(second->GetFieldText(1), "d");
    EXPECT_EQ(deletions, 0);
}

TEST(EntryListParse, RecordCutShortIsNotAddedAndIsDeleted) {
    int deletions = 0;
    {
        PairList list(&deletions);
        EXPECT_EQ(list.ParseText("a,b\r\nc", ',', 2), 1);
        EXPECT_EQ(deletions, 1);
    }
    EXPECT_EQ(deletions, 2);
}

TEST(EntryListParse, LastFieldWithoutLineEndIsKept) {
    PairList list;
    EXPECT_EQ(list.ParseText("a,b\nc,d", ',', 2), 2);
    EXPECT_EQ(static_cast<CEntry*>(list.GetTail())->GetFieldText(1), "d");
}

TEST(EntryListParse, LastFieldEndsAtTheFirstLineBreakOfEitherKind) {
    PairList list;
    EXPECT_EQ(list.ParseText("a,b\nc,d\r\n", ',', 2), 2);
    EXPECT_EQ(static_cast<CEntry*>(list.GetHead())->GetFieldText(1), "b");
}

TEST(EntryListParse, LineSeparatorTakesWholeLinesAndSkipsEmptyOnes) {
    PairList list;
    EXPECT_EQ(list.ParseText("k1\r\nv1\r\n\r\nk2\nv2", '\n', 2), 2);
    EXPECT_EQ(static_cast<CEntry*>(list.GetTail())->GetFieldText(0), "k2");
    EXPECT_EQ(static_cast<CEntry*>(list.GetTail())->GetFieldText(1), "v2");
}

TEST(EntryListParse, OneColumnCutsEveryFieldAtTheSeparator) {
    PairList list;
    EXPECT_EQ(list.ParseText("x;y;z", ';', 1), 3);
    EXPECT_EQ(static_cast<CEntry*>(list.GetTail())->GetFieldText(0), "z");
}

TEST(EntryListParse, SeparatorZeroReadsUpToTheEmptyString) {
    PairList list;
    const char text[] = "one\0two\0\0three\0";
    EXPECT_EQ(list.ParseText(text, '\0', 1), 2);
}

TEST(EntryListParse, WithoutColumnsNothingIsRead) {
    PairList list;
    EXPECT_EQ(list.ParseText("a,b", ',', -1), 0);
    EXPECT_EQ(list.ParseText(nullptr, ',', 2), 0);
}

TEST(EntryListParse, RefusedEntryIsDeleted) {
    class RefusingList : public PairList {
      public:
        using PairList::PairList;
        bool AddEntry(CEntry*) override { return false; }
    };
    int deletions = 0;
    RefusingList list(&deletions);
    EXPECT_EQ(list.ParseText("a,b\r\nc,d\r\n", ',', 2), 0);
    EXPECT_EQ(deletions, 2);
}

TEST(EntryListParse, RoundTripsThroughWriteText) {
    PairList source;
    source.AddEntry(new CDoubleString("Manufacturer", "Example Corp"));
    source.AddEntry(new CDoubleString("ProductName", ""));
    source.AddEntry(new CDoubleString("\xC3\xA9t\xC3\xA9", "x y"));
    const std::string text = source.GetText('\t', 2);
    PairList copy;
    EXPECT_EQ(copy.ParseText(text.c_str(), '\t', 2), 3);
    EXPECT_EQ(copy.GetText('\t', 2), text);
}

TEST(EntryListParse, OneColumnRoundTripsWithSeparatorZero) {
    PairList source;
    source.AddEntry(new CDoubleString("first"));
    source.AddEntry(new CDoubleString("second"));
    std::size_t size = source.GetTextLength('\0', 1);
    std::string buffer(size, 'X');
    ASSERT_TRUE(source.WriteText(buffer.data(), size, '\0', 1));
    PairList copy;
    EXPECT_EQ(copy.ParseText(buffer.data(), '\0', 1), 2);
    EXPECT_EQ(static_cast<CEntry*>(copy.GetTail())->GetFieldText(0), "second");
}

TEST(EntryListParse, StringArrayEntriesTakeEveryColumn) {
    class ChangeList : public CEntryList {
      public:
        CEntry* CreateEntry() override { return new CStringArrayEntry; }
    };
    ChangeList list;
    for (int i = 0; i < 5; ++i) list.SetColumnName(i, "c");
    EXPECT_EQ(list.ParseText("T,C,R,D,X\r\n", ',', -1), 1);
    EXPECT_EQ(static_cast<CEntry*>(list.GetHead())->GetFieldText(4), "X");
}

}  // namespace
}  // namespace foundation
