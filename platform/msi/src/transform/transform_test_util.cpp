#include "transform/transform_test_util.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "format/stream_name.h"
#include "format/string_pool.h"
#include "storage/compound_writer.h"
#include "test_support.h"

namespace msi::transform::test {

uint16_t TransformBuilder::Id(const std::string& text) {
    auto it = std::find(strings_.begin(), strings_.end(), text);
    if (it != strings_.end()) return static_cast<uint16_t>(it - strings_.begin() + 1);
    strings_.push_back(text);
    return static_cast<uint16_t>(strings_.size());
}

void TransformBuilder::Record(const std::string& table, uint16_t mask,
                              const std::vector<uint16_t>& cells) {
    auto& out = tables_[table];
    out.push_back(uint8_t(mask));
    out.push_back(uint8_t(mask >> 8));
    for (uint16_t cell : cells) {
        out.push_back(uint8_t(cell));
        out.push_back(uint8_t(cell >> 8));
    }
}

void TransformBuilder::Raw(const std::string& table, const std::vector<uint8_t>& bytes) {
    auto& out = tables_[table];
    out.insert(out.end(), bytes.begin(), bytes.end());
}

bool TransformBuilder::Write(const std::string& path) const {
    format::StringPool pool;
    if (!pool.SetCodePage(code_page_).ok()) return false;
    for (const auto& text : strings_)
        if (!pool.Add(text, 1).ok()) return false;
    auto serialized = pool.Serialize();
    storage::CompoundWriter writer;
    writer.SetRootInfo(
        {.clsid = package_clsid_ ? storage::kPackageClsid : storage::kTransformClsid});
    auto add = [&](const std::string& name, bool table, std::vector<uint8_t> bytes) {
        auto units = format::EncodeStreamName(name, table);
        return units.ok() &&
               writer.AddStream(storage::CompoundWriter::kRoot, *units, std::move(bytes)).ok();
    };
    if (raw_pool_) {
        serialized.pool = raw_pool_->first;
        serialized.data = raw_pool_->second;
    }
    if (!add("_StringPool", true, serialized.pool) || !add("_StringData", true, serialized.data))
        return false;
    for (const auto& [name, bytes] : tables_)
        if (!add(name, true, bytes)) return false;
    for (const auto& [name, bytes] : streams_)
        if (!add(name, false, std::vector<uint8_t>(bytes.begin(), bytes.end()))) return false;
    return writer.WriteFile(path).ok();
}

UINT Exec(MSIHANDLE db, const std::vector<std::string>& statements) {
    for (const auto& sql : statements) {
        MSIHANDLE view = 0;
        UINT rc = MsiDatabaseOpenViewA(db, sql.c_str(), &view);
        if (rc != ERROR_SUCCESS) return rc;
        rc = MsiViewExecute(view, 0);
        MsiCloseHandle(view);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

UINT MakePackage(const std::string& path, const std::vector<std::string>& statements) {
    MSIHANDLE db = 0;
    UINT rc = MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &db);
    if (rc != ERROR_SUCCESS) return rc;
    rc = Exec(db, statements);
    if (rc == ERROR_SUCCESS) rc = MsiDatabaseCommit(db);
    MsiCloseHandle(db);
    return rc;
}

namespace {

// A stream field as the oracle prints it: the bytes in hex up to 64 bytes,
// else the 64-bit FNV-1a hash.
std::string StreamText(MSIHANDLE record, UINT i) {
    std::string bytes;
    char piece[4096];
    for (;;) {
        DWORD size = sizeof piece;
        if (MsiRecordReadStream(record, i, piece, &size) != ERROR_SUCCESS) return "[stream-error]";
        if (size == 0) break;
        bytes.append(piece, size);
    }
    char text[64];
    std::string out = "[stream:" + std::to_string(bytes.size()) + ":";
    if (bytes.size() <= 64) {
        for (char ch : bytes) {
            std::snprintf(text, sizeof text, "%02x", static_cast<unsigned char>(ch));
            out += text;
        }
    } else {
        uint64_t hash = 1469598103934665603ULL;
        for (char ch : bytes) {
            hash ^= static_cast<unsigned char>(ch);
            hash *= 1099511628211ULL;
        }
        std::snprintf(text, sizeof text, "fnv1a64=%016llx", static_cast<unsigned long long>(hash));
        out += text;
    }
    return out + "]";
}

std::string Field(MSIHANDLE record, UINT i) {
    if (MsiRecordIsNull(record, i)) return "NULL";
    // Only a stream field answers a read of its size.
    DWORD stream_size = 0;
    if (MsiRecordReadStream(record, i, nullptr, &stream_size) == ERROR_SUCCESS)
        return StreamText(record, i);
    DWORD size = 0;
    char probe[1];
    MsiRecordGetStringA(record, i, probe, &size);
    std::string text(size + 1, '\0');
    size += 1;
    MsiRecordGetStringA(record, i, text.data(), &size);
    text.resize(size);
    return text;
}

}  // namespace

std::vector<std::vector<std::string>> QueryFields(MSIHANDLE db, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewA(db, sql.c_str(), &view) != ERROR_SUCCESS) return {{"<query failed>"}};
    if (MsiViewExecute(view, 0) != ERROR_SUCCESS) {
        MsiCloseHandle(view);
        return {{"<execute failed>"}};
    }
    MSIHANDLE record = 0;
    while (MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        std::vector<std::string> fields;
        const UINT n = MsiRecordGetFieldCount(record);
        for (UINT i = 1; i <= n; ++i) fields.push_back(Field(record, i));
        rows.push_back(std::move(fields));
        MsiCloseHandle(record);
    }
    MsiCloseHandle(view);
    return rows;
}

std::vector<std::string> Query(MSIHANDLE db, const std::string& sql) {
    std::vector<std::string> rows;
    for (const auto& fields : QueryFields(db, sql)) {
        std::string line;
        for (size_t i = 0; i < fields.size(); ++i) line += (i > 0 ? "\t" : "") + fields[i];
        rows.push_back(line);
    }
    return rows;
}

std::string Join(const std::vector<std::string>& fields) {
    std::string row;
    for (size_t i = 0; i < fields.size(); ++i) row += (i > 0 ? "\t" : "") + fields[i];
    return row;
}

std::set<std::string> BinaryColumns(MSIHANDLE db) {
    std::set<std::string> out;
    for (const auto& table : Query(db, "SELECT `Name` FROM `_Tables`")) {
        const std::string sql = "SELECT * FROM `" + table + "`";
        const std::string name_line = QueryNames(db, sql), type_line = QueryTypes(db, sql);
        size_t n = 0, t = 0;
        while (n <= name_line.size() && t <= type_line.size()) {
            const size_t n_end = std::min(name_line.find('\t', n), name_line.size());
            const size_t t_end = std::min(type_line.find('\t', t), type_line.size());
            const char letter = t < type_line.size() ? type_line[t] : ' ';
            if (letter == 'v' || letter == 'V')
                out.insert(table + "\t" + name_line.substr(n, n_end - n));
            n = n_end + 1;
            t = t_end + 1;
        }
    }
    return out;
}

std::string QueryNames(MSIHANDLE db, const std::string& sql) {
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewA(db, sql.c_str(), &view) != ERROR_SUCCESS) return "<query failed>";
    MSIHANDLE record = 0;
    std::string line;
    if (MsiViewGetColumnInfo(view, MSICOLINFO_NAMES, &record) == ERROR_SUCCESS) {
        const UINT n = MsiRecordGetFieldCount(record);
        for (UINT i = 1; i <= n; ++i) line += (i > 1 ? "\t" : "") + Field(record, i);
        MsiCloseHandle(record);
    }
    MsiCloseHandle(view);
    return line;
}

