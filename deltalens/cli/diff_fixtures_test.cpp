// deltalens-cli diff over every real transform that has its base package in
// the shared fixtures: the real transform is applied to a copy of the base,
// then `diff BASE COPY` must list what `deltalens-cli BASE TRANSFORM` lists,
// row for row and in the same order. The two can differ in principle (a
// real transform may set a cell to the value it has, or carry a change the
// applied copy no longer shows), but none of these eighteen does. A binary
// cell is the one expected difference: the listing names the stream, diff
// describes each side's bytes ("[7,168 bytes 70d6db44]").
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>

#include "cli_test_support.h"
#include "deltalens_test_support.h"
#include "msiquery.h"
#include "test_support.h"

namespace {

using deltalens_test::Rows;
using Row = std::vector<std::string>;

using deltalens_test::FixturePair;

std::string RowText(const Row& row) {
    std::string text;
    for (const std::string& cell : row) text += (text.empty() ? "" : " | ") + cell;
    return text;
}

Rows Listing(const std::vector<std::string>& arguments) {
    const deltalens_test::ProcessResult run = deltalens_test::RunCliInProcess(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    Rows rows;
    EXPECT_TRUE(deltalens_test::ParseTsv(run.out, rows));
    if (!rows.empty()) rows.erase(rows.begin());  // the header
    return rows;
}

// A row of a binary cell with its Data and Current as "<stream>" and "":
// the listing's stream name ("Table.key") and diff's byte descriptions both
// become that.
Row WithStreamsNamed(Row row) {
    static const std::regex kDescribed(R"(\[[0-9,]+ bytes [0-9a-f]{8}\])");
    std::string name = row[0] + "." + row[2];
    std::replace(name.begin(), name.end(), '\t', '.');
    if (row[3] == name || std::regex_match(row[3], kDescribed)) {
        row[3] = "<stream>";
        row[4] = "";
    }
    return row;
}

// Applies `transform` to a copy of `package` for real and commits the copy.
bool ApplyToCopy(const std::string& package, const std::string& transform,
                 const std::string& copy) {
    std::filesystem::copy_file(package, copy, std::filesystem::copy_options::overwrite_existing);
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, &database) != ERROR_SUCCESS)
        return false;
    const bool ok = MsiDatabaseApplyTransformA(database, transform.c_str(), 0) == ERROR_SUCCESS &&
                    MsiDatabaseCommit(database) == ERROR_SUCCESS;
    MsiCloseHandle(database);
    return ok;
}

class DiffFixturesTest : public testing::TestWithParam<FixturePair> {};

TEST_P(DiffFixturesTest, DiffOfBaseAndAppliedCopyListsTheTransformsRows) {
    VSB_REQUIRE_FIXTURE(package, GetParam().package);
    VSB_REQUIRE_FIXTURE(transform, GetParam().transform);
    testing_support::TempDir scratch(false);
    testing_support::TempDir temp(true);
    const std::string copy = (scratch.path() / "applied.msi").string();
    ASSERT_TRUE(ApplyToCopy(package.string(), transform.string(), copy));

    const Rows listed = Listing({"--format", "tsv", package.string(), transform.string()});
    const Rows diffed = Listing({"diff", "--format", "tsv", package.string(), copy});
    ASSERT_FALSE(listed.empty());
    std::multiset<Row> only_listed;
    for (const Row& row : listed) only_listed.insert(WithStreamsNamed(row));
    std::multiset<Row> only_diffed;
    for (const Row& diffed_row : diffed) {
        const Row row = WithStreamsNamed(diffed_row);
        auto found = only_listed.find(row);
        if (found != only_listed.end())
            only_listed.erase(found);
        else
            only_diffed.insert(row);
    }
    for (const Row& row : only_listed) ADD_FAILURE() << "only listed: " << RowText(row);
    for (const Row& row : only_diffed) ADD_FAILURE() << "only diffed: " << RowText(row);
    if (only_listed.empty() && only_diffed.empty()) {
        Rows named_listed, named_diffed;
        for (const Row& row : listed) named_listed.push_back(WithStreamsNamed(row));
        for (const Row& row : diffed) named_diffed.push_back(WithStreamsNamed(row));
        EXPECT_TRUE(named_listed == named_diffed) << "the same rows in another order";
    }
    EXPECT_TRUE(temp.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(RealTransforms, DiffFixturesTest,
                         testing::ValuesIn(deltalens_test::RealTransformPairs()),
                         deltalens_test::FixturePairName);

}  // namespace
