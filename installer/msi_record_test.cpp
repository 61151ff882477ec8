#include "msi_record.h"

#include "installer_test_support.h"
#include "msi_engine.h"
#include "msiquery.h"

namespace {

using installer_test::ErrorLine;
using installer_test::InstallerTest;

class RecordTest : public InstallerTest {};

TEST_F(RecordTest, CreateReplacesThePreviousRecord) {
    CMsiRecord record;
    ASSERT_TRUE(record.Create(2));
    EXPECT_EQ(2u, record.GetFieldCount());
    ASSERT_TRUE(record.Create(5));
    EXPECT_EQ(5u, record.GetFieldCount());
    EXPECT_EQ(1u, msi::OpenHandleCount());
}

TEST_F(RecordTest, CreateOfTooManyFieldsFails) {
    CMsiRecord record;
    EXPECT_FALSE(record.Create(70000));
    EXPECT_EQ(0u, record.GetHandle());
}

TEST_F(RecordTest, FieldsCountFromZero) {
    CMsiRecord record;
    ASSERT_TRUE(record.Create(2));
    ASSERT_TRUE(record.SetInteger(0, 42));
    ASSERT_TRUE(record.SetString(1, "text"));
    EXPECT_EQ(42, MsiRecordGetInteger(record.GetHandle(), 1));
    std::string text;
    EXPECT_TRUE(record.GetString(1, text));
    EXPECT_EQ("text", text);
}

TEST_F(RecordTest, NullIntegerReadsAsFalseWithTheNullValue) {
    CMsiRecord record;
    ASSERT_TRUE(record.Create(1));
    std::int32_t value = 7;
    EXPECT_FALSE(record.GetInteger(0, value));
    EXPECT_EQ(static_cast<std::int32_t>(MSI_NULL_INTEGER), value);
}

TEST_F(RecordTest, LongStringsAreReadWhole) {
    for (std::size_t length : {254u, 255u, 256u, 300u, 70000u}) {
        CMsiRecord record;
        ASSERT_TRUE(record.Create(1));
        const std::string text(length, 'q');
        ASSERT_TRUE(record.SetString(0, text));
        std::string read;
        EXPECT_TRUE(record.GetString(0, read)) << length;
        EXPECT_EQ(text, read) << length;
    }
}

TEST_F(RecordTest, EmptyStreamGivesACountOfZeroAndABuffer) {
    const auto empty_file = temp_.path() / "empty.bin";
    testing_support::WriteFile(empty_file, "");
    CMsiRecord record;
    ASSERT_TRUE(record.Create(1));
    ASSERT_TRUE(record.SetStream(0, empty_file.string()));
    CMsiBinaryValue value;
    EXPECT_TRUE(record.ReadStream(0, value));
    EXPECT_EQ(0u, value.GetCount());
    EXPECT_NE(nullptr, value.GetData());
    record.Release();
    std::filesystem::remove(empty_file);
}

TEST_F(RecordTest, StreamIsReadWhole) {
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i % 256);
    const auto file = temp_.path() / "data.bin";
    testing_support::WriteFile(file, bytes);
    CMsiRecord record;
    ASSERT_TRUE(record.Create(1));
    ASSERT_TRUE(record.SetStream(0, file.string()));
    CMsiBinaryValue value;
    ASSERT_TRUE(record.ReadStream(0, value));
    EXPECT_EQ(bytes, std::string(value.GetData(), value.GetCount()));
    record.Release();
    std::filesystem::remove(file);
}

TEST_F(RecordTest, SetStreamOfAMissingFileIsReported) {
    CMsiRecord record;
    ASSERT_TRUE(record.Create(1));
    EXPECT_FALSE(record.SetStream(0, (temp_.path() / "missing.bin").string()));
    EXPECT_EQ(std::vector<std::string>{ErrorLine(460)}, trace_.Lines());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(RecordTest, GettersOnARecordWithoutHandleFailQuietly) {
    CMsiRecord record;
    std::string text = "old";
    EXPECT_FALSE(record.GetString(0, text));
    EXPECT_EQ("", text);
    EXPECT_EQ(0u, record.GetFieldCount());
    EXPECT_FALSE(record.SetInteger(0, 1));
    EXPECT_TRUE(trace_.Lines().empty());
}

TEST(BinaryValueTest, CopiesOwnTheirBytes) {
    CMsiBinaryValue value;
    value.Assign("abc", 3);
    CMsiBinaryValue copy = value;
    value.GetData()[0] = 'z';
    EXPECT_EQ("abc", std::string(copy.GetData(), copy.GetCount()));
    EXPECT_EQ('\0', copy.GetData()[3]);
}

}  // namespace
