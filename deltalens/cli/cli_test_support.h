// Shared by the deltalens-cli tests: running the program in-process or as a
// separate process, reading its tab-separated output back into rows, and the
// real transforms of the shared fixtures with their base packages.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "run_program.h"

namespace deltalens_test {

using ProcessResult = testing_support::RunResult;

// Runs `program` with the arguments, its output streams caught.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments);
// The same for the deltalens-cli that was built with the tests.
ProcessResult RunCliProcess(const std::vector<std::string>& arguments);
// The program run in-process (deltalens::RunCommandLine), its streams caught.
ProcessResult RunCliInProcess(const std::vector<std::string>& arguments);

// A real transform and its base package, below shared/fixtures.
struct FixturePair {
    const char* transform;
    const char* package;
};
// Every real transform that has its base package in the fixtures.
const std::vector<FixturePair>& RealTransformPairs();
// Names a pair in test listings by its transform ("alcor_smartcard_1028_mst").
std::string FixturePairName(const testing::TestParamInfo<FixturePair>& info);
void PrintTo(const FixturePair& pair, std::ostream* out);

// The lines of tsv output cut into unescaped cells. False (with a test
// failure saying why) when a line is not well formed.
bool ParseTsv(const std::string& text, std::vector<std::vector<std::string>>& rows);

}  // namespace deltalens_test
