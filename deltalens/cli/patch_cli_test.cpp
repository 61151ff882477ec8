// deltalens-cli over patches and chains of transforms: a patch lists the
// pairs that fit the package (NAME, then #NAME, against what NAME left) and
// refuses a package none fits, saying what each pair expects; several
// transforms are listed in order, each against what the ones before left.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli_main.h"
#include "cli_test_support.h"
#include "msiquery.h"
#include "sample_packages.h"
#include "test_support.h"

namespace {

using deltalens_test::Rows;

constexpr const char* kCodeA = "{AAAAAAAA-0000-0000-0000-000000000001}";
constexpr const char* kCodeB = "{BBBBBBBB-0000-0000-0000-000000000002}";

class PatchCliTest : public testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(MsiCloseAllHandles(), 0u); }

    std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }

    int Run(const std::vector<std::string>& arguments) {
        std::ostringstream out, err;
        const int status = deltalens::RunCommandLine(arguments, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    // The tsv listing of a run that succeeds.
    Rows List(const std::vector<std::string>& arguments) {
        std::vector<std::string> with_format = {"--format", "tsv"};
        with_format.insert(with_format.end(), arguments.begin(), arguments.end());
        Rows rows;
        EXPECT_EQ(Run(with_format), 0) << err_;
        EXPECT_TRUE(deltalens_test::ParseTsv(out_, rows));
        return rows;
    }

    // A package of product `code` with a Property X = 1.
    std::string MakeProduct(const std::string& name, const std::string& code) {
        auto statements = deltalens::ProductProperties(code, name);
        statements.push_back("INSERT INTO `Property` (`Property`, `Value`) VALUES ('X', '1')");
        const std::string path = Path(name + ".msi");
        EXPECT_EQ(deltalens::CreatePackage(path, statements), ERROR_SUCCESS);
        return path;
    }

    // The transform from `base` to a copy changed by `statements`, validating
    // the product code when `validate`; the changed copy is `name`.msi.
    std::string MakeStep(const std::string& base, const std::string& name,
                         const std::vector<std::string>& statements, bool validate) {
        const std::string changed = Path(name + ".msi"), transform = Path(name + ".mst");
        EXPECT_EQ(deltalens::MakeChangedCopy(base, changed, statements), ERROR_SUCCESS);
        EXPECT_EQ(
            Run({"make-transform", "--validation", validate ? "2" : "0", base, changed, transform}),
            0)
            << err_;
        return transform;
    }

    std::string MakePatch(const std::string& name, const std::string& targets,
                          const std::string& listed,
                          const std::vector<std::pair<std::string, std::string>>& storages) {
        const std::string patch = Path(name + ".msp");
        EXPECT_EQ(deltalens::MakePatch(patch, targets, listed, storages), ERROR_SUCCESS);
        return patch;
    }

    // The rows of `listing` (header dropped) whose Transform is `unit`, without that column.
    static Rows RowsOf(const Rows& listing, const std::string& unit) {
        Rows rows;
        for (std::size_t i = 1; i < listing.size(); ++i)
            if (listing[i].front() == unit)
                rows.emplace_back(listing[i].begin() + 1, listing[i].end());
        return rows;
    }

    testing_support::TempDir dir_{false};
    std::string out_, err_;
};

TEST_F(PatchCliTest, AMadePatchListsThePairThatFitsEachTarget) {
    const std::string a = MakeProduct("a", kCodeA), b = MakeProduct("b", kCodeB);
    // Each pair: NAME sets X to 2 (validating the product), #NAME, made from
    // what NAME leaves, sets X to 3, so its Current shows NAME applied first.
    const std::string set = "UPDATE `Property` SET `Value` = '2' WHERE `Property` = 'X'";
    const std::string again = "UPDATE `Property` SET `Value` = '3' WHERE `Property` = 'X'";
    const std::string ta = MakeStep(a, "a2", {set}, true),
                      ca = MakeStep(Path("a2.msi"), "a3", {again}, false);
    const std::string tb = MakeStep(b, "b2", {set}, true),
                      cb = MakeStep(Path("b2.msi"), "b3", {again}, false);
    const std::string patch =
        MakePatch("two", std::string(kCodeA) + ";" + kCodeB, ":PA;:#PA;:PB;:#PB",
                  {{"PA", ta}, {"#PA", ca}, {"PB", tb}, {"#PB", cb}});
    const Rows expected = {{"Property", "Value", "X", "2", "1"},
                           {"Property", "Value", "X", "3", "2"}};
    struct Case {
        std::string package;
        const char* fits;
        const char* other;
    };
    for (const Case& c : {Case{a, "PA", "PB"}, Case{b, "PB", "PA"}}) {
        SCOPED_TRACE(c.fits);
        const Rows listing = List({c.package, patch});
        ASSERT_FALSE(listing.empty());
        EXPECT_EQ(listing.front(), (std::vector<std::string>{"Transform", "Table", "Column", "Row",
                                                             "Data", "Current"}));
        EXPECT_EQ(RowsOf(listing, c.fits), expected);
        EXPECT_EQ(listing.size(), expected.size() + 1);
        // Picking the pair that does not fit refuses, naming what it expects.
        EXPECT_EQ(Run({c.package, patch, "--transform", c.other}), 1);
        EXPECT_EQ(out_, "");
        EXPECT_NE(err_.find(std::string(c.other) + " expects product code"), std::string::npos)
            << err_;
    }
}

TEST_F(PatchCliTest, DamagedPatchesAndMisfitChainsAreRefusedNamingFileAndPair) {
    const std::string a = MakeProduct("a", kCodeA);
    const std::string ta =
        MakeStep(a, "a2", {"UPDATE `Property` SET `Value` = '2' WHERE `Property` = 'X'"}, true);
    const std::string drop =
        MakeStep(a, "drop", {"DELETE FROM `Property` WHERE `Property` = 'X'"}, false);
    struct Case {
        std::vector<std::string> transforms;
        std::vector<std::string> named;  // what the message names
    };
    const Case cases[] = {
        // A pair without its companion, listed or not.
        {{MakePatch("lone", kCodeA, ":PA", {{"PA", ta}})}, {"lone.msp", "PA"}},
        {{MakePatch("gone", kCodeA, ":PA;:#PA", {{"PA", ta}})}, {"gone.msp", "PA"}},
        // A transform cut short; a second transform whose row the first deleted.
        {{ta, Path("cut.mst")}, {"cut.mst"}},
        {{drop, ta}, {"a2.mst", "X"}},
    };
    std::filesystem::copy_file(ta, Path("cut.mst"));
    std::filesystem::resize_file(Path("cut.mst"), 1000);
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {a};
        arguments.insert(arguments.end(), c.transforms.begin(), c.transforms.end());
        SCOPED_TRACE(c.transforms.back());
        EXPECT_EQ(Run(arguments), 1);
        EXPECT_EQ(out_, "");
        for (const std::string& word : c.named)
            EXPECT_NE(err_.find(word), std::string::npos) << err_;
    }
}

