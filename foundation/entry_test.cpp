#include <gtest/gtest.h>

#include "column_type_source.h"
#include "double_string.h"
#include "entry.h"
#include "string_array_entry.h"
#include "typed_entry.h"

namespace foundation {
namespace {

TEST(SObject, SetFlagsSetsAndClearsOnlyTheMaskBits) {
    CSObject object;
    EXPECT_EQ(object.GetFlags(), 0u);
    object.SetFlags(0x5, true);
    object.SetFlags(0x100, true);
    EXPECT_EQ(object.GetFlags(), 0x105u);
    object.SetFlags(0x4, false);
    EXPECT_EQ(object.GetFlags(), 0x101u);
}

TEST(Entry, BaseHasNoFieldsButKeepsItsDataWord) {
    CEntry entry("ignored", "also ignored", 42);
    EXPECT_EQ(entry.GetData(), 42u);
    EXPECT_EQ(entry.GetFieldText(0), "");
    entry.SetFieldText(0, "x");
    EXPECT_EQ(entry.GetColumnText(0), "");
    entry.SetData(7);
    EXPECT_EQ(entry.GetData(), 7u);
}

TEST(Entry, IsValidUntilTheTopFlagBitIsSet) {
    CEntry entry;
    entry.SetFlags(0x7FFFFFFF, true);
    EXPECT_TRUE(entry.IsValid());
    entry.SetFlags(0x80000000, true);
    EXPECT_FALSE(entry.IsValid());
}

TEST(DoubleString, HoldsTwoFieldsAndNothingElse) {
    CDoubleString pair("name", nullptr, 3);
    EXPECT_EQ(pair.GetFieldText(0), "name");
    EXPECT_EQ(pair.GetFieldText(1), "");
    EXPECT_EQ(pair.GetData(), 3u);
    pair.SetFieldText(1, "value");
    pair.SetFieldText(2, "dropped");
    EXPECT_EQ(pair.GetColumnText(1), "value");
    EXPECT_EQ(pair.GetFieldText(2), "");
    EXPECT_EQ(pair.GetFieldText(-1), "");
    pair.SetFieldText(0, nullptr);
    EXPECT_EQ(pair.GetFieldText(0), "");
}

TEST(StringArrayEntry, ConstructorSetsFiveFields) {
    CStringArrayEntry change("Property", "Value", "ProductName", "New", "Old");
    EXPECT_EQ(change.GetFieldCount(), 5);
    EXPECT_EQ(change.GetFieldText(0), "Property");
    EXPECT_EQ(change.GetColumnText(4), "Old");
    CStringArrayEntry empty;
    EXPECT_EQ(empty.GetFieldCount(), 5);
    EXPECT_EQ(empty.GetFieldText(3), "");
}

TEST(StringArrayEntry, FieldAtOrBeyondTheEndIsEmpty) {
    CStringArrayEntry entry("a", "b");
    EXPECT_EQ(entry.GetFieldText(5), "");
    EXPECT_EQ(entry.GetFieldText(100), "");
    EXPECT_EQ(entry.GetFieldText(-1), "");
}

TEST(StringArrayEntry, PresentTextGrowsTheArrayButAbsentTextLeavesNoGap) {
    CStringArrayEntry entry;
    entry.SetFieldText(8, nullptr);
    EXPECT_EQ(entry.GetFieldCount(), 5);
    entry.SetFieldText(5, nullptr);  // right at the end: becomes an empty field
    EXPECT_EQ(entry.GetFieldCount(), 6);
    entry.SetFieldText(9, "late");
    EXPECT_EQ(entry.GetFieldCount(), 10);
    EXPECT_EQ(entry.GetFieldText(9), "late");
    EXPECT_EQ(entry.GetFieldText(7), "");
}

// A list that says column 0 holds strings, column 1 integers, column 2 binary data.
class ThreeColumnTypes : public ColumnTypeSource {
  public:
    int GetColumnType(int index) const override { return index == 0 ? 0 : index == 1 ? 1 : 2; }
};

class RecordStub : public CTypedEntry {
  public:
    explicit RecordStub(const ColumnTypeSource* owner) : owner_(owner) {}
    const ColumnTypeSource* GetOwnerList() const override { return owner_; }
    std::string GetStringValue(int) const override { return "Manufacturer"; }
    std::int32_t GetIntegerValue(int) const override { return -1033; }

  private:
    const ColumnTypeSource* owner_;
};

TEST(TypedEntry, FieldTextFollowsTheColumnTypeOfItsList) {
    ThreeColumnTypes types;
    RecordStub record(&types);
    EXPECT_EQ(record.GetFieldText(0), "Manufacturer");
    EXPECT_EQ(record.GetFieldText(1), "-1033");
    EXPECT_EQ(record.GetFieldText(2), "");
}

TEST(TypedEntry, WithoutAListEveryFieldIsEmpty) {
    RecordStub record(nullptr);
    EXPECT_EQ(record.GetFieldText(0), "");
    CTypedEntry base;
    EXPECT_EQ(base.GetOwnerList(), nullptr);
    EXPECT_EQ(base.GetIntegerValue(0), 0);
    EXPECT_EQ(base.GetStringValue(0), "");
}

}  // namespace
}  // namespace foundation
