// Helpers shared by the test programs: private temporary folders, the shared
// fixtures beside the checkout, and a capture of the debug output channel.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

// Quotes a word for a POSIX shell command line ('it'\''s').
std::string ShellQuote(const std::string& text);
// Runs a shell command line (the peer programs: msitools, gcab, the oracle)
// and returns its standard output. *status gets the exit status, or -1 when
// the command could not be started or did not exit normally.
std::string RunCommand(const std::string& command, int* status = nullptr);

}  // namespace testing_support

// Skips the current test when a shared fixture is missing, saying so.
#define VSB_REQUIRE_FIXTURE(var, relative)                                  \
    const std::filesystem::path var = ::testing_support::Fixture(relative); \
    if (var.empty()) GTEST_SKIP() << "fixture not available: " << (relative)
