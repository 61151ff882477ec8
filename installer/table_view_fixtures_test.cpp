// The table view over a large real package: every table loads as the engine
// reads it directly, and edits committed in a transacted copy read back the
// same through the engine and through msitools' msiinfo.
#include <filesystem>
#include <functional>

#include "engine_table_reader.h"
#include "installer_test_support.h"
#include "msi_column_type.h"
#include "msi_package.h"
#include "msi_table_view.h"
#include "msiquery.h"

namespace {

namespace fs = std::filesystem;
using installer_test::InstallerTest;
using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kAcroRead = "real/adobe-reader/AcroRead.msi";

// The rows of a loaded table view in the form ReadTableDirectly gives.
Rows RowsOf(MsiTableView& view) {
    Rows rows;
    for (POSITION position = view.GetHeadPosition(); position != nullptr;) {
        auto* entry = dynamic_cast<CMsiTableRecord*>(view.GetNext(position));
        std::vector<std::string> fields;
        for (int column = 0; column < view.GetColumnCount(); ++column) {
            std::string text = entry->GetFieldText(column);
            if (view.GetColumnType(column) == static_cast<int>(installer::kMsiColumnBinary) &&
                !text.empty())
                text += std::to_string(entry->GetBinary(column)->GetCount());
            fields.push_back(text);
        }
        rows.push_back(fields);
    }
    return rows;
}

std::vector<std::string> TableNames(CMsiDatabase& database) {
    MsiTableView tables;
    EXPECT_TRUE(tables.Open(&database, "_Tables"));
    std::vector<std::string> names;
    for (POSITION position = tables.GetHeadPosition(); position != nullptr;)
        names.push_back(dynamic_cast<CEntry*>(tables.GetNext(position))->GetFieldText(0));
    return names;
}

// The entry of a loaded table view with this first field, or null.
CMsiTableRecord* RowOf(MsiTableView& view, const char* key) {
    return dynamic_cast<CMsiTableRecord*>(view.FindEntry(key, 0));
}

class TableViewFixturesTest : public InstallerTest {
  protected:
    // A copy of a fixture package in the test's input folder, for a test to
    // change; empty when the fixture is missing.
    fs::path CopyOf(const std::string& fixture, const std::string& name) {
        const fs::path source = testing_support::Fixture(fixture);
        if (source.empty()) return {};
        fs::copy_file(source, inputs_.path() / name);
        return inputs_.path() / name;
    }

    // Opens `package` transacted, lets `edit` change it through table views
    // (each committing its own), and commits the database.
    void EditPackage(const fs::path& package, const std::function<void(CMsiDatabase&)>& edit) {
        CMsiDatabase database;
        ASSERT_TRUE(database.Open(package.string(), 1));
        edit(database);
        EXPECT_EQ(0u, MsiDatabaseCommit(database.GetHandle()));
        database.Shutdown();
    }
};

TEST_F(TableViewFixturesTest, EveryTableOfAcroReadLoadsAsTheEngineReadsIt) {
    VSB_REQUIRE_FIXTURE(package, kAcroRead);
    CMsiDatabase database;
    ASSERT_TRUE(database.Open(package.string(), 0));
    const std::vector<std::string> names = TableNames(database);
    EXPECT_EQ(76u, names.size());
    std::size_t rows_seen = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        MsiTableView view;
        ASSERT_TRUE(view.Load(&database, name));
        const Rows loaded = RowsOf(view);
        rows_seen += loaded.size();
        EXPECT_EQ(installer_test::ReadTableDirectly(package.string(), name), loaded);
    }
    EXPECT_EQ(4585u, rows_seen);
    EXPECT_TRUE(trace_.Lines().empty());
    database.Shutdown();
}