std::string QueryTypes(MSIHANDLE db, const std::string& sql) {
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewA(db, sql.c_str(), &view) != ERROR_SUCCESS) return "<query failed>";
    MSIHANDLE record = 0;
    std::string line;
    if (MsiViewGetColumnInfo(view, MSICOLINFO_TYPES, &record) == ERROR_SUCCESS) {
        const UINT n = MsiRecordGetFieldCount(record);
        for (UINT i = 1; i <= n; ++i) line += (i > 1 ? "\t" : "") + Field(record, i);
        MsiCloseHandle(record);
    }
    MsiCloseHandle(view);
    return line;
}

std::vector<std::string> Dump(MSIHANDLE db) {
    std::vector<std::string> lines;
    for (const auto& table : Query(db, "SELECT `Name` FROM `_Tables`")) {
        // _Tables lists held temporary tables too (a viewed transform's
        // _TransformView); the dump is what a commit keeps.
        if (MsiDatabaseIsTablePersistentA(db, table.c_str()) != MSICONDITION_TRUE) continue;
        for (const auto& column :
             Query(db, "SELECT `Number`, `Name` FROM `_Columns` WHERE `Table` = '" + table + "'"))
            lines.push_back("column\t" + table + "\t" + column);
        MSIHANDLE view = 0;
        if (MsiDatabaseOpenViewA(db, ("SELECT * FROM `" + table + "`").c_str(), &view) !=
            ERROR_SUCCESS)
            continue;
        MSIHANDLE types = 0;
        MsiViewGetColumnInfo(view, MSICOLINFO_TYPES, &types);
        MsiViewExecute(view, 0);
        MSIHANDLE record = 0;
        while (MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            std::string line = "row\t" + table;
            const UINT n = MsiRecordGetFieldCount(record);
            for (UINT i = 1; i <= n; ++i) {
                const std::string type = Field(types, i);
                if (!type.empty() && (type[0] == 'v' || type[0] == 'V') &&
                    !MsiRecordIsNull(record, i)) {
                    std::string bytes(MsiRecordDataSize(record, i), '\0');
                    DWORD size = static_cast<DWORD>(bytes.size());
                    MsiRecordReadStream(record, i, bytes.data(), &size);
                    line += "\t[" + std::to_string(size) + ":" + bytes.substr(0, size) + "]";
                } else {
                    line += "\t" + Field(record, i);
                }
            }
            lines.push_back(line);
            MsiCloseHandle(record);
        }
        MsiCloseHandle(types);
        MsiCloseHandle(view);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

RowDifference Compare(std::vector<std::string> ours, std::vector<std::string> theirs) {
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    RowDifference diff;
    std::set_difference(ours.begin(), ours.end(), theirs.begin(), theirs.end(),
                        std::back_inserter(diff.only_ours));
    std::set_difference(theirs.begin(), theirs.end(), ours.begin(), ours.end(),
                        std::back_inserter(diff.only_theirs));
    return diff;
}

std::string RunOracle(const std::vector<std::string>& args, bool& ok) {
    std::vector<std::string> argv = {testing_support::OracleScript().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto run = testing_support::Run(argv);
    ok = run.ok();
    return run.out;
}

std::vector<std::string> OracleRows(const std::string& output) {
    std::vector<std::string> rows;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        start = end + 1;
        if (line.rfind("row\t", 0) != 0) continue;
        // Undo the oracle's escapes field by field; NULL stays a marker.
        std::string row;
        std::string field;
        auto flush = [&](bool last) {
            row += field;
            if (!last) row += '\t';
            field.clear();
        };
        for (size_t i = 4; i < line.size(); ++i) {
            char ch = line[i];
            if (ch == '\t') {
                flush(false);
            } else if (ch == '\\' && i + 1 < line.size()) {
                char next = line[++i];
                if (next == 't')
                    field += '\t';
                else if (next == 'n')
                    field += '\n';
                else if (next == 'r')
                    field += '\r';
                else if (next == 'x' && i + 2 < line.size()) {
                    field += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                } else if (next == 'N') {
                    field += "\\N";  // a literal NULL text, kept distinct from the marker
                } else {
                    field += next;
                }
            } else {
                field += ch;
            }
        }
        flush(true);
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> SplitOracleAnswers(const std::string& output) {
    std::vector<std::string> answers;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        if (output.compare(start, 6, "names\t") == 0) answers.emplace_back();
        if (!answers.empty()) answers.back() += output.substr(start, end - start + 1);
        start = end + 1;
    }
    return answers;
}

}  // namespace msi::transform::test
