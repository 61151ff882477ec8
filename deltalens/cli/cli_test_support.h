// Shared by the deltalens-cli tests: running the built program as a separate
// process, and reading its tab-separated output back into rows.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace deltalens_test {

struct ProcessResult {
    int status = -1;  // the exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with the arguments (each quoted for the shell), its output
// streams caught in files of `scratch`.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& scratch);
// The same for the deltalens-cli that was built with the tests.
ProcessResult RunCliProcess(const std::vector<std::string>& arguments,
                            const std::filesystem::path& scratch);

// Undoes the cell escapes of the tsv format (\t \n \r \\); false when the
// text holds a backslash that starts none of them.
bool UnescapeCell(const std::string& text, std::string& cell);

// The lines of tsv output cut into unescaped cells. False (with a test
// failure saying why) when a line is not well formed.
bool ParseTsv(const std::string& text, std::vector<std::vector<std::string>>& rows);

}  // namespace deltalens_test
