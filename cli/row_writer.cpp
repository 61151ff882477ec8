#include "row_writer.h"

#include <algorithm>
#include <ostream>

#include "text_escape.h"

namespace cli {

namespace {

// The cell escaped as in tsv (so it holds no line break and no control
// character), then quoted where a comma or a quote would cut it.
void AppendCsvCell(std::string& line, const std::string& cell) {
    const std::string escaped = EscapeCell(cell);
    if (escaped.find_first_of(",\"") == std::string::npos) {
        line += escaped;
        return;
    }
    line += '"';
    for (char c : escaped) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

}  // namespace

std::string_view OutputFormatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::kTable:
            return "table";
        case OutputFormat::kTsv:
            return "tsv";
        case OutputFormat::kCsv:
            return "csv";
        case OutputFormat::kJson:
            return "json";
    }
    return "table";
}

const std::vector<OutputFormat>& AllOutputFormats() {
    static const std::vector<OutputFormat> formats = {OutputFormat::kTable, OutputFormat::kTsv,
                                                      OutputFormat::kCsv, OutputFormat::kJson};
    return formats;
}

std::optional<OutputFormat> ParseOutputFormat(std::string_view name) {
    for (OutputFormat format : AllOutputFormats()) {
        if (OutputFormatName(format) == name) return format;
    }
    return std::nullopt;
}

RowWriter::RowWriter(OutputFormat format, std::vector<std::string> columns, std::ostream& out)
    : format_(format), columns_(std::move(columns)), out_(out) {
    switch (format_) {
        case OutputFormat::kTable: {
            std::vector<std::string> names;
            for (const std::string& name : columns_) names.push_back(EscapeCell(name));
            table_rows_.push_back(std::move(names));
            break;
        }
        case OutputFormat::kTsv:
        case OutputFormat::kCsv:
            Add(columns_);
            break;
        case OutputFormat::kJson:
            for (const std::string& name : columns_) json_keys_.push_back(JsonString(name));
            break;
    }
}

void RowWriter::WriteLine(const std::string& line) {
    out_.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void RowWriter::Add(const std::vector<std::string>& cells) {
    std::string& line = line_;  // kept between rows, so its storage is too
    line.clear();
    switch (format_) {
        case OutputFormat::kTable: {
            std::vector<std::string> escaped;
            escaped.reserve(columns_.size());
            for (std::size_t column = 0; column < columns_.size(); ++column)
                escaped.push_back(column < cells.size() ? EscapeCell(cells[column]) : "");
            table_rows_.push_back(std::move(escaped));
            return;
        }
        case OutputFormat::kTsv:
            for (std::size_t column = 0; column < columns_.size(); ++column) {
                if (column > 0) line += '\t';
                if (column < cells.size()) AppendEscapedCell(line, cells[column]);
            }
            line += '\n';
            break;
        case OutputFormat::kCsv:
            for (std::size_t column = 0; column < columns_.size(); ++column) {
                if (column > 0) line += ',';
                if (column < cells.size()) AppendCsvCell(line, cells[column]);
            }
            line += "\r\n";
            break;
        case OutputFormat::kJson:
            line = first_row_ ? "[\n  {" : ",\n  {";
            for (std::size_t column = 0; column < columns_.size(); ++column) {
                if (column > 0) line += ", ";
                line += json_keys_[column];
                line += ": ";
                const bool empty = column >= cells.size() || cells[column].empty();
                line += empty ? "null" : JsonString(cells[column]);
            }
            line += '}';
            break;
    }
    first_row_ = false;
    WriteLine(line);
}

void RowWriter::Finish() {
    if (format_ == OutputFormat::kJson) {
        WriteLine(first_row_ ? "[]\n" : "\n]\n");
        return;
    }
    if (format_ != OutputFormat::kTable) return;

    const std::size_t columns = columns_.size();
    std::vector<std::size_t> widths(columns, 0);
    for (const auto& row : table_rows_) {
        for (std::size_t column = 0; column < columns; ++column)
            widths[column] = std::max(widths[column], DisplayWidth(row[column]));
    }
    std::vector<std::string> rule(columns);
    for (std::size_t column = 0; column < columns; ++column)
        rule[column] = std::string(widths[column], '-');
    table_rows_.insert(table_rows_.begin() + 1, std::move(rule));

    std::string line;
    for (const auto& row : table_rows_) {
        // Cells are padded only up to the last one that holds text, so no line
        // ends in padding; a blank that a value ends with is the value's own.
        std::size_t used = columns;
        while (used > 1 && row[used - 1].empty()) --used;
        line.clear();
        for (std::size_t column = 0; column < used; ++column) {
            if (column > 0) line += "  ";
            line += row[column];
            if (column + 1 < used) line.append(widths[column] - DisplayWidth(row[column]), ' ');
        }
        line += '\n';
        WriteLine(line);
    }
    table_rows_.clear();
}

}  // namespace cli
