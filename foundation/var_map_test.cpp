#include "var_map.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/archive.h"
#include "delimited_name_map.h"
#include "double_string.h"
#include "path_style.h"

namespace {

std::string ValueOf(const CVarMap& map, const char* name, int field = 0) {
    CObject* object = nullptr;
    if (!map.Lookup(name, object)) return "<absent>";
    return static_cast<CEntry*>(object)->GetFieldText(field);
}

// name -> value and second text, for comparing whole maps.
std::map<std::string, std::string> Contents(const CVarMap& map) {
    std::map<std::string, std::string> contents;
    POSITION position = map.GetStartPosition();
    while (position != nullptr) {
        std::string name;
        CObject* object = nullptr;
        map.GetNextAssoc(position, name, object);
        auto* entry = static_cast<CEntry*>(object);
        contents[name] = entry->GetFieldText(0) + "|" + entry->GetFieldText(1);
    }
    return contents;
}

TEST(VarMapSetVariable, FolderValueLosesItsTrailingSeparator) {
    CVarMap map;
    {
        foundation::ScopedPathStyle windows(VSB_PATH_WINDOWS);
        EXPECT_TRUE(map.SetVariable("TEMP", "C:\\Temp\\", nullptr));
        EXPECT_TRUE(map.SetVariable("ROOT", "C:\\", nullptr));
    }
    EXPECT_EQ(ValueOf(map, "TEMP"), "C:\\Temp");
    EXPECT_EQ(ValueOf(map, "ROOT"), "C:\\");  // a drive root keeps its separator
    foundation::ScopedPathStyle native(VSB_PATH_NATIVE);
    EXPECT_TRUE(map.SetVariable("TMP", "/var/tmp/", nullptr));
    EXPECT_EQ(ValueOf(map, "TMP"), "/var/tmp");
}

TEST(VarMapSetVariable, RelativeValueKeepsItsTrailingSeparator) {
    foundation::ScopedPathStyle windows(VSB_PATH_WINDOWS);
    CVarMap map;
    map.SetVariable("SUB", "Setup\\", nullptr);
    EXPECT_EQ(ValueOf(map, "SUB"), "Setup\\");
}

TEST(VarMapSetVariable, WithoutOverwriteTheFirstValueStays) {
    CVarMap map;
    map.m_bOverwrite = false;
    EXPECT_TRUE(map.SetVariable("Name", "first", "one"));
    EXPECT_FALSE(map.SetVariable("NAME", "second", "two"));
    EXPECT_EQ(ValueOf(map, "name"), "first");
    EXPECT_EQ(ValueOf(map, "name", 1), "one");
    EXPECT_EQ(map.GetCount(), 1);
}

TEST(VarMapSetVariable, WithOverwriteTheNewValueReplacesTheOld) {
    CVarMap map;
    map.SetVariable("Name", "first", nullptr);
    EXPECT_TRUE(map.SetVariable("NAME", "second", "t2"));
    EXPECT_EQ(ValueOf(map, "name"), "second");
    EXPECT_EQ(ValueOf(map, "name", 1), "t2");
    EXPECT_EQ(map.GetCount(), 1);
}

TEST(VarMapSetVariable, NullNameIsRefused) {
    CVarMap map;
    EXPECT_FALSE(map.SetVariable(nullptr, "value", nullptr));
    EXPECT_TRUE(map.IsEmpty());
}

TEST(VarMapIntermediates, FirstStoresNothingSecondKeepsExistingNames) {
    CNamedColumnMap columns;
    EXPECT_FALSE(columns.SetVariable("a", "1", nullptr));
    EXPECT_TRUE(columns.IsEmpty());

    CDelimitedNameMap delimited;
    EXPECT_TRUE(delimited.SetVariable("a", "1", nullptr));
    EXPECT_FALSE(delimited.SetVariable("A", "2", nullptr));
    CObject* object = nullptr;
    ASSERT_TRUE(delimited.Lookup("a", object));
    EXPECT_EQ(static_cast<CEntry*>(object)->GetFieldText(0), "1");
}

TEST(VarMapColumns, FourEmptyNamesButNoColumnsAtFirst) {
    CVarMap map;
    EXPECT_EQ(map.GetColumnCount(), 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(map.GetColumnName(i), "");
    EXPECT_EQ(map.SetColumnName(4, "Current"), 5);
    EXPECT_EQ(map.GetColumnName(4), "Current");
    EXPECT_EQ(map.SetColumnName(1, std::string("Value")), 5);
    EXPECT_EQ(map.SetColumnName(-1, "x"), 0);
    EXPECT_EQ(map.GetColumnName(9), "");
}

TEST(VarMapFindEntry, FindsByColumnTextIgnoringCase) {
    CVarMap map;
    map.SetVariable("a", "Alpha", "first");
    map.SetVariable("b", "Beta", "second");
    CEntry* found = map.FindEntry("BETA", 0);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetFieldText(1), "second");
    EXPECT_EQ(map.FindEntry("FIRST", 1), map.FindEntry("alpha", 0));
    EXPECT_EQ(map.FindEntry("gamma", 0), nullptr);
}

TEST(VarMapRunTimeClass, IsCVarMapSchemaOneVersionable) {
    const CRuntimeClass* record = RUNTIME_CLASS(CVarMap);
    EXPECT_STREQ(record->m_lpszClassName, "CVarMap");
    EXPECT_EQ(record->m_wSchema, VERSIONABLE_SCHEMA | 1);
    CVarMap map;
    EXPECT_TRUE(map.IsKindOf(RUNTIME_CLASS(CMapIStringToOb)));
}

TEST(VarMapLookup, MapsUpperCaseNamesToValues) {
    CVarMap map;
    map.SetVariable("Temp", "/tmp", nullptr);
    map.SetVariable("home", "/home/user", nullptr);
    map.BuildLookup();
    const auto* lookup = map.GetLookup();
    ASSERT_NE(lookup, nullptr);
    EXPECT_EQ(lookup->size(), 2u);
    EXPECT_EQ(lookup->at("TEMP"), "/tmp");
    EXPECT_EQ(lookup->at("HOME"), "/home/user");
    ASSERT_NE(map.GetSortedList(), nullptr);
    EXPECT_TRUE(map.GetSortedList()->IsEmpty());
}

TEST(VarMapLookup, EmptyMapBuildsNoCaches) {
    CVarMap map;
    map.BuildLookup();
    EXPECT_EQ(map.GetLookup(), nullptr);
    EXPECT_EQ(map.GetSortedList(), nullptr);
}

TEST(VarMapLookup, DefiningAVariableDropsTheLookup) {
    CVarMap map;
    map.SetVariable("a", "1", nullptr);
    map.BuildLookup();
    map.SetVariable("b", "2", nullptr);
    EXPECT_EQ(map.GetLookup(), nullptr);
    map.BuildLookup();
    map.RemoveAll();
    EXPECT_EQ(map.GetLookup(), nullptr);
    EXPECT_EQ(map.GetSortedList(), nullptr);
}

TEST(SortedEntryList, LongerTextsComeFirstAndEqualLengthsKeepTheirOrder) {
    CSortedEntryList list;
    list.InsertByLength(new CDoubleString("TEMP"));
    list.InsertByLength(new CDoubleString("TEMPDIR"));
    list.InsertByLength(new CDoubleString("A"));
    list.InsertByLength(new CDoubleString("HOME"));
    list.InsertByLength(new CDoubleString("PROGRAMFILES"));
    std::vector<std::string> order;
    for (POSITION p = list.GetHeadPosition(); p != nullptr;)
        order.push_back(static_cast<CEntry*>(list.GetNext(p))->GetFieldText(0));
    EXPECT_EQ(order, (std::vector<std::string>{"PROGRAMFILES", "TEMPDIR", "TEMP", "HOME", "A"}));
}

TEST(VarMapText, StoresHeadingOneLinePerVariableAndAnEmptyLine) {
    CVarMap map;
    map.SetVariable("Name", "value", "note");
    CArchive ar = CArchive::Storing();
    map.SerializeText(ar);
    EXPECT_EQ(ar.Buffer(), "$Global_Vars\r\n%Name%\tvalue\tnote\r\n\r\n");
}

TEST(VarMapText, VariableMarkedHiddenIsNotWritten) {
    CVarMap map;
    map.SetVariable("Secret", "x", "internal_@mark");
    CArchive ar = CArchive::Storing();
    map.SerializeText(ar);
    EXPECT_EQ(ar.Buffer(), "$Global_Vars\r\n\r\n");
}

TEST(VarMapText, WrittenTextReadsBackAsTheSameVariables) {
    CVarMap map;
    map.SetVariable("TEMP", "/tmp", "");
    map.SetVariable("Product", "Tablesmith 1.0", "name shown");
    map.SetVariable("Empty", "", "no value");
    map.SetVariable("Utf8", "caf\xc3\xa9", "\xc3\xa9t\xc3\xa9");
    CArchive out = CArchive::Storing();
    map.SerializeText(out);

    CVarMap back;
    CArchive in = CArchive::Loading(out.Buffer());
    back.SerializeText(in);
    EXPECT_EQ(Contents(back), Contents(map));
}

TEST(VarMapText, LoadingStopsAtALineWithoutTwoTabs) {
    CArchive in = CArchive::Loading("%a%\t1\tx\r\n%b%\t2\r\n%c%\t3\tz\r\n");
    CVarMap map;
    map.SerializeText(in);
    EXPECT_EQ(map.GetCount(), 1);
    EXPECT_EQ(ValueOf(map, "a"), "1");
}

TEST(VarMapText, LoadingRemovesEveryPercentSignFromNames) {
    CArchive in = CArchive::Loading("%%we%ird%\tv\tt\r\n\r\n");
    CVarMap map;
    map.BuildLookup();
    map.SerializeText(in);
    EXPECT_EQ(ValueOf(map, "weird"), "v");
    EXPECT_EQ(map.GetLookup(), nullptr);
}

}  // namespace

namespace {

TEST(VarMapArchive, StoredMapLoadsBackByClassNameWithItsVariables) {
    CVarMap map;
    map.SetVariable("TEMP", "/tmp", "t");
    map.SetVariable("HOME", "/home/u", "");
    CArchive out = CArchive::Storing();
    out.WriteObject(&map);

    CArchive in = CArchive::Loading(out.Buffer());
    std::unique_ptr<CObject> loaded(in.ReadObject(RUNTIME_CLASS(CVarMap)));
    ASSERT_NE(loaded, nullptr);
    auto* back = dynamic_cast<CVarMap*>(loaded.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Contents(*back), Contents(map));
}

}  // namespace