TEST(PatchFixtureTest, TheRealPatchListsItsFittingPairAndRefusesAnotherProduct) {
    VSB_REQUIRE_FIXTURE(patch, "real/wix3/gdr1.msp");
    VSB_REQUIRE_FIXTURE(target, "real/wix3/RtmProduct.msi");
    VSB_REQUIRE_FIXTURE(other, "real/wix3/SimpleBinary.msi");
    auto run = [](const std::vector<std::string>& arguments) {
        return deltalens_test::RunCliInProcess(arguments);
    };
    const auto listed = run({"--format", "tsv", target.string(), patch.string()});
    ASSERT_EQ(listed.status, 0) << listed.err;
    Rows rows;
    ASSERT_TRUE(deltalens_test::ParseTsv(listed.out, rows));
    ASSERT_GT(rows.size(), 1u);
    for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i].front(), "rtm.2");
    // rtm.2 adds the patch's file; its companion adds the PatchPackage table.
    const auto has = [&rows](std::vector<std::string> row) {
        return std::find(rows.begin(), rows.end(), row) != rows.end();
    };
    EXPECT_TRUE(has({"rtm.2", "File", "INSERT", "F_Patch", "", ""}));
    EXPECT_TRUE(has({"rtm.2", "PatchPackage", "CREATE", "", "", ""}));

    // rtmldr.1 is made for a package the first patch already raised to 1.0.1.
    const auto picked = run({target.string(), patch.string(), "--transform", "rtmldr.1"});
    EXPECT_EQ(picked.status, 1);
    EXPECT_NE(picked.err.find("rtmldr.1 expects product version = 1.0.1, the package has 1.0.0.0"),
              std::string::npos)
        << picked.err;
    const auto refused = run({other.string(), patch.string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("gdr1.msp"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("rtm.2 expects product code {FB94421B-7FA3-4495-A9D7-212099C19147}, "
                               "the package has {DC0B6A0B-789B-4E9B-ABC3-897E84999A4A}"),
              std::string::npos)
        << refused.err;
}

// A chain of two real transforms lists the second as applying the first,
// committing, and listing the second does.
TEST(ChainFixtureTest, TheSecondTransformIsListedAgainstTheFirstOnesResult) {
    struct Case {
        const char* package;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {"real/pes2012/PES2012DEMO.msi", "real/pes2012/1031.mst", "real/pes2012/1033.mst"},
        {"real/adobe-reader/AcroRead.msi", "real/adobe-reader/AcroRead-kw.mst",
         "real/adobe-reader/AcroRead-rcs.mst"},
    };
    // Transforms made for one package conflict when stacked (both delete
    // one row, both add one table): those errors are suppressed throughout.
    const std::string conditions = "0x3f";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second);
        VSB_REQUIRE_FIXTURE(package, c.package);
        VSB_REQUIRE_FIXTURE(first, c.first);
        VSB_REQUIRE_FIXTURE(second, c.second);
        testing_support::TempDir dir(false);
        const std::string copy = (dir.path() / "applied.msi").string();
        std::filesystem::copy_file(package, copy);
        MSIHANDLE db = 0;
        ASSERT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseApplyTransformA(db, first.c_str(), 0x3f), ERROR_SUCCESS);
        ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
        MsiCloseHandle(db);

        const auto chain =
            deltalens_test::RunCliInProcess({"--error-conditions", conditions, "--format", "tsv",
                                             package.string(), first.string(), second.string()});
        const auto alone = deltalens_test::RunCliInProcess(
            {"--error-conditions", conditions, "--format", "tsv", copy, second.string()});
        ASSERT_EQ(chain.status, 0) << chain.err;
        ASSERT_EQ(alone.status, 0) << alone.err;
        Rows chained, expected;
        ASSERT_TRUE(deltalens_test::ParseTsv(chain.out, chained));
        ASSERT_TRUE(deltalens_test::ParseTsv(alone.out, expected));
        Rows second_rows;
        for (const auto& row : chained)
            if (row.front() == second.filename().string())
                second_rows.emplace_back(row.begin() + 1, row.end());
        expected.erase(expected.begin());  // the header
        EXPECT_FALSE(expected.empty());
        // The same rows; their order follows string ids (ORDER BY on string
        // columns, as the installer orders), which a commit renumbers.
        std::sort(second_rows.begin(), second_rows.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(second_rows, expected);
    }
}

}  // namespace
