// Running other programs from tests: the peers (msitools, gcab, the oracle),
// the project's own command lines, and the tools a test needs (timeout,
// script). Every word goes to the program as it is, so a path with a blank,
// a quote or a dollar sign is never split or expanded.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct RunOptions {
    std::filesystem::path cwd;     // the working folder; empty: the test's own
    std::vector<std::string> env;  // "NAME=value" set for the program, "NAME" unset
    std::string input;             // standard input

    RunOptions& In(std::filesystem::path folder) {
        cwd = std::move(folder);
        return *this;
    }
    RunOptions& With(std::string variable) {
        env.push_back(std::move(variable));
        return *this;
    }
    RunOptions& Input(std::string text) {
        input = std::move(text);
        return *this;
    }
};

struct RunResult {
    int status = -1;  // the exit status; -1 when it did not start or did not exit
    std::string out;  // standard output
    std::string err;  // standard error
    bool ok() const { return status == 0; }
};

// Runs argv[0] (looked up on PATH when it holds no '/') with the other words
// as its arguments, and waits for it.
RunResult Run(const std::vector<std::string>& argv, const RunOptions& options = {});

// True when `name` is a program on PATH (or, with a '/', that file) the test
// may run. A comparison with a peer that is missing is skipped, saying so.
bool HaveProgram(const std::string& name);

// The words as one POSIX shell command line, every word quoted: for programs
// that take a command line as an argument (`script -c`).
std::string ShellLine(const std::vector<std::string>& words);

}  // namespace testing_support

// Skips the current test when a program it compares with is missing.
#define VSB_REQUIRE_PROGRAM(name) \
    if (!::testing_support::HaveProgram(name)) GTEST_SKIP() << (name) << " is not installed"
