// The data types and attribute bits of a table view's columns, as the table
// view derives them from the installer's column type strings.
#pragma once

#include <cstdint>

namespace installer {

enum MsiColumnType : std::uint32_t {
    kMsiColumnString = 0,
    kMsiColumnInteger = 1,
    kMsiColumnBinary = 2,
    // Named by the format but never produced by the installer; fields of this
    // type are reported and skipped.
    kMsiColumnBoolean = 3,
};

// The column accepts null (its installer type letter is upper case).
inline constexpr std::uint32_t kMsiColumnNullable = 0x80000;
// Stored for a binary column whenever an entry loads it.
inline constexpr std::uint32_t kMsiColumnStream = 0x60000;

}  // namespace installer
