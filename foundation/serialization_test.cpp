// Round trips of every serialisable class of the library through the
// framework's archive, and their run-time class records.
#include <gtest/gtest.h>

#include <memory>

#include "core/archive.h"
#include "core/exceptions.h"
#include "counting_entry_test_support.h"
#include "double_string.h"
#include "entry_list.h"
#include "file_entry.h"
#include "guid_object.h"
#include "map_istring_to_ob.h"
#include "ob_list_ex.h"
#include "s_object.h"
#include "string_array_entry.h"

namespace foundation {
namespace {

// Stores the object through WriteObject and loads it back as a new object.
template <typename T>
std::unique_ptr<T> RoundTrip(const T& original) {
    CArchive out = CArchive::Storing();
    out.WriteObject(&original);
    CArchive in = CArchive::Loading(out.Buffer());
    std::unique_ptr<CObject> loaded(in.ReadObject(original.GetRuntimeClass()));
    EXPECT_EQ(in.Remaining(), 0u);
    return std::unique_ptr<T>(static_cast<T*>(loaded.release()));
}

TEST(RuntimeClasses, EveryClassIsCreatedByItsName) {
    const CRuntimeClass* records[] = {
        RUNTIME_CLASS(CSObject),  RUNTIME_CLASS(CDoubleString), RUNTIME_CLASS(CStringArrayEntry),
        RUNTIME_CLASS(CObListEx), RUNTIME_CLASS(CEntryList),    RUNTIME_CLASS(CMapIStringToOb),
        RUNTIME_CLASS(CGuid),     RUNTIME_CLASS(CFileEntry)};
    const char* names[] = {"CSObject",  "CDoubleString", "CStringArrayEntry",
                           "CObListEx", "CEntryList",    "CMapIStringToOb",
                           "CGuid",     "CFileEntry"};
    for (std::size_t i = 0; i < std::size(records); ++i) {
        EXPECT_STREQ(records[i]->m_lpszClassName, names[i]);
        EXPECT_EQ(CRuntimeClass::FromName(names[i]), records[i]);
        std::unique_ptr<CObject> object(CRuntimeClass::CreateObject(names[i]));
        ASSERT_NE(object, nullptr) << names[i];
        EXPECT_EQ(object->GetRuntimeClass(), records[i]);
        EXPECT_TRUE(object->IsSerializable()) << names[i];
    }
}

TEST(RuntimeClasses, EntriesDescendFromSObject) {
    CDoubleString pair;
    EXPECT_TRUE(pair.IsKindOf(RUNTIME_CLASS(CSObject)));
    CEntryList list;
    EXPECT_TRUE(list.IsKindOf(RUNTIME_CLASS(CObList)));
    EXPECT_EQ(CGuid::classCGuid.m_wSchema, 1u);
    EXPECT_EQ(CFileEntry::classCFileEntry.m_wSchema, 1u);
}

TEST(Serialization, SObjectKeepsItsFlags) {
    CSObject object;
    object.SetFlags(0x80000011, true);
    EXPECT_EQ(RoundTrip(object)->GetFlags(), 0x80000011u);
}

TEST(Serialization, DoubleStringKeepsDataAndBothTexts) {
    CDoubleString pair("name", "\xC3\xA9t\xC3\xA9", 99);
    auto loaded = RoundTrip(pair);
    EXPECT_EQ(loaded->GetFieldText(0), "name");
    EXPECT_EQ(loaded->GetFieldText(1), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(loaded->GetData(), 99u);
}

TEST(Serialization, StringArrayEntryKeepsEveryFieldAndItsData) {
    CStringArrayEntry change("Table", "Column", "Row", "Data", "Current");
    change.SetFieldText(6, "seventh");
    change.SetData(5);
    auto loaded = RoundTrip(change);
    EXPECT_EQ(loaded->GetFieldCount(), 7);
    EXPECT_EQ(loaded->GetFieldText(4), "Current");
    EXPECT_EQ(loaded->GetFieldText(6), "seventh");
    EXPECT_EQ(loaded->GetData(), 5u);
}

TEST(Serialization, GuidStoresSixteenBytesAndIsMarkedLoaded) {
    CGuid guid;
    for (std::size_t i = 0; i < guid.m_guid.size(); ++i)
        guid.m_guid[i] = static_cast<std::uint8_t>(0xF0 + i);
    CArchive out = CArchive::Storing();
    guid.Serialize(out);
    EXPECT_EQ(out.Buffer().size(), 16u);
    auto loaded = RoundTrip(guid);
    EXPECT_EQ(loaded->m_guid, guid.m_guid);
    EXPECT_EQ(loaded->GetFlags() & CGuid::kLoaded, CGuid::kLoaded);
    EXPECT_EQ(guid.GetFlags(), 0u);
}

TEST(Serialization, FileEntryKeepsFlagsTextAndWords) {
    CFileEntry file;
    file.SetFlags(0x40, true);
    file.m_strText = "data1.cab";
    file.m_dwValues[0] = 1;
    file.m_dwValues[1] = 0xFFFFFFFF;
    file.m_dwValues[2] = 3;
    auto loaded = RoundTrip(file);
    EXPECT_EQ(loaded->GetFlags(), 0x40u);
    EXPECT_EQ(loaded->m_strText, "data1.cab");
    EXPECT_EQ(loaded->m_dwValues[1], 0xFFFFFFFFu);
    EXPECT_EQ(loaded->m_dwValues[2], 3u);
}

TEST(Serialization, ObListExKeepsItsObjectsAndListFlags) {
    CObListEx list;
    list.m_dwListFlags = 0x1234;
    list.AddTail(new CDoubleString("a", "b"));
    list.AddTail(new CStringArrayEntry("x"));
    auto loaded = RoundTrip(list);
    EXPECT_EQ(loaded->m_dwListFlags, 0x1234u);
    ASSERT_EQ(loaded->GetCount(), 2);
    EXPECT_EQ(static_cast<CEntry*>(loaded->GetHead())->GetFieldText(1), "b");
    EXPECT_TRUE(loaded->GetTail()->IsKindOf(RUNTIME_CLASS(CStringArrayEntry)));
    EXPECT_TRUE(loaded->m_bOwnsObjects);  // the loaded objects are deleted with the list
}

TEST(Serialization, EntryListKeepsEntriesColumnCountAndNames) {
    CEntryList list;
    list.SetColumnName(0, "Table");
    list.SetColumnName(4, "Current");
    list.AddEntry(new CStringArrayEntry("Property", "Value", "ProductName", "New", "Old"));
    auto loaded = RoundTrip(list);
    EXPECT_EQ(loaded->GetColumnCount(), 5);
    EXPECT_EQ(loaded->GetColumnName(0), "Table");
    EXPECT_EQ(loaded->GetColumnName(4), "Current");
    EXPECT_EQ(loaded->GetText(',', -1), list.GetText(',', -1));
}

TEST(Serialization, EntryListRefusesANegativeColumnCount) {
    CEntryList list;
    CArchive out = CArchive::Storing();
    out << static_cast<std::uint32_t>(0);  // no objects
    out << static_cast<std::uint32_t>(0);  // list flags
    out << static_cast<std::int32_t>(-3);  // column count
    CArchive in = CArchive::Loading(out.Buffer());
    EXPECT_THROW(list.Serialize(in), CArchiveException);
    EXPECT_EQ(list.GetColumnCount(), 0);
}

TEST(Serialization, MapKeepsEveryKeyWithItsObject) {
    CMapIStringToOb map;
    map.AddPair("INSTALLDIR", "C:\\Program Files\\Example", "");
    map.AddPair("ProductName", "Example", "x");
    map["Nothing"];
    auto loaded = RoundTrip(map);
    EXPECT_EQ(loaded->GetCount(), 3);
    CObject* value = nullptr;
    ASSERT_TRUE(loaded->Lookup("installdir", value));
    EXPECT_EQ(static_cast<CDoubleString*>(value)->GetFieldText(0), "C:\\Program Files\\Example");
    ASSERT_TRUE(loaded->Lookup("NOTHING", value));
    EXPECT_EQ(value, nullptr);
}

TEST(Serialization, TruncatedArchiveThrowsAndLeaksNothing) {
    CEntryList list;
    list.AddEntry(new CDoubleString("a", "b"));
    list.AddEntry(new CDoubleString("c", "d"));
    CArchive out = CArchive::Storing();
    list.Serialize(out);
    const std::string bytes = out.Buffer().substr(0, out.Buffer().size() - 6);
    CEntryList loaded;
    CArchive in = CArchive::Loading(bytes);
    EXPECT_THROW(loaded.Serialize(in), CArchiveException);
}

}  // namespace
}  // namespace foundation
