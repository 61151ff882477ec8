// The 16-bit column type word that CREATE TABLE and ALTER TABLE ADD give a
// column, built from the bits format::ColumnType describes (the one place
// that reads them). The words are those the installer stores in _Columns,
// checked against its own CREATE TABLE:
//   CHAR(72) NOT NULL key 0x2D48, CHAR(0) 0x1D00, LONGCHAR 0x1D00,
//   SHORT/INT/INTEGER 0x1502, LONG 0x1104, LONG NOT NULL 0x0104,
//   OBJECT 0x1900, OBJECT NOT NULL 0x0900, CHAR(10) LOCALIZABLE 0x1F0A,
//   LONGCHAR NOT NULL LOCALIZABLE 0x0F00.
// It takes CHAR without a width as CHAR(0) and keeps LOCALIZABLE on an
// integer column (SHORT NOT NULL LOCALIZABLE key 0x2702), as the installer
// does. A TEMPORARY column lacks the persistent bit; the database marks it
// temporary in memory and never stores it.
#pragma once

#include <cstdint>

#include "sql/ast.h"

namespace msi::sql {

// The type word for `column`, from its data type, size and flags.
uint16_t ColumnTypeWord(const ColumnDef& column);

}  // namespace msi::sql
