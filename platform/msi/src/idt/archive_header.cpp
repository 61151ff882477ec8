#include "idt/archive_header.h"

#include <algorithm>

namespace msi::idt {

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

std::optional<uint32_t> ParseCodePage(std::string_view text) {
    // 65001 is the largest code page a database takes; five digits bound it.
    if (text.empty() || text.size() > 5) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + uint32_t(c - '0');
    }
    return value;
}

namespace {

constexpr size_t kMaxColumns = 255;

std::vector<std::string> ToStrings(const std::vector<std::string_view>& views) {
    return std::vector<std::string>(views.begin(), views.end());
}

}  // namespace

Result<ArchiveHeader> ReadArchiveHeader(TextSource& source) {
    std::string lines[3];
    for (auto& line : lines) {
        auto got = source.ReadLine(line);
        if (!got.ok()) return got.status();
        if (!*got) return source.Error("the file ends inside the three header lines");
    }
    ArchiveHeader header;
    auto third = SplitFields(lines[2]);
    // _ForceCodepage: two empty lines, then "<code page> TAB _ForceCodepage".
    if (third.size() == 2 && third[1] == kForceCodepageTable) {
        if (!lines[0].empty() || !lines[1].empty())
            return source.Error("_ForceCodepage: lines 1 and 2 must be empty");
        header.table = kForceCodepageTable;
        header.code_page = ParseCodePage(third[0]);
        if (!header.code_page) return source.Error("_ForceCodepage: invalid code page");
        return header;
    }
    // A code page first on line 3 is told apart from a table name by being
    // all digits: a table name cannot start with a digit in the installer's
    // SQL, so no real table is named like a number.
    if (third.size() >= 2) {
        if (auto cp = ParseCodePage(third[0]); cp) {
            header.code_page = cp;
            third.erase(third.begin());
        }
    }
    header.table = std::string(third[0]);
    if (header.table.empty()) return source.Error("line 3 has no table name");
    header.keys = ToStrings({third.begin() + 1, third.end()});

    header.column_names = ToStrings(SplitFields(lines[0]));
    header.column_types = ToStrings(SplitFields(lines[1]));
    if (header.column_names.size() != header.column_types.size()) {
        return Status::Corrupt(source.name() + ":2: " + std::to_string(header.column_types.size()) +
                               " types for " + std::to_string(header.column_names.size()) +
                               " columns");
    }
    // The installer's tables have at most 32 columns; a bound also keeps the
    // duplicate check below cheap on a hostile line of many TABs.
    if (header.column_names.size() > kMaxColumns)
        return Status::Corrupt(source.name() + ":1: more than " + std::to_string(kMaxColumns) +
                               " columns");
    for (size_t i = 0; i < header.column_names.size(); ++i) {
        const std::string& name = header.column_names[i];
        if (name.empty())
            return Status::Corrupt(source.name() + ":1: column " + std::to_string(i + 1) +
                                   " has no name");
        if (std::find(header.column_names.begin(), header.column_names.begin() + i, name) !=
            header.column_names.begin() + i)
            return Status::Corrupt(source.name() + ":1: column " + name + " appears twice");
    }
    for (const auto& key : header.keys) {
        if (std::find(header.column_names.begin(), header.column_names.end(), key) ==
            header.column_names.end())
            return source.Error("key column " + key + " is not a column of the table");
    }
    return header;
}

}  // namespace msi::idt
