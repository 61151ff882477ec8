#include "change_writer.h"

#include <algorithm>
#include <ostream>

#include "entry.h"
#include "entry_list.h"

namespace deltalens {

namespace {

using Row = std::vector<std::string>;

// The column names and the valid entries' cells, as the list holds them.
std::vector<std::string> ColumnNames(const CEntryList& list) {
    std::vector<std::string> names;
    for (int column = 0; column < list.GetColumnCount(); ++column)
        names.push_back(list.GetColumnName(column));
    return names;
}

template <typename Visit>
void ForEachRow(const CEntryList& list, Visit visit) {
    const int columns = list.GetColumnCount();
    Row row(static_cast<std::size_t>(columns));
    for (POSITION position = list.GetHeadPosition(); position != nullptr;) {
        const auto* entry = dynamic_cast<const CEntry*>(list.GetNext(position));
        // Only valid entries are changes; a list control would not show the others either.
        if (entry == nullptr || !entry->IsValid()) continue;
        for (int column = 0; column < columns; ++column)
            row[static_cast<std::size_t>(column)] = entry->GetFieldText(column);
        visit(row);
    }
}

// The length of the UTF-8 sequence that starts text[at], or 0 when the bytes
// there are not one (stray continuation byte, overlong form, surrogate,
// beyond U+10FFFF, or cut short).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

// Characters, not bytes, so that columns line up on a terminal: every byte
// that does not continue a UTF-8 sequence starts one.
std::size_t DisplayWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void WriteTable(const CEntryList& list, std::ostream& out) {
    std::vector<Row> rows;
    rows.push_back(ColumnNames(list));
    for (std::string& name : rows.front()) name = EscapeCell(name);
    ForEachRow(list, [&](const Row& row) {
        Row escaped;
        escaped.reserve(row.size());
        for (const std::string& cell : row) escaped.push_back(EscapeCell(cell));
        rows.push_back(std::move(escaped));
    });
    const std::size_t columns = rows.front().size();
    std::vector<std::size_t> widths(columns, 0);
    for (const Row& row : rows) {
        for (std::size_t column = 0; column < columns; ++column)
            widths[column] = std::max(widths[column], DisplayWidth(row[column]));
    }
    Row rule(columns);
    for (std::size_t column = 0; column < columns; ++column)
        rule[column] = std::string(widths[column], '-');
    rows.insert(rows.begin() + 1, rule);

    std::string line;
    for (const Row& row : rows) {
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
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

void WriteTsvLine(const Row& row, std::string& line, std::ostream& out) {
    line.clear();
    for (std::size_t column = 0; column < row.size(); ++column) {
        if (column > 0) line += '\t';
        line += EscapeCell(row[column]);
    }
    line += '\n';
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void WriteTsv(const CEntryList& list, std::ostream& out) {
    std::string line;
    WriteTsvLine(ColumnNames(list), line, out);
    ForEachRow(list, [&](const Row& row) { WriteTsvLine(row, line, out); });
}

void WriteJson(const CEntryList& list, std::ostream& out) {
    std::vector<std::string> keys = ColumnNames(list);
    for (std::string& key : keys) key = JsonString(key);
    std::string text = "[";
    bool first = true;
    ForEachRow(list, [&](const Row& row) {
        text += first ? "\n  {" : ",\n  {";
        first = false;
        for (std::size_t column = 0; column < row.size(); ++column) {
            if (column > 0) text += ", ";
            text += keys[column];
            text += ": ";
            text += row[column].empty() ? "null" : JsonString(row[column]);
        }
        text += '}';
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        text.clear();
    });
    text += first ? "]\n" : "\n]\n";
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

std::string_view OutputFormatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::kTable:
            return "table";
        case OutputFormat::kTsv:
            return "tsv";
        case OutputFormat::kJson:
            return "json";
    }
    return "table";
}

const std::vector<OutputFormat>& AllOutputFormats() {
    static const std::vector<OutputFormat> formats = {OutputFormat::kTable, OutputFormat::kTsv,
                                                      OutputFormat::kJson};
    return formats;
}

std::optional<OutputFormat> ParseOutputFormat(std::string_view name) {
    for (OutputFormat format : AllOutputFormats()) {
        if (OutputFormatName(format) == name) return format;
    }
    return std::nullopt;
}

void WriteChanges(const CEntryList& list, OutputFormat format, std::ostream& out) {
    switch (format) {
        case OutputFormat::kTable:
            WriteTable(list, out);
            break;
        case OutputFormat::kTsv:
            WriteTsv(list, out);
            break;
        case OutputFormat::kJson:
            WriteJson(list, out);
            break;
    }
}

std::string EscapeCell(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\t':
                escaped += "\\t";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\\':
                escaped += "\\\\";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string json = "\"";
    json.reserve(text.size() + 2);
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text, at);
            if (length == 0) {
                json += "\\ufffd";
                ++at;
            } else {
                json.append(text, at, length);
                at += length;
            }
            continue;
        }
        switch (c) {
            case '"':
                json += "\\\"";
                break;
            case '\\':
                json += "\\\\";
                break;
            case '\n':
                json += "\\n";
                break;
            case '\r':
                json += "\\r";
                break;
            case '\t':
                json += "\\t";
                break;
            default:
                if (c < 0x20) {
                    json += "\\u00";
                    json += kHex[c >> 4];
                    json += kHex[c & 0xF];
                } else {
                    json += static_cast<char>(c);
                }
        }
        ++at;
    }
    json += '"';
    return json;
}

}  // namespace deltalens
