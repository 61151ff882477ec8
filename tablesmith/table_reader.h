// A table's columns and rows read through the engine, as plain values, for
// the commands that describe a whole package (info counts rows, dump writes
// them). Binary cells give their size, and their bytes only when asked.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "msi.h"

namespace tablesmith {

struct TableColumn {
    enum class Kind { kString, kInteger, kBinary };
    std::string name;
    std::string type;  // the engine's notation: "s72", "I2", "v0", "L0"...
    Kind kind = Kind::kString;
    int size = 0;  // characters of a string (0: unlimited), bytes of an integer
    bool key = false;
    bool nullable = false;
    bool localizable = false;
};

struct TableCell {
    bool null = true;
    std::string text;        // a string's text, an integer's decimal digits, a binary cell's bytes
    std::uint64_t size = 0;  // a binary cell's size in bytes
};

// Reads the table `name` of the open database: first its columns, then each
// row in the engine's order (`on_row` gets one cell per column). With
// `binary_bytes` false a binary cell holds only its size. False when the
// table cannot be read; `failure` then says why, in the engine's words
// where it gave some. Rows handed over before a failure stay handed over.
bool ReadTableRows(MSIHANDLE database, const std::string& name, bool binary_bytes,
                   std::vector<TableColumn>& columns,
                   const std::function<void(const std::vector<TableCell>&)>& on_row,
                   std::string& failure);

// The names in the database's _Tables table, in the order the table list
// shows them. False when _Tables cannot be read.
bool ReadTableNames(MSIHANDLE database, std::vector<std::string>& names, std::string& failure);

}  // namespace tablesmith
