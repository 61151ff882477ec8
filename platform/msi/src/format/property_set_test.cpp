#include "format/property_set.h"

#include <gtest/gtest.h>

#include <vector>

#include "format/byte_order.h"

namespace msi::format {
namespace {

SummaryPropertySet SampleSet() {
    SummaryPropertySet set;
    set.properties[kPidCodepage] = int16_t(1252);
    set.properties[kPidTitle] = std::string("Installation Database");
    set.properties[kPidTemplate] = std::string("Intel;1033");
    set.properties[kPidRevisionNumber] = std::string("{12345678-1234-1234-1234-123456789ABC}");
    set.properties[kPidCreateTime] = FileTime{0x01D2345678901234};
    set.properties[kPidPageCount] = int32_t(200);
    set.properties[kPidWordCount] = int32_t(2);
    set.properties[kPidComments] = std::string();
    return set;
}

SummaryPropertySet MustDecode(const std::vector<uint8_t>& bytes) {
    Result<SummaryPropertySet> set = SummaryPropertySet::Decode(bytes);
    EXPECT_TRUE(set.ok()) << set.status().ToString();
    return set.ok() ? std::move(set).value() : SummaryPropertySet();
}

TEST(PropertySetTest, EncodesHeaderSectionAndPaddedValuesInIdOrder) {
    const std::vector<uint8_t> bytes = SampleSet().Encode();
    ASSERT_GE(bytes.size(), 56u);
    EXPECT_EQ(LoadU16(bytes.data()), 0xFFFE);
    EXPECT_EQ(LoadU16(bytes.data() + 2), 0);
    EXPECT_EQ(LoadU32(bytes.data() + 4), SummaryPropertySet::kOsVersion);
    EXPECT_EQ(LoadU32(bytes.data() + 24), 1u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 28, bytes.begin() + 44),
              (std::vector<uint8_t>{0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10, 0xAB, 0x91,
                                    0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}));
    EXPECT_EQ(LoadU32(bytes.data() + 44), 48u);
    EXPECT_EQ(LoadU32(bytes.data() + 48), bytes.size() - 48);
    const uint32_t count = LoadU32(bytes.data() + 52);
    ASSERT_EQ(count, 8u);
    uint32_t previous_pid = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t pid = LoadU32(bytes.data() + 56 + 8 * i);
        const uint32_t offset = LoadU32(bytes.data() + 60 + 8 * i);
        EXPECT_GT(pid, previous_pid);
        EXPECT_EQ(offset % 4, 0u) << "pid " << pid;
        previous_pid = pid;
    }
    EXPECT_EQ(bytes.size() % 4, 0u);
    // The first value (code page, VT_I2 + pad) follows the 8-entry table.
    const size_t first = 48 + 8 + 8 * 8;
    EXPECT_EQ(LoadU32(bytes.data() + first), uint32_t(kVtI2));
    EXPECT_EQ(LoadU16(bytes.data() + first + 4), 1252);
    // Title: count 22 including the NUL, 21 characters, padded to 24.
    EXPECT_EQ(LoadU32(bytes.data() + first + 8), uint32_t(kVtLpstr));
    EXPECT_EQ(LoadU32(bytes.data() + first + 12), 22u);
    EXPECT_EQ(LoadU32(bytes.data() + first + 16 + 24), uint32_t(kVtLpstr));  // Comments
    EXPECT_EQ(LoadU32(bytes.data() + first + 16 + 24 + 4), 1u);  // empty string: count 1 + NUL
}

TEST(PropertySetTest, RoundTripKeepsEveryValue) {
    const SummaryPropertySet set = SampleSet();
    EXPECT_EQ(MustDecode(set.Encode()).properties, set.properties);
}

TEST(PropertySetTest, EmptyValuesAreNotWritten) {
    SummaryPropertySet set;
    set.properties[kPidTitle] = std::monostate();
    set.properties[kPidSubject] = std::string("x");
    const std::vector<uint8_t> bytes = set.Encode();
    EXPECT_EQ(LoadU32(bytes.data() + 52), 1u);
    const SummaryPropertySet back = MustDecode(bytes);
    EXPECT_EQ(back.properties.size(), 1u);
    EXPECT_EQ(std::get<std::string>(back.properties.at(kPidSubject)), "x");
}

