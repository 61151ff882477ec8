#include "map_istring_to_ob.h"

#include <gtest/gtest.h>

#include <set>

#include "counting_entry_test_support.h"
#include "path_test_support.h"
#include "test_support.h"

namespace foundation {
namespace {

TEST(MapHashKey, FollowsTheRuleByteByByte) {
    CMapIStringToOb map;
    EXPECT_EQ(map.HashKey(""), 0u);
    EXPECT_EQ(map.HashKey("a"), 65u);               // 'A'
    EXPECT_EQ(map.HashKey("Ab"), 65u * 33u + 66u);  // 2211
    EXPECT_EQ(map.HashKey("aB"), 2211u);            // letters fold to upper case
    EXPECT_EQ(map.HashKey("_"), 95u);               // not a letter: unchanged
}

TEST(MapHashKey, HighBytesCountAsNegative) {
    CMapIStringToOb map;
    // 0xE9 is -23 as a signed byte: 0 * 33 - 23, wrapped to 32 bits.
    EXPECT_EQ(map.HashKey("\xE9"), 4294967273u);
    // 65 * 33 - 23 = 2122.
    EXPECT_EQ(map.HashKey("a\xE9"), 2122u);
    // 0x95 is -107: -107 * 33 + 0x5C = -3439, wrapped.
    EXPECT_EQ(map.HashKey("\x95\x5C"), 4294963857u);
}

TEST(MapHashKey, WrapsAroundInThirtyTwoBits) {
    CMapIStringToOb map;
    EXPECT_EQ(map.HashKey("ProductName"), 3719973058u);
    EXPECT_EQ(map.HashKey("PRODUCTNAME"), 3719973058u);
}

TEST(MapHashKey, NullKeyIsReportedAndHashesAsZero) {
    testing_support::TraceCapture trace;
    CMapIStringToOb map;
    testing::internal::CaptureStdout();
    EXPECT_EQ(map.HashKey(nullptr), 0u);
    const std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_NE(trace.Text().find("ListClasses"), std::string::npos) << trace.Text();
    EXPECT_NE(shown.find("Call to HashKey with NULL ptr"), std::string::npos) << shown;
}

TEST(MapLookup, KeyInCapitalsFindsTheMixedCaseEntry) {
    CMapIStringToOb map;
    auto* value = new CDoubleString("x");
    map["ProductName"] = value;
    CObject* found = nullptr;
    EXPECT_TRUE(map.Lookup("PRODUCTNAME", found));
    EXPECT_EQ(found, value);
    EXPECT_EQ(map["productname"], value);
    EXPECT_EQ(map.GetCount(), 1);
}

TEST(MapLookup, HighBytesAreComparedAsTheCodePageSays) {
    CMapIStringToOb map;
    map["caf\xC3\xA9"] = new CDoubleString("lower");
    CObject* found = nullptr;
    // É and é are different characters: only ASCII letters fold.
    EXPECT_FALSE(map.Lookup("CAF\xC3\x89", found));
    EXPECT_TRUE(map.Lookup("CAF\xC3\xA9", found));
}

TEST(MapLookup, DoubleByteKeysDifferingInTheirSecondByteAreDistinct) {
    ScopedCodePage932 cp;
    CMapIStringToOb map;
    // Full-width A (82 60) and full-width a (82 81) are different characters.
    map["\x82\x60"] = new CDoubleString("upper");
    CObject* found = nullptr;
    EXPECT_FALSE(map.Lookup("\x82\x81", found));
    EXPECT_TRUE(map.Lookup("\x82\x60", found));
}

TEST(MapLookup, EmptyMapFindsNothing) {
    CMapIStringToOb map;
    CObject* found = nullptr;
    EXPECT_FALSE(map.Lookup("x", found));
    EXPECT_FALSE(map.RemoveKey("x"));
    EXPECT_FALSE(map.IsHashTableAllocated());
}

TEST(MapLookup, NullKeyIsNeverFound) {
    CMapIStringToOb map;
    map[""] = new CDoubleString("empty key");
    CObject* found = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(map.Lookup(nullptr, found));
    EXPECT_FALSE(map.RemoveKey(nullptr));
    EXPECT_FALSE(map.AddPair(nullptr, "a", "b"));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(map.GetCount(), 1);
}

TEST(MapRemove, RemovingTheLastKeyFreesTheTableAndTheNextInsertMakesItAgain) {
    CMapIStringToOb map;
    map.InitHashTable(31, false);
    EXPECT_FALSE(map.IsHashTableAllocated());
    map["a"] = new CDoubleString;
    EXPECT_TRUE(map.IsHashTableAllocated());
    EXPECT_TRUE(map.RemoveKey("A"));
    EXPECT_FALSE(map.IsHashTableAllocated());
    EXPECT_EQ(map.GetCount(), 0);
    map["b"] = new CDoubleString;
    EXPECT_TRUE(map.IsHashTableAllocated());
    EXPECT_EQ(map.GetHashTableSize(), 31u);
}

TEST(MapRemove, RemoveKeyDeletesTheValueEvenWhenNotOwning) {
    int deletions = 0;
    CMapIStringToOb map;
    map.m_bOwnsObjects = false;
    map["gone"] = new CountingEntry(&deletions);
    CountingEntry kept(&deletions);
    map["kept"] = &kept;
    EXPECT_TRUE(map.RemoveKey("GONE"));
    EXPECT_EQ(deletions, 1);
    map.RemoveAll();
    EXPECT_EQ(deletions, 1);
    EXPECT_EQ(map.GetCount(), 0);
}

TEST(MapRemove, OwningMapDeletesEveryValueOnceAtTheEnd) {
    int deletions = 0;
    {
        CMapIStringToOb map;
        auto* shared = new CountingEntry(&deletions);
        map["one"] = shared;
        map["two"] = shared;
        map["three"] = new CountingEntry(&deletions);
        map["empty"];
    }
    EXPECT_EQ(deletions, 2);
}

TEST(MapRemove, RemoveKeyKeepsAValueThatAnotherKeyStillHolds) {
    int deletions = 0;
    {
        CMapIStringToOb map;
        auto* shared = new CountingEntry(&deletions);
        map["one"] = shared;
        map["two"] = shared;
        EXPECT_TRUE(map.RemoveKey("one"));
        EXPECT_EQ(deletions, 0);
        CObject* found = nullptr;
        EXPECT_TRUE(map.Lookup("two", found));
        EXPECT_EQ(found, shared);
    }
    EXPECT_EQ(deletions, 1);
}

TEST(MapIteration, VisitsEveryKeyOnce) {
    CMapIStringToOb map;
    map.InitHashTable(3);  // few buckets: chains of several records
    std::set<std::string> expected;
    for (int i = 0; i < 25; ++i) {
        const std::string key = "key" + std::to_string(i);
        map[key] = new CDoubleString(key.c_str());
        expected.insert(key);
    }
    std::set<std::string> seen;
    for (POSITION position = map.GetStartPosition(); position != nullptr;) {
        std::string key;
        CObject* value = nullptr;
        map.GetNextAssoc(position, key, value);
        EXPECT_TRUE(seen.insert(key).second) << key;
        EXPECT_EQ(static_cast<CDoubleString*>(value)->GetFieldText(0), key);
    }
    EXPECT_EQ(seen, expected);
}

TEST(MapIteration, EmptyMapHasNoStartPosition) {
    CMapIStringToOb map;
    EXPECT_EQ(map.GetStartPosition(), nullptr);
}

TEST(MapInitHashTable, KeysSurviveANewTableSize) {
    CMapIStringToOb map;
    for (int i = 0; i < 40; ++i) map["k" + std::to_string(i)] = new CDoubleString;
    map.InitHashTable(7, false);
    EXPECT_EQ(map.GetHashTableSize(), 7u);
    EXPECT_EQ(map.GetCount(), 40);
    CObject* found = nullptr;
    for (int i = 0; i < 40; ++i) EXPECT_TRUE(map.Lookup(("K" + std::to_string(i)).c_str(), found));
    map.InitHashTable(0);
    EXPECT_EQ(map.GetHashTableSize(), 7u);
}

TEST(MapAddPair, StoresADoubleStringOnlyUnderANewKey) {
    CMapIStringToOb map;
    EXPECT_TRUE(map.AddPair("INSTALLDIR", "C:\\Program Files", "default"));
    EXPECT_FALSE(map.AddPair("installdir", "other", "other"));
    CObject* found = nullptr;
    ASSERT_TRUE(map.Lookup("InstallDir", found));
    auto* pair = static_cast<CDoubleString*>(found);
    EXPECT_EQ(pair->GetFieldText(0), "C:\\Program Files");
    EXPECT_EQ(pair->GetFieldText(1), "default");
    EXPECT_EQ(pair->GetData(), 0u);
}

TEST(MapBlocks, ManyInsertsAndRemovalsKeepTheCountRight) {
    CMapIStringToOb map(4);
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 30; ++i) map["k" + std::to_string(i)] = new CDoubleString;
        for (int i = 0; i < 30; i += 2)
            EXPECT_TRUE(map.RemoveKey(("k" + std::to_string(i)).c_str()));
        EXPECT_EQ(map.GetCount(), 15);
        for (int i = 1; i < 30; i += 2)
            EXPECT_TRUE(map.RemoveKey(("k" + std::to_string(i)).c_str()));
        EXPECT_EQ(map.GetCount(), 0);
    }
}

}  // namespace
}  // namespace foundation