// The other fixture packages: other makers, code pages (neutral ones holding
// windows-1252 text among them), long strings, 3-byte string references and
// streams. Each table loads as the engine reads it directly.
TEST_F(TableViewFixturesTest, EveryTableOfEveryFixturePackageLoadsAsTheEngineReadsIt) {
    VSB_REQUIRE_FIXTURES(packages, ".msi");
    for (const fs::path& package : packages) {
        SCOPED_TRACE(package.string());
        CMsiDatabase database;
        ASSERT_TRUE(database.Open(package.string(), 0));
        const std::vector<std::string> names = TableNames(database);
        EXPECT_FALSE(names.empty());
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            MsiTableView view;
            ASSERT_TRUE(view.Load(&database, name));
            EXPECT_EQ(installer_test::ReadTableDirectly(package.string(), name), RowsOf(view));
        }
        database.Shutdown();
    }
    EXPECT_TRUE(trace_.Lines().empty());
}

// A transacted copy of AcroRead.msi with edits committed through table views:
// a property changed, one added and one deleted, a binary cell replaced, a
// feature's level changed.
class EditedCopyTest : public TableViewFixturesTest {
  protected:
    void SetUp() override {
        TableViewFixturesTest::SetUp();
        copy_ = CopyOf(kAcroRead, "AcroRead-edit.msi");
        if (copy_.empty()) GTEST_SKIP() << "fixture not available: " << kAcroRead;
        source_ = testing_support::Fixture(kAcroRead);
        EditPackage(copy_, [&](CMsiDatabase& database) {
            MsiTableView properties;
            ASSERT_TRUE(properties.Load(&database, "Property"));
            CMsiTableRecord* manufacturer = RowOf(properties, "Manufacturer");
            ASSERT_NE(nullptr, manufacturer);
            manufacturer->SetStringValue(1, "Edited Vendor");
            auto* added = dynamic_cast<CMsiTableRecord*>(properties.CreateEntry());
            added->SetStringValue(0, "ZZ_ADDED");
            added->SetStringValue(1, "new value");
            properties.AddEntry(added);
            properties.MarkDeleted(properties.FindEntry("ARPHELPLINK", 0));
            EXPECT_TRUE(properties.Commit());

            MsiTableView binaries;
            ASSERT_TRUE(binaries.Load(&database, "Binary"));
            auto* first = dynamic_cast<CMsiTableRecord*>(binaries.GetHead());
            first_binary_name_ = first->GetFieldText(0);
            CMsiBinaryValue bytes;
            bytes.Assign("replaced stream", 15);
            first->SetBinaryValue(1, bytes);
            EXPECT_TRUE(binaries.Commit());

            MsiTableView features;
            ASSERT_TRUE(features.Load(&database, "Feature"));
            const int level = features.GetColumnIndex("Level");
            ASSERT_LE(0, level);
            auto* feature = dynamic_cast<CMsiTableRecord*>(features.GetHead());
            feature_name_ = feature->GetFieldText(0);
            feature->SetIntegerValue(level, 1234);
            EXPECT_TRUE(features.Commit());
        });
        EXPECT_TRUE(temp_.Entries().empty());
    }

    fs::path source_, copy_;
    std::string first_binary_name_;
    std::string feature_name_;
};

TEST_F(EditedCopyTest, EditsReadBackThroughTheEngine) {
    const Rows properties = installer_test::ReadTableDirectly(copy_.string(), "Property");
    auto value_of = [&](const std::string& name) -> std::string {
        for (const auto& row : properties)
            if (row[0] == name) return row[1];
        return "<missing>";
    };
    EXPECT_EQ("Edited Vendor", value_of("Manufacturer"));
    EXPECT_EQ("new value", value_of("ZZ_ADDED"));
    EXPECT_EQ("<missing>", value_of("ARPHELPLINK"));
    EXPECT_EQ(installer_test::ReadTableDirectly(source_.string(), "Property").size(),
              properties.size());
    const Rows binaries = installer_test::ReadTableDirectly(copy_.string(), "Binary");
    EXPECT_EQ((std::vector<std::string>{first_binary_name_, "[Binary]15"}), binaries[0]);
    const Rows features = installer_test::ReadTableDirectly(copy_.string(), "Feature");
    const Rows original_features = installer_test::ReadTableDirectly(source_.string(), "Feature");
    ASSERT_EQ(original_features.size(), features.size());
    for (std::size_t row = 0; row < features.size(); ++row) {
        std::vector<std::string> expected_row = original_features[row];
        if (expected_row[0] == feature_name_) expected_row[5] = "1234";
        EXPECT_EQ(expected_row, features[row]);
    }
}