// A hand-made stream with properties out of id order, a skipped dictionary
// and a value of a type the installer does not use.
std::vector<uint8_t> HandMadeStream() {
    SummaryPropertySet empty;
    std::vector<uint8_t> out = empty.Encode();  // header and an empty section
    out.resize(48);
    const std::vector<std::pair<uint32_t, std::vector<uint8_t>>> values = {
        {16, {3, 0, 0, 0, 7, 0, 0, 0}},                  // I4 7
        {0, {1, 0, 0, 0, 0, 0, 0, 0}},                   // dictionary: not read
        {2, {30, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 0, 0}},  // "ab"
        {17, {71, 0, 0, 0, 0, 0, 0, 0}},                 // VT_CF: skipped
    };
    std::vector<uint8_t> section;
    AppendU32(section, 0);
    AppendU32(section, uint32_t(values.size()));
    size_t value_offset = 8 + 8 * values.size();
    for (const auto& [pid, bytes] : values) {
        AppendU32(section, pid);
        AppendU32(section, uint32_t(value_offset));
        value_offset += bytes.size();
    }
    for (const auto& [pid, bytes] : values)
        section.insert(section.end(), bytes.begin(), bytes.end());
    StoreU32(section.data(), uint32_t(section.size()));
    out.insert(out.end(), section.begin(), section.end());
    return out;
}

TEST(PropertySetTest, ReadsThroughTheOffsetTableAndSkipsWhatItDoesNotCarry) {
    const SummaryPropertySet set = MustDecode(HandMadeStream());
    ASSERT_EQ(set.properties.size(), 2u);
    EXPECT_EQ(std::get<int32_t>(set.properties.at(16)), 7);
    EXPECT_EQ(std::get<std::string>(set.properties.at(2)), "ab");
}

TEST(PropertySetTest, BadHeadersAreCorrupt) {
    std::vector<uint8_t> bytes = SampleSet().Encode();
    auto expect_corrupt = [](const std::vector<uint8_t>& b, const char* what) {
        Result<SummaryPropertySet> set = SummaryPropertySet::Decode(b);
        ASSERT_FALSE(set.ok()) << what;
        EXPECT_EQ(set.status().kind(), Status::Kind::kCorrupt) << what;
        EXPECT_FALSE(set.status().message().empty());
    };
    expect_corrupt(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 20), "short header");
    std::vector<uint8_t> b = bytes;
    b[0] = 0xFF;
    expect_corrupt(b, "byte order");
    b = bytes;
    b[28] ^= 1;
    expect_corrupt(b, "foreign FMTID");
    b = bytes;
    StoreU32(b.data() + 44, uint32_t(bytes.size()));
    expect_corrupt(b, "section offset at the end");
    b = bytes;
    StoreU32(b.data() + 48, uint32_t(bytes.size()));
    expect_corrupt(b, "section size past the end");
    b = bytes;
    StoreU32(b.data() + 52, 0x10000000);
    expect_corrupt(b, "property count");
    b = bytes;
    StoreU32(b.data() + 60, 0xFFFFFFF0);
    expect_corrupt(b, "value offset");
    b = bytes;
    StoreU32(b.data() + 24, 0x20000000);
    expect_corrupt(b, "section count");
}

TEST(PropertySetTest, StringCountPastTheSectionIsCorrupt) {
    std::vector<uint8_t> bytes = SampleSet().Encode();
    const size_t title_count = 48 + 8 + 8 * 8 + 8 + 4;
    StoreU32(bytes.data() + title_count, 100000);
    Result<SummaryPropertySet> set = SummaryPropertySet::Decode(bytes);
    ASSERT_FALSE(set.ok());
    EXPECT_NE(set.status().message().find("property 2"), std::string::npos);
}

}  // namespace
}  // namespace msi::format
