// Helpers shared by the test programs: private temporary folders, the shared
// fixtures and the oracle beside the checkout, and a capture of the debug
// output channel. Running other programs is in run_program.h, included here.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "run_program.h"
#include "win32/debug.h"

namespace testing_support {

// A fresh, empty folder that is removed with everything in it on destruction.
// With redirect_tmpdir the process's TMPDIR points at it while it lives, so the
// code under test puts its temporary files there and the test can look for leftovers.
class TempDir {
  public:
    explicit TempDir(bool redirect_tmpdir = false);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Names of the entries directly inside the folder, sorted.
    std::vector<std::string> Entries() const;

  private:
    std::filesystem::path path_;
    bool redirected_ = false;
    std::string old_tmpdir_;
    bool had_tmpdir_ = false;
};

// The shared fixtures folder (../shared beside the checkout), or an empty path
// when it is not there.
std::filesystem::path SharedDir();
// A file below shared/fixtures, or an empty path when it is missing.
std::filesystem::path Fixture(const std::string& relative);
// Every file below shared/fixtures/real and shared/fixtures/generated whose
// extension is one of `extensions` (".msi", ".mst", ".msp"), sorted; empty
// when the fixtures are absent. The damaged files of malformed/ are left to
// the tests that name them.
std::vector<std::filesystem::path> FixtureFiles(const std::vector<std::string>& extensions);
// The packages and the patch of FixtureFiles({".msi", ".msp"}) by their names
// below shared/fixtures, known before the fixtures are looked at, so that
// each can be a test of its own. The interop tests check that it names every
// one there is.
const std::vector<const char*>& FixturePackageNames();
// The real packages among them (.msi below real/), for what only a package
// made by a real authoring tool shows.
const std::vector<const char*>& RealFixturePackageNames();
// A parameterised test's name from its fixture's path: the file's stem with
// every character a test name may not hold made '_'.
std::string FixtureTestName(const std::string& fixture);
// The oracle's run script (VSB_ORACLE, see scripts/test), or an empty path
// when it is not set up.
std::filesystem::path OracleScript();

// Collects every line written to the debug output channel while it lives.
class TraceCapture {
  public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    const std::vector<std::string>& Lines() const { return lines_; }
    std::string Text() const;
    void Clear() { lines_.clear(); }

  private:
    std::vector<std::string> lines_;
    win32::DebugSink previous_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace testing_support

// Skips the current test when a shared fixture is missing, saying so.
#define VSB_REQUIRE_FIXTURE(var, relative)                                  \
    const std::filesystem::path var = ::testing_support::Fixture(relative); \
    if (var.empty()) GTEST_SKIP() << "fixture not available: " << (relative)

// Skips the current test when the fixtures are absent, saying so.
#define VSB_REQUIRE_FIXTURES(var, ...)                                                             \
    const std::vector<std::filesystem::path> var = ::testing_support::FixtureFiles({__VA_ARGS__}); \
    if (var.empty()) GTEST_SKIP() << "fixtures not available"

// Skips the current test when the oracle is not set up, saying so.
#define VSB_REQUIRE_ORACLE(var)                                          \
    const std::filesystem::path var = ::testing_support::OracleScript(); \
    if (var.empty()) GTEST_SKIP() << "the oracle is not set up (VSB_ORACLE): not compared with it"
