#include "db/db_test_util.h"

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include "db/record.h"
#include "test_support.h"

namespace msi::db::test {

RowPtr MakeRow(Database& db, const TableSchema& schema, const std::vector<std::string>& texts) {
    auto row = std::make_shared<Row>();
    for (size_t c = 0; c < schema.columns.size(); ++c) {
        const std::string text = c < texts.size() ? texts[c] : std::string();
        const auto type = schema.columns[c].type;
        if (type.IsInteger()) {
            row->cells.push_back(text.empty() ? static_cast<uint32_t>(Record::kNullInteger)
                                              : static_cast<uint32_t>(std::stoi(text)));
        } else if (type.IsBinary()) {
            row->cells.push_back(text.empty() ? 0 : 1);
        } else {
            row->cells.push_back(db.Intern(text).value());
        }
    }
    return row;
}

std::vector<std::string> RenderRows(Database& db, const Table& table) {
    std::vector<std::string> lines;
    const auto& schema = table.schema();
    for (const auto& row : table.rows()) {
        std::string line;
        for (size_t c = 0; c < schema.columns.size(); ++c) {
            if (c) line += '\t';
            const auto type = schema.columns[c].type;
            const uint32_t cell = row->cells[c];
            if (type.IsInteger()) {
                if (static_cast<int32_t>(cell) != Record::kNullInteger)
                    line += std::to_string(static_cast<int32_t>(cell));
            } else if (type.IsBinary()) {
                if (cell) line += db.BinaryStreamName(table, *row).value();
            } else {
                line += db.Text(cell).value();
            }
        }
        lines.push_back(line);
    }
    return lines;
}

testing_support::RunResult Msiinfo(const std::vector<std::string>& arguments) {
    // msiinfo export writes the files of binary cells into its working
    // folder, so every run has a scratch folder of its own.
    const testing_support::TempDir scratch;
    std::vector<std::string> argv = {"msiinfo"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return testing_support::Run(argv, testing_support::RunOptions().In(scratch.path()));
}

}  // namespace msi::db::test
