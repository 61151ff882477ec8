// The summary's code page in a text archive: the stream holds it as a signed
// 16-bit number, the archive as the code page it is (65001), and import
// takes that form, the signed one, and nothing beyond 16 bits.
#include "idt/summary_archive.h"

#include <gtest/gtest.h>

#include "idt/text_source.h"

namespace msi::idt {
namespace {

const std::string kHead = "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n";

Result<format::SummaryPropertySet> Read(const std::string& rows) {
    StringTextSource source("_SummaryInformation.idt", kHead + rows);
    std::string line;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(source.ReadLine(line).ok());
    return ReadSummaryRows(source);
}

TEST(SummaryArchiveCodePage, WrittenAsTheCodePageItIs) {
    for (uint32_t code_page : {0u, 1252u, 32767u, 32768u, 65001u, 65535u}) {
        format::SummaryPropertySet set;
        set.properties[format::kPidCodepage] =
            static_cast<int16_t>(static_cast<uint16_t>(code_page));
        EXPECT_EQ(FormatSummaryArchive(set), kHead + "1\t" + std::to_string(code_page) + "\r\n");
    }
}

TEST(SummaryArchiveCodePage, ReadInEitherFormAndNothingBeyondSixteenBits) {
    for (const char* text : {"65001", "-535"}) {
        auto set = Read(std::string("1\t") + text + "\r\n");
        ASSERT_TRUE(set.ok()) << text << ": " << set.status().ToString();
        EXPECT_EQ(std::get<int16_t>(set->properties.at(format::kPidCodepage)), int16_t(-535));
    }
    EXPECT_FALSE(Read("1\t65536\r\n").ok());
    EXPECT_FALSE(Read("1\t-32769\r\n").ok());
}

TEST(SummaryArchiveCodePage, ExportedFormReadsBack) {
    format::SummaryPropertySet set;
    set.properties[format::kPidCodepage] = int16_t(-535);
    const std::string text = FormatSummaryArchive(set);
    auto read = Read(text.substr(kHead.size()));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read->properties, set.properties);
}

}  // namespace
}  // namespace msi::idt
