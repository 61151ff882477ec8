// Patches and transform validation through the engine's calls
// (engine/msi_patch.h): what a patch holds and which damage refuses it, and
// which validation terms of a transform's summary a package meets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "format/property_set.h"
#include "msi_patch.h"
#include "msiquery.h"
#include "test_support.h"
#include "transform/transform_test_util.h"

namespace msi::transform::test {
namespace {

constexpr const char* kProduct = "{11111111-2222-3333-4444-555555555555}";
constexpr const char* kUpgrade = "{99999999-8888-7777-6666-555555555555}";

const std::vector<std::string> kPackage = {
    "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) PRIMARY KEY "
    "`Property`)",
    std::string("INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductCode', '") +
        kProduct + "')",
    "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductVersion', '2.1.5')",
    "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductLanguage', '1033')",
    std::string("INSERT INTO `Property` (`Property`, `Value`) VALUES ('UpgradeCode', '") +
        kUpgrade + "')",
};

// Sets string summary properties of the database at `path` and commits.
void SetSummary(const std::string& path, const std::map<UINT, std::string>& values) {
    MSIHANDLE db = 0, info = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
    ASSERT_EQ(MsiGetSummaryInformationA(db, nullptr, 10, &info), ERROR_SUCCESS);
    for (const auto& [pid, text] : values)
        ASSERT_EQ(MsiSummaryInfoSetPropertyA(info, pid, VT_LPSTR, 0, nullptr, text.c_str()),
                  ERROR_SUCCESS);
    ASSERT_EQ(MsiSummaryInfoPersist(info), ERROR_SUCCESS);
    MsiCloseHandle(info);
    ASSERT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
    MsiCloseHandle(db);
}

// A transform of no rows whose summary carries these terms.
bool WriteTermsTransform(const std::string& path, const std::string& base_template,
                         const std::string& base_code, const std::string& base_version,
                         const std::string& upgrade_code, int validation) {
    format::SummaryPropertySet summary;
    summary.properties[format::kPidTemplate] = base_template;
    summary.properties[format::kPidRevisionNumber] =
        base_code + base_version + ";" + base_code + base_version + ";" + upgrade_code;
    summary.properties[format::kPidCharacterCount] = static_cast<int32_t>(validation << 16);
    const auto bytes = summary.Encode();
    TransformBuilder t;
    t.Stream("\005SummaryInformation", std::string(bytes.begin(), bytes.end()));
    return t.Write(path);
}

class PatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        package_ = Path("product.msi");
        ASSERT_EQ(MakePackage(package_, kPackage), ERROR_SUCCESS);
        SetSummary(package_, {{PID_TEMPLATE, "Intel;1033"}});
    }
    std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }

    testing_support::TempDir dir_;
    std::string package_;
    const std::string other_target_ = "{22222222-0000-0000-0000-000000000000}";
};

TEST_F(PatchTest, ValidationTermsDecideWhetherATransformFits) {
    // The package: ProductCode kProduct, version 2.1.5, language 1033,
    // platform Intel, UpgradeCode kUpgrade.
    constexpr int kMajor = MSITRANSFORM_VALIDATE_MAJORVERSION;
    constexpr int kMinor = MSITRANSFORM_VALIDATE_MINORVERSION;
    constexpr int kUpdate = MSITRANSFORM_VALIDATE_UPDATEVERSION;
    const std::string other = "{00000000-0000-0000-0000-000000000000}";
    struct Case {
        const char* tmpl;
        std::string code;
        const char* version;
        std::string upgrade;
        int validation;
        std::vector<std::string> misfits;  // "what: expected / actual"
    };
    const Case cases[] = {
        {"x64;1031", other, "9.9.9", other, 0, {}},
        {"Intel;1033",
         "{11111111-2222-3333-4444-555555555555}",
         "2.1.5",
         kUpgrade,
         MSITRANSFORM_VALIDATE_PRODUCT,
         {}},
        {"Intel;1033",
         other,
         "2.1.5",
         kUpgrade,
         MSITRANSFORM_VALIDATE_PRODUCT,
         {"product code: " + other + " / " + kProduct}},
        {"Intel;1031",
         kProduct,
         "2.1.5",
         kUpgrade,
         MSITRANSFORM_VALIDATE_LANGUAGE,
         {"language: 1031 / 1033"}},
        {"Intel;0,1033,1031", kProduct, "2.1.5", kUpgrade, MSITRANSFORM_VALIDATE_LANGUAGE, {}},
        {"x64;1033",
         kProduct,
         "2.1.5",
         kUpgrade,
         MSITRANSFORM_VALIDATE_PLATFORM,
         {"platform: x64 / Intel"}},
        {"Intel;1033", kProduct, "2.9.9", kUpgrade, kMajor, {}},
        {"Intel;1033", kProduct, "2.9.9", kUpgrade, kMinor, {"product version: = 2.9 / 2.1.5"}},
        {"Intel;1033",
         kProduct,
         "2.1.4",
         kUpgrade,
         kUpdate | MSITRANSFORM_VALIDATE_NEWGREATERBASEVERSION,
         {}},
        {"Intel;1033",
         kProduct,
         "2.1.4",
         kUpgrade,
         kUpdate | MSITRANSFORM_VALIDATE_NEWLESSBASEVERSION,
         {"product version: < 2.1.4 / 2.1.5"}},
        {"Intel;1033",
         kProduct,
         "2.1.5",
         kUpgrade,
         kUpdate | MSITRANSFORM_VALIDATE_NEWLESSEQUALBASEVERSION,
         {}},
        {"Intel;1033",
         kProduct,
         "2.2",
         kUpgrade,
         kMinor | MSITRANSFORM_VALIDATE_NEWGREATEREQUALBASEVERSION,
         {"product version: >= 2.2 / 2.1.5"}},
        {"Intel;1033",
         kProduct,
         "2.1.5",
         other,
         MSITRANSFORM_VALIDATE_UPGRADECODE | MSITRANSFORM_VALIDATE_PRODUCT,
         {"upgrade code: " + other + " / " + kUpgrade}},
    };
    MSIHANDLE db = 0;
    ASSERT_EQ(MsiOpenDatabaseA(package_.c_str(), MSIDBOPEN_READONLY, &db), ERROR_SUCCESS);
    const std::string mst = Path("terms.mst");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tmpl) + " " + c.code + c.version + " " +
                     std::to_string(c.validation));
        ASSERT_TRUE(WriteTermsTransform(mst, c.tmpl, c.code, c.version, c.upgrade, c.validation));
        std::vector<TransformMisfit> misfits;
        ASSERT_EQ(CheckTransformFit(db, mst.c_str(), nullptr, &misfits), ERROR_SUCCESS);
        std::vector<std::string> seen;
        for (const auto& m : misfits) seen.push_back(m.what + ": " + m.expected + " / " + m.actual);
        EXPECT_EQ(seen, c.misfits);
    }
    MsiCloseHandle(db);
}

