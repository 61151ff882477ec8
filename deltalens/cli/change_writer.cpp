#include "change_writer.h"

namespace deltalens {

ChangeWriter::ChangeWriter(::cli::OutputFormat format, std::ostream& out)
    : writer_(format, {kChangeColumnNames.begin(), kChangeColumnNames.end()}, out) {}

namespace {

std::vector<std::string> ColumnsAfter(const char* first_column) {
    std::vector<std::string> columns{first_column};
    columns.insert(columns.end(), kChangeColumnNames.begin(), kChangeColumnNames.end());
    return columns;
}

}  // namespace

ChangeWriter::ChangeWriter(::cli::OutputFormat format, std::ostream& out, const char* first_column)
    : writer_(format, ColumnsAfter(first_column), out) {}

void ChangeWriter::Add(const std::string& first, const ChangeRow& change) {
    row_.assign(1, first);
    row_.insert(row_.end(), change.begin(), change.end());
    writer_.Add(row_);
    ++count_;
}

void ChangeWriter::Add(const ChangeRow& change) {
    writer_.Add(change);
    ++count_;
}

}  // namespace deltalens
