#include "storage/directory_entry.h"

#include <gtest/gtest.h>

#include <vector>

#include "ascii_case.h"
#include "storage/entry_name.h"

namespace msi::storage {
namespace {

DirectoryEntry SampleStream() {
    DirectoryEntry e;
    e.name = u"\x4840\x3F7F\x4164";
    e.type = EntryType::kStream;
    e.color = EntryColor::kRed;
    e.left = 3;
    e.right = 4;
    e.start_sector = 17;
    e.size = 12345;
    e.creation_time = 0x0102030405060708;
    e.state_bits = 0xAABBCCDD;
    e.clsid = kTransformClsid;
    return e;
}

std::vector<uint8_t> Encode(const DirectoryEntry& e) {
    std::vector<uint8_t> bytes(kDirectoryEntrySize);
    e.EncodeTo(bytes);
    return bytes;
}

TEST(DirectoryEntryTest, EncodedEntryDecodesToTheSameFields) {
    const DirectoryEntry e = SampleStream();
    auto decoded = DirectoryEntry::Decode(Encode(e), 4);
    ASSERT_TRUE(decoded.ok()) << decoded.status().ToString();
    EXPECT_EQ(decoded->name, e.name);
    EXPECT_EQ(decoded->type, EntryType::kStream);
    EXPECT_EQ(decoded->color, EntryColor::kRed);
    EXPECT_EQ(decoded->left, 3u);
    EXPECT_EQ(decoded->right, 4u);
    EXPECT_EQ(decoded->child, kNoStream);
    EXPECT_EQ(decoded->start_sector, 17u);
    EXPECT_EQ(decoded->size, 12345u);
    EXPECT_EQ(decoded->creation_time, 0x0102030405060708u);
    EXPECT_EQ(decoded->state_bits, 0xAABBCCDDu);
    EXPECT_EQ(decoded->clsid, kTransformClsid);
}

TEST(DirectoryEntryTest, NameLengthCountsBytesWithTheTerminator) {
    const auto bytes = Encode(SampleStream());
    EXPECT_EQ(bytes[64], 8);  // three units and the NUL
    EXPECT_EQ(bytes[66], 2);  // stream
}

TEST(DirectoryEntryTest, VersionThreeIgnoresTheHighHalfOfTheSize) {
    auto bytes = Encode(SampleStream());
    bytes[124] = 0x77;  // first byte of the size's high half
    auto v3 = DirectoryEntry::Decode(bytes, 3);
    auto v4 = DirectoryEntry::Decode(bytes, 4);
    ASSERT_TRUE(v3.ok() && v4.ok());
    EXPECT_EQ(v3->size, 12345u);
    EXPECT_EQ(v4->size, 12345u + (uint64_t(0x77) << 32));
}

TEST(DirectoryEntryTest, NameWithoutTerminatorIsReportedCorrupt) {
    auto bytes = Encode(SampleStream());
    bytes[6] = 0x41;  // the NUL after three units
    auto decoded = DirectoryEntry::Decode(bytes, 3);
    ASSERT_FALSE(decoded.ok());
    EXPECT_NE(decoded.status().message().find("not NUL-terminated"), std::string::npos);
}

TEST(DirectoryEntryTest, ImpossibleNameLengthsAreReportedCorrupt) {
    for (uint8_t length : {0, 7, 66, 200}) {
        auto bytes = Encode(SampleStream());
        bytes[64] = length;
        auto decoded = DirectoryEntry::Decode(bytes, 3);
        ASSERT_FALSE(decoded.ok()) << int(length);
        EXPECT_NE(decoded.status().message().find("name length"), std::string::npos);
    }
}

TEST(DirectoryEntryTest, NulInsideTheNameIsReportedCorrupt) {
    auto bytes = Encode(SampleStream());
    bytes[2] = bytes[3] = 0;
    EXPECT_FALSE(DirectoryEntry::Decode(bytes, 3).ok());
}

TEST(DirectoryEntryTest, UnknownTypeIsReportedButUnusedSlotsAreNotExamined) {
    auto bytes = Encode(SampleStream());
    bytes[66] = 3;
    EXPECT_FALSE(DirectoryEntry::Decode(bytes, 3).ok());
    bytes[66] = 0;
    bytes[64] = 99;  // garbage in an unused slot
    auto unused = DirectoryEntry::Decode(bytes, 3);
    ASSERT_TRUE(unused.ok());
    EXPECT_EQ(unused->type, EntryType::kUnused);
    EXPECT_TRUE(unused->name.empty());
}

TEST(DirectoryEntryTest, ShortInputIsReportedCorrupt) {
    std::vector<uint8_t> bytes(kDirectoryEntrySize - 1);
    EXPECT_FALSE(DirectoryEntry::Decode(bytes, 3).ok());
}

TEST(EntryNameTest, ShorterNamesSortFirstThenUpperCasedUnits) {
    EXPECT_LT(CompareEntryNames(u"zz", u"aaa"), 0);
    EXPECT_LT(CompareEntryNames(u"abc", u"ABD"), 0);
    EXPECT_EQ(CompareEntryNames(u"Binary", u"BINARY"), 0);
    EXPECT_EQ(CompareEntryNames(u"\u00e9t\u00e9", u"\u00c9T\u00c9"), 0);
    EXPECT_GT(CompareEntryNames(u"\x4840", u"\x3800"), 0);
    EXPECT_EQ(SimpleUpperCase(u'\u03b1'), u'\u0391');
    EXPECT_EQ(SimpleUpperCase(u'\x4840'), u'\x4840');
}

TEST(EntryNameTest, AsciiNamesEqualByTheCaseRule) {
    EXPECT_EQ(testing_support::FirstCaseRuleBreak([](char a, char b) {
                  const std::u16string left(1, char16_t(a)), right(1, char16_t(b));
                  return CompareEntryNames(left, right) == 0;
              }),
              "");
}

TEST(EntryNameTest, IllegalNamesAreRefused) {
    EXPECT_TRUE(CheckEntryName(u"\x4840\x3F7F").ok());
    EXPECT_TRUE(CheckEntryName(std::u16string(31, u'a')).ok());
    EXPECT_FALSE(CheckEntryName(std::u16string(32, u'a')).ok());
    EXPECT_FALSE(CheckEntryName(u"").ok());
    for (const char16_t* bad : {u"a/b", u"a\\b", u"a:b", u"a!b"}) {
        EXPECT_FALSE(CheckEntryName(bad).ok());
    }
}

TEST(EntryNameTest, MessagesEscapeUnitsThatAreNotPrintable) {
    EXPECT_EQ(NameForMessage(u"\x0005Summary\x4840"), "\\u0005Summary\\u4840");
}

}  // namespace
}  // namespace msi::storage
