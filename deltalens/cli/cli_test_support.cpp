#include "cli_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "test_support.h"

namespace deltalens_test {

namespace {

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& scratch) {
    const std::filesystem::path out = scratch / "process.out";
    const std::filesystem::path err = scratch / "process.err";
    std::string command = ShellQuoted(program);
    for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
    command += " >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string());

    ProcessResult result;
    const int raw = std::system(command.c_str());
    if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    result.out = testing_support::ReadFile(out);
    result.err = testing_support::ReadFile(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

ProcessResult RunCliProcess(const std::vector<std::string>& arguments,
                            const std::filesystem::path& scratch) {
    return RunProcess(DELTALENS_CLI_PATH, arguments, scratch);
}

bool UnescapeCell(const std::string& text, std::string& cell) {
    cell.clear();
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\') {
            cell += text[at];
            continue;
        }
        if (++at == text.size()) return false;
        switch (text[at]) {
            case 't':
                cell += '\t';
                break;
            case 'n':
                cell += '\n';
                break;
            case 'r':
                cell += '\r';
                break;
            case '\\':
                cell += '\\';
                break;
            default:
                return false;
        }
    }
    return true;
}

bool ParseTsv(const std::string& text, std::vector<std::vector<std::string>>& rows) {
    rows.clear();
    if (!text.empty() && text.back() != '\n') {
        ADD_FAILURE() << "the output does not end with a line feed";
        return false;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        std::vector<std::string> row;
        std::size_t cell_start = 0;
        while (true) {
            const std::size_t tab = line.find('\t', cell_start);
            std::string cell;
            if (!UnescapeCell(line.substr(cell_start, tab - cell_start), cell)) {
                ADD_FAILURE() << "bad escape in line: " << line;
                return false;
            }
            row.push_back(std::move(cell));
            if (tab == std::string::npos) break;
            cell_start = tab + 1;
        }
        rows.push_back(std::move(row));
    }
    return true;
}

}  // namespace deltalens_test