TEST_F(EditedCopyTest, EditsReadBackThroughMsiinfo) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    const Rows properties = installer_test::ReadTableDirectly(copy_.string(), "Property");
    const testing_support::TempDir scratch;
    const auto in_scratch = testing_support::RunOptions().In(scratch.path());
    const auto property_export =
        testing_support::Run({"msiinfo", "export", copy_.string(), "Property"}, in_scratch);
    ASSERT_EQ(0, property_export.status);
    const std::string& exported = property_export.out;
    EXPECT_NE(std::string::npos, exported.find("\nManufacturer\tEdited Vendor\r\n"));
    EXPECT_NE(std::string::npos, exported.find("\nZZ_ADDED\tnew value\r\n"));
    EXPECT_EQ(std::string::npos, exported.find("ARPHELPLINK"));
    // Three header lines, then one line per row, each ended by CR LF (a bare
    // LF inside a value is no line end).
    std::size_t lines = 0;
    for (std::size_t at = exported.find("\r\n"); at != std::string::npos;
         at = exported.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(properties.size() + 3, lines);
    const std::string feature_export =
        testing_support::Run({"msiinfo", "export", copy_.string(), "Feature"}, in_scratch).out;
    EXPECT_NE(std::string::npos, feature_export.find("\n" + feature_name_ + "\t"));
    EXPECT_NE(std::string::npos, feature_export.find("\t1234\t"));
    const auto stream = testing_support::Run(
        {"msiinfo", "extract", copy_.string(), "Binary." + first_binary_name_}, in_scratch);
    EXPECT_EQ(0, stream.status);
    EXPECT_EQ("replaced stream", stream.out);
}

// wixl leaves the pool's code page neutral and stores windows-1252 bytes.
// Rows rewritten through the table view keep those bytes, so msitools, which
// reads them as windows-1252, still sees the same text.
class NeutralCopyTest : public TableViewFixturesTest {
  protected:
    void SetUp() override {
        TableViewFixturesTest::SetUp();
        copy_ = CopyOf("generated/wixl-hello.msi", "wixl-hello-edit.msi");
        if (copy_.empty()) GTEST_SKIP() << "fixture not available: generated/wixl-hello.msi";
        EditPackage(copy_, [&](CMsiDatabase& database) {
            MsiTableView properties;
            ASSERT_TRUE(properties.Load(&database, "Property"));
            CMsiTableRecord* version = RowOf(properties, "ProductVersion");
            CMsiTableRecord* row = RowOf(properties, "Manufacturer");
            ASSERT_TRUE(version != nullptr && row != nullptr);
            EXPECT_EQ(kManufacturer, row->GetFieldText(1));
            row->SetStringValue(1, kManufacturer.c_str());
            version->SetStringValue(1, "9.9.9");
            EXPECT_TRUE(properties.Commit());
        });
    }

    const std::string kManufacturer = "Soci\xC3\xA9t\xC3\xA9 Fixture";  // Société Fixture
    fs::path copy_;
};

TEST_F(NeutralCopyTest, RewrittenRowsKeepTheirText) {
    CMsiPackage package(copy_.string());
    EXPECT_EQ(kManufacturer + " Fixture Caf\xC3\xA9 Hello 9.9.9", package.GetProductDescription());
}

TEST_F(NeutralCopyTest, MsiinfoSeesTheSameText) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    const testing_support::TempDir scratch;
    const auto run = testing_support::Run({"msiinfo", "export", copy_.string(), "Property"},
                                          testing_support::RunOptions().In(scratch.path()));
    ASSERT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("\nManufacturer\t" + kManufacturer + "\r\n"));
    EXPECT_NE(std::string::npos, run.out.find("\nProductVersion\t9.9.9\r\n"));
}

}  // namespace
