#include "dump_command.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <sstream>

#include "base64.h"
#include "export_folder.h"
#include "json_writer.h"
#include "messages.h"
#include "msi_database.h"
#include "msiquery.h"
#include "row_writer.h"
#include "table_reader.h"
#include "text_escape.h"

namespace tablesmith {

namespace {

struct Table {
    std::string name;
    std::vector<TableColumn> columns;
    std::vector<std::vector<TableCell>> rows;
};

// Null first, integers by value, anything else by its bytes.
bool CellLess(const TableColumn& column, const TableCell& a, const TableCell& b) {
    if (a.null != b.null) return a.null;
    if (column.kind == TableColumn::Kind::kInteger && !a.null)
        return std::stoll(a.text) < std::stoll(b.text);
    return a.text < b.text;
}

// Rows by their key, then by the other cells: the engine's own order
// depends on how the file was written, and two dumps of equal tables should
// be equal, line for line, for whoever compares them.
void SortRows(Table& table) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].key) order.push_back(i);
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (!table.columns[i].key) order.push_back(i);
    std::stable_sort(table.rows.begin(), table.rows.end(),
                     [&](const std::vector<TableCell>& a, const std::vector<TableCell>& b) {
                         for (std::size_t i : order) {
                             if (CellLess(table.columns[i], a[i], b[i])) return true;
                             if (CellLess(table.columns[i], b[i], a[i])) return false;
                         }
                         return false;
                     });
}

bool ReadWholeTable(MSIHANDLE database, const std::string& name, bool bytes, Table& table,
                    diag::OutcomeSink& sink) {
    table.name = name;
    std::string failure;
    if (ReadTableRows(
            database, name, bytes, table.columns,
            [&](const std::vector<TableCell>& cells) { table.rows.push_back(cells); }, failure)) {
        SortRows(table);
        return true;
    }
    sink.Warn(FillMessage(kCantReadTable, {name}), failure);
    return false;
}

// A table's name as a file name of the folder, or "" when it would name
// anything but a plain file there.
std::string TableFileName(const std::string& table, const char* extension) {
    if (table.empty() || table == "." || table == ".." ||
        table.find_first_of(std::string("/\0", 2)) != std::string::npos)
        return "";
    return table + extension;
}

// --- json ----------------------------------------------------------------

