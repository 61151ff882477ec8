// deltalens-cli over every real transform that has its base package in the
// shared fixtures: the tab-separated output must be exactly the rows the
// engine's _TransformView holds, in order, and neither file may change.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

#include "cli_test_support.h"
#include "deltalens_test_support.h"
#include "test_support.h"

namespace {

struct FixturePair {
    const char* transform;
    const char* package;
};

constexpr const char* kAlcor = "real/alcor-smartcard/AlcorSmartCardReaderDriver.msi";
constexpr const char* kPes = "real/pes2012/PES2012DEMO.msi";
constexpr const char* kAcro = "real/adobe-reader/AcroRead.msi";

const FixturePair kPairs[] = {
    {"real/alcor-smartcard/1028.mst", kAlcor},
    {"real/alcor-smartcard/1029.mst", kAlcor},
    {"real/alcor-smartcard/1031.mst", kAlcor},
    {"real/alcor-smartcard/1032.mst", kAlcor},
    {"real/alcor-smartcard/1033.mst", kAlcor},
    {"real/alcor-smartcard/1041.mst", kAlcor},
    {"real/alcor-smartcard/1042.mst", kAlcor},
    {"real/alcor-smartcard/1049.mst", kAlcor},
    {"real/alcor-smartcard/1054.mst", kAlcor},
    {"real/alcor-smartcard/1055.mst", kAlcor},
    {"real/alcor-smartcard/2052.mst", kAlcor},
    {"real/alcor-smartcard/4100.mst", kAlcor},
    {"real/pes2012/1025.mst", kPes},
    {"real/pes2012/1031.mst", kPes},
    {"real/pes2012/1033.mst", kPes},
    {"real/pes2012/1049.mst", kPes},
    {"real/adobe-reader/AcroRead-kw.mst", kAcro},
    {"real/adobe-reader/AcroRead-rcs.mst", kAcro},
};

// Names the pair in test listings by its transform; without it GoogleTest
// prints the raw bytes of the two pointers.
void PrintTo(const FixturePair& pair, std::ostream* out) {
    *out << pair.transform;
}

class CliFixturesTest : public testing::TestWithParam<FixturePair> {};

TEST_P(CliFixturesTest, TsvIsExactlyTheEnginesTransformView) {
    VSB_REQUIRE_FIXTURE(package, GetParam().package);
    VSB_REQUIRE_FIXTURE(transform, GetParam().transform);
    testing_support::TempDir scratch(false);
    testing_support::TempDir temp(true);
    const std::string package_before = testing_support::ReadFile(package);
    const std::string transform_before = testing_support::ReadFile(transform);

    const deltalens_test::ProcessResult result = deltalens_test::RunCliProcess(
        {"--format", "tsv", package.string(), transform.string()}, scratch.path());
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(result.err, "");

    deltalens_test::Rows printed;
    ASSERT_TRUE(deltalens_test::ParseTsv(result.out, printed));
    bool ok = false;
    deltalens_test::Rows expected =
        deltalens_test::EngineChanges(package.string(), transform.string(), ok);
    ASSERT_TRUE(ok) << "the engine cannot view " << transform;
    EXPECT_FALSE(expected.empty());
    expected.insert(expected.begin(), {"Table", "Column", "Row", "Data", "Current"});
    ASSERT_EQ(printed.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(printed[i], expected[i]) << "line " << i + 1;

    EXPECT_TRUE(testing_support::ReadFile(package) == package_before) << "package changed";
    EXPECT_TRUE(testing_support::ReadFile(transform) == transform_before) << "transform changed";
    EXPECT_TRUE(temp.Entries().empty());
}

std::string PairName(const testing::TestParamInfo<FixturePair>& info) {
    std::string name = info.param.transform;
    name = name.substr(name.find('/') + 1);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(RealTransforms, CliFixturesTest, testing::ValuesIn(kPairs), PairName);

}  // namespace
