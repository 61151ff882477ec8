// Shared by the installer tests: packages made at test time with msitools'
// msibuild (an independent producer), a check that no installer handle and
// no temporary file outlives a test, and small helpers over the engine.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "test_support.h"

namespace installer_test {

// One table in IDT form: the text of "<name>.idt", and the stream files its
// binary columns name (file name -> bytes), stored in the folder "<name>/".
struct IdtTable {
    std::string name;
    std::string text;
    std::map<std::string, std::string> streams;
};

// Builds `folder`/`file_name` with msibuild from the tables (with summary
// information, so the file is a package); returns its path, or "" (with a
// test failure) when msibuild is missing or fails.
std::string BuildPackage(const std::filesystem::path& folder, const std::string& file_name,
                         const std::vector<IdtTable>& tables);

// The Property table of the sample package, with these product properties.
IdtTable PropertyTable(const std::string& manufacturer, const std::string& name,
                       const std::string& version, const std::string& code);

// A package with a Property table and "Items":
//   Item s72 (key) | Count I4 | Note S255 | Items_Parent S72 | Data V0
// holding rows "alpha" (1, "first", null, 3 bytes "A\0B"), "beta" (null,
// null, "alpha", null) and "gamma" (3, 300 times 'x', "alpha", null).
std::string BuildSamplePackage(const std::filesystem::path& folder,
                               const std::string& file_name = "sample.msi");

// Every installer test: private TMPDIR that must be empty at the end, and no
// open installer handle before or after.
class InstallerTest : public testing::Test {
  protected:
    InstallerTest();
    ~InstallerTest() override;
    void SetUp() override;
    void TearDown() override;

    // The texts of reports made with the message-box flag, in order.
    std::vector<std::string> boxes_;
    testing_support::TraceCapture trace_;

    // Inputs of the test (packages built for it); not checked for leftovers.
    // Made before TMPDIR is redirected, so it is not inside temp_.
    testing_support::TempDir inputs_{false};
    // Redirects TMPDIR; the classes under test put their files here.
    testing_support::TempDir temp_{true};

  private:
    fw::MessageBoxHandler previous_handler_;
    bool had_application_object_ = false;
};

// The trace line of a report made at a check of the installer wrappers.
std::string ErrorLine(int line);

}  // namespace installer_test