void WriteJsonTable(cli::JsonWriter& json, const Table& table, bool streams) {
    json.BeginObject();
    json.Field("name", table.name);
    json.Key("columns");
    json.BeginArray();
    for (const TableColumn& column : table.columns) {
        json.BeginObject();
        json.Field("name", column.name);
        json.Field("type", column.type);
        json.Key("key");
        json.Bool(column.key);
        json.Key("nullable");
        json.Bool(column.nullable);
        json.EndObject();
    }
    json.EndArray();
    json.Key("rows");
    json.BeginArray();
    for (const auto& row : table.rows) {
        json.BeginObject();
        for (std::size_t i = 0; i < table.columns.size(); ++i) {
            const TableCell& cell = row[i];
            json.Key(table.columns[i].name);
            if (cell.null) {
                json.Null();
                continue;
            }
            switch (table.columns[i].kind) {
                case TableColumn::Kind::kInteger:
                    json.Number(std::stoll(cell.text));
                    break;
                case TableColumn::Kind::kBinary:
                    json.BeginObject();
                    json.Key("size");
                    json.Number(static_cast<long long>(cell.size));
                    if (streams) json.Field("base64", cli::Base64(cell.text));
                    json.EndObject();
                    break;
                case TableColumn::Kind::kString:
                    json.String(cell.text);
                    break;
            }
        }
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

// --- csv -----------------------------------------------------------------

std::string CsvText(const Table& table, bool streams) {
    std::ostringstream text;
    std::vector<std::string> names;
    for (const TableColumn& column : table.columns) names.push_back(column.name);
    cli::RowWriter writer(cli::OutputFormat::kCsv, names, text);
    std::vector<std::string> cells;
    for (const auto& row : table.rows) {
        cells.clear();
        for (std::size_t i = 0; i < table.columns.size(); ++i) {
            const TableCell& cell = row[i];
            if (cell.null)
                cells.emplace_back();
            else if (table.columns[i].kind != TableColumn::Kind::kBinary)
                cells.push_back(cell.text);
            else
                cells.push_back(streams ? cli::Base64(cell.text) : std::to_string(cell.size));
        }
        writer.Add(cells);
    }
    writer.Finish();
    return text.str();
}

bool WriteFileIn(const ExportFolder& folder, const std::string& name, const std::string& bytes,
                 std::string& failure) {
    FolderFileWriter file(folder, name);
    int error = file.error();
    if (error == 0) error = file.Write(bytes.data(), bytes.size());
    if (error == 0) error = file.Commit();
    if (error != 0) failure = folder.Show(name) + ": " + std::strerror(error);
    return error == 0;
}

// --- sql -----------------------------------------------------------------

// Text the installer's SQL takes between single quotes as it is, on one line.
bool LiteralFits(const std::string& text) {
    for (unsigned char c : text)
        if (c == '\'' || c < 0x20 || c == 0x7F) return false;
    return true;
}

std::string SqlType(const TableColumn& column) {
    std::string type;
    switch (column.kind) {
        case TableColumn::Kind::kInteger:
            type = column.size == 4 ? "LONG" : "SHORT";
            break;
        case TableColumn::Kind::kBinary:
            type = "OBJECT";
            break;
        case TableColumn::Kind::kString:
            type = column.size == 0 ? "LONGCHAR" : "CHAR(" + std::to_string(column.size) + ")";
            break;
    }
    if (!column.nullable) type += " NOT NULL";
    if (column.localizable) type += " LOCALIZABLE";
    return type;
}

std::string CreateStatement(const Table& table) {
    std::string sql = "CREATE TABLE `" + table.name + "` (";
    std::string keys;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const TableColumn& column = table.columns[i];
        sql += (i == 0 ? "`" : ", `") + column.name + "` " + SqlType(column);
        if (column.key) keys += (keys.empty() ? "`" : ", `") + column.name + "`";
    }
    return sql + " PRIMARY KEY " + keys + ");\n";
}

// The installer wants every marker before the constants, so the columns
// whose values are markers come first in both lists.
std::string InsertStatement(const Table& table, const std::vector<TableCell>& row) {
    std::string marker_columns, marker_values, marker_lines, columns, values;
    int markers = 0;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const TableColumn& column = table.columns[i];
        const TableCell& cell = row[i];
        if (cell.null) continue;
        const std::string name = "`" + column.name + "`";
        if (column.kind == TableColumn::Kind::kInteger) {
            columns += (columns.empty() ? "" : ", ") + name;
            values += (values.empty() ? "" : ", ") + cell.text;
        } else if (column.kind == TableColumn::Kind::kString && LiteralFits(cell.text)) {
            columns += (columns.empty() ? "" : ", ") + name;
            values += (values.empty() ? "'" : ", '") + cell.text + "'";
        } else {
            ++markers;
            marker_columns += (marker_columns.empty() ? "" : ", ") + name;
            marker_values += marker_values.empty() ? "?" : ", ?";
            marker_lines +=
                "-- ?" + std::to_string(markers) +
                (column.kind == TableColumn::Kind::kBinary ? " base64 " + cli::Base64(cell.text)
                                                           : " " + cli::JsonString(cell.text)) +
                "\n";
        }
    }
    const auto join = [](const std::string& a, const std::string& b) {
        return a.empty() ? b : b.empty() ? a : a + ", " + b;
    };
    return "INSERT INTO `" + table.name + "` (" + join(marker_columns, columns) + ") VALUES (" +
           join(marker_values, values) + ");\n" + marker_lines;
}

bool SqlNameFits(const std::string& name) {
    return !name.empty() && name.find('`') == std::string::npos &&
           name.find_first_of("\r\n") == std::string::npos;
}

