#include "interop_util.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "test_support.h"

namespace msi_interop {
namespace fs = std::filesystem;

std::string RecordString(MSIHANDLE record, UINT field) {
    DWORD size = 0;
    char probe[1] = {0};
    UINT r = MsiRecordGetStringA(record, field, probe, &size);
    if (r != ERROR_MORE_DATA && r != ERROR_SUCCESS) return {};
    std::string text(size + 1, '\0');
    DWORD capacity = size + 1;
    if (MsiRecordGetStringA(record, field, text.data(), &capacity) != ERROR_SUCCESS) return {};
    text.resize(capacity);
    return text;
}

namespace {

Cell ReadCell(MSIHANDLE record, UINT field, char type_letter) {
    Cell cell;
    if (MsiRecordIsNull(record, field)) return cell;
    switch (type_letter) {
        case 'i':
        case 'j':
            cell.kind = Cell::Kind::kInteger;
            cell.integer = MsiRecordGetInteger(record, field);
            return cell;
        case 'v': {
            cell.kind = Cell::Kind::kStream;
            // Small pieces on purpose: the reader must carry its position.
            char piece[65536];
            for (;;) {
                DWORD n = sizeof piece;
                if (MsiRecordReadStream(record, field, piece, &n) != ERROR_SUCCESS || n == 0) break;
                cell.bytes.append(piece, n);
            }
            return cell;
        }
        default:
            cell.kind = Cell::Kind::kString;
            cell.bytes = RecordString(record, field);
            return cell;
    }
}

char TypeLetter(const std::string& type) {
    if (type.empty()) return 's';
    const char c = type[0];
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

}  // namespace

ApiTable ReadQuery(MSIHANDLE database, const std::string& query) {
    ApiTable table;
    Handle view;
    if ((table.status = MsiDatabaseOpenViewA(database, query.c_str(), view.out()))) return table;
    if ((table.status = MsiViewExecute(view.get(), 0))) return table;
    Handle names, types;
    if ((table.status = MsiViewGetColumnInfo(view.get(), MSICOLINFO_NAMES, names.out())))
        return table;
    if ((table.status = MsiViewGetColumnInfo(view.get(), MSICOLINFO_TYPES, types.out())))
        return table;
    const UINT count = MsiRecordGetFieldCount(names.get());
    std::string letters;
    for (UINT i = 1; i <= count; ++i) {
        table.names.push_back(RecordString(names.get(), i));
        table.types.push_back(RecordString(types.get(), i));
        letters.push_back(TypeLetter(table.types.back()));
    }
    for (;;) {
        Handle record;
        const UINT r = MsiViewFetch(view.get(), record.out());
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) {
            table.status = r;
            break;
        }
        std::vector<Cell> row;
        for (UINT i = 1; i <= count; ++i) row.push_back(ReadCell(record.get(), i, letters[i - 1]));
        table.rows.push_back(std::move(row));
    }
    MsiViewClose(view.get());
    return table;
}

UINT Exec(MSIHANDLE database, const std::string& sql, MSIHANDLE params) {
    Handle view;
    UINT r = MsiDatabaseOpenViewA(database, sql.c_str(), view.out());
    if (r) return r;
    r = MsiViewExecute(view.get(), params);
    MsiViewClose(view.get());
    return r;
}

ApiTable ReadTable(MSIHANDLE database, const std::string& table) {
    return ReadQuery(database, "SELECT * FROM `" + table + "`");
}

std::vector<std::string> TableNames(MSIHANDLE database) {
    std::vector<std::string> names;
    for (const auto& row : ReadQuery(database, "SELECT `Name` FROM `_Tables`").rows)
        if (!row.empty()) names.push_back(row[0].bytes);
    return names;
}

std::string MsiinfoText(const Cell& cell) {
    switch (cell.kind) {
        case Cell::Kind::kNull:
            return {};
        case Cell::Kind::kInteger:
            return std::to_string(cell.integer);
        default:
            return cell.bytes;
    }
}

std::vector<std::string> MsiinfoRows(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    if (lines.size() < 3) return {};
    return std::vector<std::string>(lines.begin() + 3, lines.end());
}

uint64_t Fnv1a64(const std::string& bytes) {
    uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

namespace {

std::string EscapeForOracle(const std::string& text) {
    if (text == "NULL") return "\\NULL";
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out.push_back(char(c));
        }
    }
    return out;
}

}  // namespace

std::string OracleText(const Cell& cell) {
    char buf[64];
    switch (cell.kind) {
        case Cell::Kind::kNull:
            return "NULL";
        case Cell::Kind::kInteger:
            return std::to_string(cell.integer);
        case Cell::Kind::kString:
            return EscapeForOracle(cell.bytes);
        case Cell::Kind::kStream:
            break;
    }
    std::string out = "[stream:" + std::to_string(cell.bytes.size()) + ":";
    if (cell.bytes.size() <= 64) {
        for (unsigned char c : cell.bytes) {
            std::snprintf(buf, sizeof buf, "%02x", c);
            out += buf;
        }
    } else {
        std::snprintf(buf, sizeof buf, "fnv1a64=%016llx",
                      static_cast<unsigned long long>(Fnv1a64(cell.bytes)));
        out += buf;
    }
    return out + "]";
}

std::string OracleLine(const std::string& tag, const std::vector<Cell>& cells) {
    std::string line = tag;
    for (const auto& c : cells) line += "\t" + OracleText(c);
    return line;
}

std::string OracleLine(const std::string& tag, const std::vector<std::string>& plain) {
    std::string line = tag;
    for (const auto& s : plain) line += "\t" + EscapeForOracle(s);
    return line;
}

std::vector<std::string> AsOracleLines(const ApiTable& table) {
    std::vector<std::string> lines;
    lines.push_back(OracleLine("names", table.names));
    lines.push_back(OracleLine("types", table.types));
    for (const auto& row : table.rows) lines.push_back(OracleLine("row", row));
    lines.push_back("rows\t" + std::to_string(table.rows.size()));
    return lines;
}

std::vector<std::vector<std::string>> OracleQuery(const fs::path& script, const fs::path& database,
                                                  const std::vector<std::string>& queries,
                                                  bool& ok) {
    std::vector<std::string> argv = {script.string(), "query", database.string()};
    argv.insert(argv.end(), queries.begin(), queries.end());
    const testing_support::RunResult out = testing_support::Run(argv);
    ok = out.ok();
    std::vector<std::vector<std::string>> results;
    size_t pos = 0;
    while (pos < out.out.size()) {
        size_t end = out.out.find('\n', pos);
        if (end == std::string::npos) end = out.out.size();
        std::string line = out.out.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("names\t", 0) == 0 || results.empty()) results.emplace_back();
        results.back().push_back(line);
    }
    return results;
}

}  // namespace msi_interop
