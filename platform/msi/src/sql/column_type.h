// The 16-bit column type word that CREATE TABLE and ALTER TABLE ADD store in
// the _Columns table (layout: msi-format.md §4.2):
//   bits 0-7   width: n of CHAR(n), 2 for 16-bit and 4 for 32-bit integers
//   0x0100     persistent (clear for TEMPORARY columns)
//   0x0200     localizable
//   0x0400 / 0x0800 together: 0x0000 32-bit int, 0x0400 16-bit int,
//              0x0800 binary object, 0x0C00 string
//   0x1000     nullable (clear for NOT NULL)
//   0x2000     primary key
#pragma once

#include <cstdint>

#include "sql/ast.h"

namespace msi::sql {

inline constexpr uint16_t kTypePersistent = 0x0100;
inline constexpr uint16_t kTypeLocalizable = 0x0200;
inline constexpr uint16_t kTypeShortInt = 0x0400;
inline constexpr uint16_t kTypeObject = 0x0800;
inline constexpr uint16_t kTypeString = kTypeShortInt | kTypeObject;  // 0x0C00
inline constexpr uint16_t kTypeNullable = 0x1000;
inline constexpr uint16_t kTypeKey = 0x2000;

// The type word for `column`, from its data type, size and flags.
uint16_t ColumnTypeWord(const ColumnDef& column);

}  // namespace msi::sql