TEST_F(PatchTest, APatchListsItsPairsAndDamageIsRefused) {
    const std::string a = Path("a.mst"), b = Path("b.mst");
    ASSERT_TRUE(WriteTermsTransform(a, "Intel;1033", kProduct, "2.1.5", kUpgrade, 0));
    ASSERT_TRUE(WriteTermsTransform(b, "Intel;1033", kProduct, "2.1.5", kUpgrade, 0));
    struct Case {
        const char* listed;  // summary's Last Saved By
        std::vector<std::pair<std::string, std::string>> storages;
        UINT result;
        std::vector<std::string> pairs;
    };
    const Case cases[] = {
        {":P1;:#P1;:P2;:#P2",
         {{"P1", a}, {"#P1", b}, {"P2", a}, {"#P2", b}},
         ERROR_SUCCESS,
         {"P1", "P2"}},
        // A companion listed but not there; one not listed; one alone.
        {":P1;:#P1", {{"P1", a}}, ERROR_PATCH_PACKAGE_INVALID, {}},
        {":P1", {{"P1", a}, {"#P1", b}}, ERROR_PATCH_PACKAGE_INVALID, {}},
        {":#P1", {{"#P1", b}}, ERROR_PATCH_PACKAGE_INVALID, {}},
        // A listed storage that is a package, not a transform.
        {":P1;:#P1", {{"P1", a}, {"#P1", Path("product.msi")}}, ERROR_PATCH_PACKAGE_INVALID, {}},
    };
    const std::string source = Path("patch-tables.msi");
    const std::string msp = Path("made.msp");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.listed);
        ASSERT_EQ(MakePackage(source, {}), ERROR_SUCCESS);
        SetSummary(source, {{PID_TEMPLATE, std::string(kProduct) + ";" + other_target_},
                            {PID_LASTAUTHOR, c.listed},
                            {PID_REVNUMBER, "{ABCDEF00-0000-0000-0000-000000000001}"}});
        ASSERT_EQ(WritePatchFile(msp.c_str(), source.c_str(), c.storages), ERROR_SUCCESS);
        PatchSummary patch;
        EXPECT_EQ(ReadPatchSummary(msp.c_str(), &patch), c.result);
        EXPECT_EQ(patch.pairs, c.pairs);
        if (c.result != ERROR_SUCCESS) continue;
        EXPECT_TRUE(IsPatchFile(msp.c_str()));
        EXPECT_EQ(patch.target_product_codes, (std::vector<std::string>{kProduct, other_target_}));
        EXPECT_EQ(patch.patch_code, "{ABCDEF00-0000-0000-0000-000000000001}");
    }
    // Not a patch at all: a transform, a package, a cut patch, no file.
    std::filesystem::resize_file(msp, 700);
    for (const std::string& path : {a, package_, msp}) {
        EXPECT_FALSE(IsPatchFile(path.c_str())) << path;
        PatchSummary patch;
        EXPECT_EQ(ReadPatchSummary(path.c_str(), &patch), ERROR_PATCH_PACKAGE_INVALID) << path;
    }
    PatchSummary patch;
    EXPECT_EQ(ReadPatchSummary(Path("none.msp").c_str(), &patch), ERROR_OPEN_FAILED);
}

}  // namespace
}  // namespace msi::transform::test
