// Helpers for the interop tests: running the peer programs (msitools' msiinfo,
// the oracle under Wine), reading whole tables through the public C interface,
// and writing values the way each peer prints them, so that a comparison is
// a plain equality of texts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "msiquery.h"

namespace msi_interop {

// One field of a fetched record, as read through the API.
struct Cell {
    enum class Kind { kNull, kInteger, kString, kStream };
    Kind kind = Kind::kNull;
    int integer = 0;
    std::string bytes;  // text of a string, content of a stream
};

// A table read with SELECT * through MsiDatabaseOpenViewA / MsiViewFetch.
struct ApiTable {
    UINT status = ERROR_SUCCESS;  // the first call that failed, or 0
    std::vector<std::string> names;
    std::vector<std::string> types;  // MSICOLINFO_TYPES strings ("s72", "I2", "v0")
    std::vector<std::vector<Cell>> rows;
};

// Runs `query` on an open database and reads every row; binary fields are
// read whole through MsiRecordReadStream.
ApiTable ReadQuery(MSIHANDLE database, const std::string& query);
// SELECT * FROM `table`.
ApiTable ReadTable(MSIHANDLE database, const std::string& table);
// The names _Tables lists, in its order.
std::vector<std::string> TableNames(MSIHANDLE database);

// --- msiinfo -------------------------------------------------------------
// msiinfo export writes values raw, a null as an empty field, integers in
// decimal and a binary cell as the stream name "Table.Key", with the stream's
// bytes in a file of that name below the folder "Table" of its working folder.
std::string MsiinfoText(const Cell& cell);
// Splits an export into lines (CR LF) and drops the three header lines.
std::vector<std::string> MsiinfoRows(const std::string& export_text);

// --- oracle --------------------------------------------------------------
// The oracle prints a null as NULL, escapes \ TAB CR LF and other control
// characters, a literal "NULL" as \NULL, and a stream as [stream:LEN:HEX]
// (up to 64 bytes) or [stream:LEN:fnv1a64=HASH].
std::string OracleText(const Cell& cell);
std::string OracleLine(const std::string& tag, const std::vector<Cell>& cells);
std::string OracleLine(const std::string& tag, const std::vector<std::string>& plain);
uint64_t Fnv1a64(const std::string& bytes);

// The lines `run query DB SQL...` prints, one vector per query: "names",
// "types", "row"..., "rows N".
std::vector<std::vector<std::string>> OracleQuery(const std::filesystem::path& script,
                                                  const std::filesystem::path& database,
                                                  const std::vector<std::string>& queries,
                                                  bool& ok);
// How our own read of a query looks in the oracle's output format.
std::vector<std::string> AsOracleLines(const ApiTable& table);

// Closes a handle when it goes out of scope.
class Handle {
  public:
    Handle() = default;
    explicit Handle(MSIHANDLE h) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    MSIHANDLE* out() {
        Reset();
        return &h_;
    }
    MSIHANDLE get() const { return h_; }
    void Reset() {
        if (h_) MsiCloseHandle(h_);
        h_ = 0;
    }

  private:
    MSIHANDLE h_ = 0;
};

// Record field as text (string fields; integers as decimal).
std::string RecordString(MSIHANDLE record, UINT field);

// Runs one statement; fields of `params` fill its `?` markers. The first
// failing call's result, or 0.
UINT Exec(MSIHANDLE database, const std::string& sql, MSIHANDLE params = 0);

}  // namespace msi_interop