bool WriteSqlTable(const Table& table, std::ostream& out, diag::OutcomeSink& sink) {
    bool names_fit = SqlNameFits(table.name);
    for (const TableColumn& column : table.columns)
        names_fit = names_fit && SqlNameFits(column.name);
    if (!names_fit) {
        sink.Warn(FillMessage(kCantReadTable, {table.name}),
                  "a name holds a back quote or a line break, which the installer's SQL cannot "
                  "write");
        return false;
    }
    out << CreateStatement(table);
    for (const auto& row : table.rows) out << InsertStatement(table, row);
    return true;
}

// --- the command -----------------------------------------------------------

bool DumpTables(CMsiDatabase& database, const DumpSettings& settings,
                const std::vector<std::string>& names, const ExportFolder* folder,
                std::ostream& out, diag::OutcomeSink& sink) {
    const MSIHANDLE handle = database.GetHandle();
    const bool bytes = settings.streams || settings.format == DumpFormat::kSql;
    bool whole = true;
    cli::JsonWriter json(out);
    if (settings.format == DumpFormat::kJson) {
        json.BeginObject();
        json.Key("tables");
        json.BeginArray();
    }
    for (const std::string& name : names) {
        if (settings.format == DumpFormat::kIdt) {
            const std::string file = TableFileName(name, ".idt");
            if (file.empty() || database.ExportTableIn(name, folder->fd(), file) != ERROR_SUCCESS) {
                sink.Warn(
                    FillMessage(kCantReadTable, {name}),
                    file.empty() ? "its name is not a plain file name" : database.GetFailureText());
                whole = false;
            }
            continue;
        }
        Table table;
        if (!ReadWholeTable(handle, name, bytes, table, sink)) {
            whole = false;
            continue;
        }
        switch (settings.format) {
            case DumpFormat::kJson:
                WriteJsonTable(json, table, settings.streams);
                break;
            case DumpFormat::kSql:
                whole = WriteSqlTable(table, out, sink) && whole;
                break;
            case DumpFormat::kCsv: {
                const std::string file = TableFileName(name, ".csv");
                std::string failure = "its name is not a plain file name";
                if (file.empty() ||
                    !WriteFileIn(*folder, file, CsvText(table, settings.streams), failure)) {
                    sink.Warn(FillMessage(kCantWriteTableFile, {name, failure}));
                    whole = false;
                }
                break;
            }
            case DumpFormat::kIdt:
                break;
        }
    }
    if (settings.format == DumpFormat::kJson) {
        json.EndArray();
        json.EndObject();
        json.Finish();
    }
    return whole;
}

}  // namespace

bool ParseDumpFormat(const std::string& name, DumpFormat& format) {
    static constexpr std::pair<const char*, DumpFormat> kFormats[] = {{"json", DumpFormat::kJson},
                                                                      {"csv", DumpFormat::kCsv},
                                                                      {"sql", DumpFormat::kSql},
                                                                      {"idt", DumpFormat::kIdt}};
    for (const auto& [text, value] : kFormats) {
        if (name == text) {
            format = value;
            return true;
        }
    }
    return false;
}

bool RunDump(const DumpSettings& settings, std::ostream& out, diag::OutcomeSink& sink) {
    CMsiDatabase database;
    if (!database.Open(settings.msi_file, 0)) {
        sink.Stop(FillMessage(kCantReadFile, {settings.msi_file}), database.GetFailureText());
        return false;
    }
    std::vector<std::string> names = settings.tables;
    std::string failure;
    if (names.empty() && !ReadTableNames(database.GetHandle(), names, failure)) {
        sink.Stop(FillMessage(kCantReadTable, {"_Tables"}), failure);
        database.Shutdown();
        return false;
    }
    ExportFolder folder;
    const bool to_folder =
        settings.format == DumpFormat::kCsv || settings.format == DumpFormat::kIdt;
    if (to_folder) {
        const std::string path =
            settings.folder.empty() ? ExportFolderOf(settings.msi_file) : settings.folder;
        const std::string problem = path.empty() ? kNoTempFolder : folder.Make(path);
        if (!problem.empty()) {
            sink.Stop(problem);
            database.Shutdown();
            return false;
        }
    }
    const bool whole =
        DumpTables(database, settings, names, to_folder ? &folder : nullptr, out, sink);
    database.Shutdown();
    return whole;
}

}  // namespace tablesmith
