// The dialog's listing of a patch: five columns, the pair's name in the
// Table column only when more than one pair made changes.
#include "chain_command.h"

#include <gtest/gtest.h>

#include "deltalens_test_support.h"
#include "msi.h"
#include "outcome.h"
#include "sample_packages.h"
#include "test_support.h"

namespace {

using deltalens_test::Rows;

struct ChainRecording : diag::OutcomeSink {
    void Tell(const diag::Outcome& outcome) override { told.push_back(outcome); }
    std::vector<diag::Outcome> told;
};

TEST(ChainCommandTest, ThePairGoesIntoTheTableColumnOnlyWhenSeveralPairsList) {
    testing_support::TempDir dir(false);
    const auto path = [&dir](const std::string& name) { return (dir.path() / name).string(); };
    const std::string package = path("a.msi");
    ASSERT_EQ(deltalens::CreatePackage(package, deltalens::ProductProperties(
                                                    "{AAAAAAAA-0000-0000-0000-000000000001}", "a")),
              ERROR_SUCCESS);
    // Four transforms from the package, each adding one property Pn.
    std::vector<std::pair<std::string, std::string>> storages;
    const char* names[] = {"PA", "#PA", "PB", "#PB"};
    for (int n = 0; n < 4; ++n) {
        const std::string key = "P" + std::to_string(n);
        const std::string changed = path(key + ".msi"), transform = path(key + ".mst");
        ASSERT_EQ(deltalens::MakeChangedCopy(
                      package, changed,
                      {"INSERT INTO `Property` (`Property`, `Value`) VALUES ('" + key + "', 'v')"}),
                  ERROR_SUCCESS);
        ASSERT_EQ(deltalens::MakeTransform(package, changed, transform), ERROR_SUCCESS);
        storages.emplace_back(names[n], transform);
    }
    const std::string patch = path("p.msp");
    ASSERT_EQ(deltalens::MakePatch(patch, "{AAAAAAAA-0000-0000-0000-000000000001}",
                                   ":PA;:#PA;:PB;:#PB", storages),
              ERROR_SUCCESS);
    struct Case {
        const char* only;
        std::vector<std::string> tables;
    };
    const Case cases[] = {
        {"",
         {"PA: Property", "PA: Property", "PA: Property", "PA: Property", "PB: Property",
          "PB: Property", "PB: Property", "PB: Property"}},
        {"PB", {"Property", "Property", "Property", "Property"}},
    };
    for (const Case& c : cases) {
        ChainRecording sink;
        Rows rows;
        const auto outcome = deltalens::ListTransformChainInColumns(
            {package, {patch}, c.only},
            [&rows](const deltalens::ChangeRow& change) { rows.push_back(change); }, sink);
        EXPECT_EQ(outcome, deltalens::ApplyOutcome::kListed);
        EXPECT_TRUE(sink.told.empty());
        std::vector<std::string> tables;
        for (const auto& row : rows) tables.push_back(row.front());
        EXPECT_EQ(tables, c.tables) << c.only;
        EXPECT_EQ(MsiCloseAllHandles(), 0u);
    }
}

}  // namespace
