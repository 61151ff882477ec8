// Helpers for the transform tests: transforms built byte by byte, packages
// built through the interface, tables and views read back as text, and the
// oracle (Wine's msi.dll) when VSB_ORACLE names its run script.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "msiquery.h"

namespace msi::transform::test {

// A transform assembled from parts: pool strings (ids 1, 2, ... in the order
// given), table streams as raw record bytes, other streams, the CLSID.
class TransformBuilder {
  public:
    // Adds a string (or finds it) and returns its id.
    uint16_t Id(const std::string& text);
    void SetCodePage(uint32_t code_page) { code_page_ = code_page; }
    // Appends a record to a table stream: the mask, then 2-byte cells.
    void Record(const std::string& table, uint16_t mask, const std::vector<uint16_t>& cells);
    // Appends raw bytes to a table stream (4-byte integers, damage).
    void Raw(const std::string& table, const std::vector<uint8_t>& bytes);
    void Stream(const std::string& name, const std::string& bytes) { streams_[name] = bytes; }
    void SetPackageClsid() { package_clsid_ = true; }
    // Writes these bytes as _StringPool and _StringData instead of the pool.
    void SetRawPool(std::vector<uint8_t> pool, std::vector<uint8_t> data) {
        raw_pool_ = {std::move(pool), std::move(data)};
    }
    // Writes the compound file; false when it cannot.
    bool Write(const std::string& path) const;

  private:
    std::vector<std::string> strings_;
    uint32_t code_page_ = 0;
    std::map<std::string, std::vector<uint8_t>> tables_;
    std::map<std::string, std::string> streams_;
    bool package_clsid_ = false;
    std::optional<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> raw_pool_;
};

// 2-byte stored forms.
inline uint16_t Short(int value) {
    return static_cast<uint16_t>(value + 0x8000);
}

// Runs SQL statements on a database handle; returns the first failing code.
UINT Exec(MSIHANDLE db, const std::vector<std::string>& statements);
// Creates a package at `path` from SQL statements and commits it.
UINT MakePackage(const std::string& path, const std::vector<std::string>& statements);
// Rows of a query as TAB-joined fields (null fields as "NULL", streams as the
// oracle prints them: "[stream:LEN:HEX]" or "[stream:LEN:fnv1a64=HASH]"), in
// order.
std::vector<std::string> Query(MSIHANDLE db, const std::string& sql);
// The same rows as separate fields (values may hold TABs themselves).
std::vector<std::vector<std::string>> QueryFields(MSIHANDLE db, const std::string& sql);
// Fields joined by TAB, as Query gives a row.
std::string Join(const std::vector<std::string>& fields);
// "Table\tColumn" of every binary column of the database's tables.
std::set<std::string> BinaryColumns(MSIHANDLE db);
// Column names of a query, TAB-joined.
std::string QueryNames(MSIHANDLE db, const std::string& sql);
// Column information types of a query, TAB-joined.
std::string QueryTypes(MSIHANDLE db, const std::string& sql);
// Every persistent table of a database (catalog, rows and binary bytes) as
// text lines, sorted, for comparing two databases.
std::vector<std::string> Dump(MSIHANDLE db);

// Rows found on one side only, each list sorted; rows compare as multisets.
struct RowDifference {
    std::vector<std::string> only_ours;
    std::vector<std::string> only_theirs;
};
RowDifference Compare(std::vector<std::string> ours, std::vector<std::string> theirs);

// Runs the oracle with arguments; its standard output, ok = exit status 0.
std::string RunOracle(const std::vector<std::string>& args, bool& ok);
// `row` lines of an oracle query output turned into TAB-joined fields with
// the oracle's escapes undone.
std::vector<std::string> OracleRows(const std::string& output);
// The output of a `query` call with several statements cut into one answer
// per statement, each starting at its "names" line.
std::vector<std::string> SplitOracleAnswers(const std::string& output);

}  // namespace msi::transform::test
