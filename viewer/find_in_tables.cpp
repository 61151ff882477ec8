#include "find_in_tables.h"

#include <charconv>

#include "row_model.h"

namespace viewer {

namespace {

std::optional<long long> Number(std::string_view text) {
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

bool SameFolded(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ContainsFolded(a, b);
}

}  // namespace

bool CellMatches(std::string_view cell, bool integer_column, const FindOptions& options) {
    const std::string_view text = options.text;
    if (text.empty()) return false;
    if (integer_column && options.whole_cell) {
        std::optional<long long> wanted = Number(text), value = Number(cell);
        return wanted && value && *wanted == *value;
    }
    if (options.whole_cell) return options.match_case ? cell == text : SameFolded(cell, text);
    if (options.match_case) return cell.find(text) != std::string_view::npos;
    return ContainsFolded(cell, text);
}

std::vector<FindHit> FindInTables(PackageView& package, const FindOptions& options) {
    std::vector<FindHit> hits;
    if (options.text.empty()) return hits;
    for (std::size_t table = 0; table < package.Tables().size(); ++table) {
        const TableRows* rows = package.Rows(table);
        if (!rows) continue;
        const std::vector<ColumnInfo>& columns = rows->Columns();
        for (std::size_t row = 0; row < rows->RowCount(); ++row)
            for (std::size_t column = 0; column < columns.size(); ++column)
                if (!columns[column].IsBinary() &&
                    CellMatches(rows->Cell(row, column).View(), columns[column].IsInteger(),
                                options))
                    hits.push_back({table, row, column});
    }
    return hits;
}

}  // namespace viewer
