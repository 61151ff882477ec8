#include "msi_database.h"

#include <filesystem>

#include "error_report.h"
#include "installer_test_support.h"
#include "msi_engine.h"
#include "msi_error_text.h"
#include "msiquery.h"

namespace {

namespace fs = std::filesystem;
using installer_test::ErrorLine;
using installer_test::InstallerTest;

class DatabaseTest : public InstallerTest {
  protected:
    // A file of the test's temporary folder, made now.
    std::string MakeTempFile(const std::string& name) {
        const fs::path path = temp_.path() / name;
        testing_support::WriteFile(path, "x");
        return path.string();
    }
};

TEST_F(DatabaseTest, CloseAndShutdownOfANeverOpenedDatabaseSucceedQuietly) {
    CMsiDatabase database;
    EXPECT_TRUE(database.Close());
    database.Shutdown();
    EXPECT_FALSE(database.IsOpen());
    EXPECT_TRUE(trace_.Lines().empty());
}

TEST_F(DatabaseTest, OpensAPackageReadOnlyAndShutdownClosesIt) {
    const std::string package = installer_test::BuildSamplePackage(inputs_.path());
    CMsiDatabase database;
    ASSERT_TRUE(database.Open(package, 0));
    EXPECT_TRUE(database.IsOpen());
    EXPECT_NE(0u, database.GetHandle());
    EXPECT_EQ(package, database.GetPath());
    EXPECT_EQ(MSIDBSTATE_READ, MsiGetDatabaseState(database.GetHandle()));
    EXPECT_EQ(1u, msi::OpenHandleCount());
    database.Shutdown();
    EXPECT_FALSE(database.IsOpen());
    EXPECT_EQ("", database.GetPath());
    EXPECT_EQ(0u, msi::OpenHandleCount());
}

TEST_F(DatabaseTest, OpenTakesAnOutputPathAsPersistArgument) {
    const std::string package = installer_test::BuildSamplePackage(inputs_.path());
    const std::string output = (inputs_.path() / "out.msi").string();
    CMsiDatabase database;
    ASSERT_TRUE(database.Open(package, output.c_str()));
    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), MsiDatabaseCommit(database.GetHandle()));
    database.Shutdown();
    EXPECT_TRUE(fs::exists(output));
}

TEST_F(DatabaseTest, FailedOpenReportsOnceWithTheInstallerTextAndStaysClosed) {
    const std::string missing = (inputs_.path() / "missing.msi").string();
    CMsiDatabase database;
    database.m_dwReportFlags = 2 | VSB_REPORT_MSGBOX;
    EXPECT_FALSE(database.Open(missing, 0));
    EXPECT_FALSE(database.IsOpen());
    EXPECT_EQ(missing, database.GetPath());
    EXPECT_EQ(std::vector<std::string>{ErrorLine(228)}, trace_.Lines());
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_EQ("Error opening MSI database " + missing +
                  "\nMSI error: " + VSB_MsiErrorText(ERROR_OPEN_FAILED),
              boxes_[0]);
}

TEST_F(DatabaseTest, AFailedCallKeepsTheEnginesWordsUntilTheNextCallSucceeds) {
    const std::string missing = (inputs_.path() / "missing.msi").string();
    CMsiDatabase database;
    EXPECT_FALSE(database.Open(missing, 0));
    EXPECT_EQ("cannot open " + missing + ": No such file or directory", database.GetFailureText());

    ASSERT_TRUE(database.Open(installer_test::BuildSamplePackage(inputs_.path()), 0));
    EXPECT_EQ("", database.GetFailureText());
    const std::string folder = inputs_.path().string();
    EXPECT_NE(static_cast<UINT>(ERROR_SUCCESS), database.ImportTable(folder, "absent.idt"));
    const std::string words = database.GetFailureText();
    EXPECT_NE(std::string::npos, words.find("absent.idt")) << words;
    // Another call on the engine does not take them away...
    CMsiDatabase other;
    EXPECT_FALSE(other.Open(missing, 0));
    EXPECT_EQ(words, database.GetFailureText());
    // ...a success of this database's own does.
    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), database.ExportTable("Property", folder, "p.idt"));
    EXPECT_EQ("", database.GetFailureText());
    database.Shutdown();
}

TEST_F(DatabaseTest, FailedOpenWithDefaultFlagsOnlyTraces) {
    CMsiDatabase database;
    EXPECT_FALSE(database.Open((inputs_.path() / "missing.msi").string(), 0));
    EXPECT_EQ(std::vector<std::string>{ErrorLine(228)}, trace_.Lines());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(DatabaseTest, PercentSignInThePathIsShownUnchanged) {
    const std::string missing = (inputs_.path() / "100%s %d %n.msi").string();
    CMsiDatabase database;
    database.m_dwReportFlags = 2 | VSB_REPORT_MSGBOX;
    EXPECT_FALSE(database.Open(missing, 0));
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_EQ(0u, boxes_[0].find("Error opening MSI database " + missing + "\nMSI error: "));
}

TEST_F(DatabaseTest, ShutdownDeletesRegisteredFilesAndCloseKeepsThem) {
    const std::string package = installer_test::BuildSamplePackage(inputs_.path());
    const std::string file = MakeTempFile("a.tmp");
    CMsiDatabase database;
    ASSERT_TRUE(database.Open(package, 0));
    database.AddTempFile(file);
    EXPECT_TRUE(database.Close());
    EXPECT_TRUE(fs::exists(file));
    database.Shutdown();
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(0, database.GetTempFiles().GetCount());
}

TEST_F(DatabaseTest, OpeningASecondPackageDeletesTheFilesOfTheFirst) {
    const std::string package = installer_test::BuildSamplePackage(inputs_.path());
    const std::string file = MakeTempFile("first.tmp");
    CMsiDatabase database;
    ASSERT_TRUE(database.Open(package, 0));
    database.AddTempFile(file);
    ASSERT_TRUE(database.Open(package, 0));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(1u, msi::OpenHandleCount());
}

TEST_F(DatabaseTest, AFileRegisteredTwiceIsHeldOnceAndAnEmptyPathNever) {
    const std::string file = MakeTempFile("twice.tmp");
    CMsiDatabase database;
    database.AddTempFile(file);
    database.AddTempFile(file);
    database.AddTempFile("");
    EXPECT_EQ(1, database.GetTempFiles().GetCount());
}

TEST_F(DatabaseTest, DestructorDeletesRegisteredFilesAndClosesTheHandle) {
    const std::string package = installer_test::BuildSamplePackage(inputs_.path());
    const std::string file = MakeTempFile("b.tmp");
    {
        CMsiDatabase database;
        ASSERT_TRUE(database.Open(package, 0));
        database.AddTempFile(file);
    }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(0u, msi::OpenHandleCount());
}

TEST_F(DatabaseTest, ReportErrorPutsTheDetailIntoTheContext) {
    CMsiDatabase database;
    database.m_dwReportFlags = 2 | VSB_REPORT_MSGBOX;
    database.ReportError("opening view [%s], db:", "SELECT * FROM `100%`", ERROR_BAD_QUERY_SYNTAX);
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_EQ("Error opening view [SELECT * FROM `100%`], db: \nMSI error: " +
                  VSB_MsiErrorText(ERROR_BAD_QUERY_SYNTAX),
              boxes_[0]);
}

}  // namespace
