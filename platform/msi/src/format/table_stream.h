// A table's stream: its cells, column by column.
//
//   all cells of column 1 (row 1, row 2, ...), then all cells of column 2, ...
//
// Each cell is little-endian and as wide as its column's ColumnType::CellSize:
//   2   short integer (biased, see below), binary flag, 2-byte string id
//   3   string id when the pool uses 3-byte references (u16 low, u8 high)
//   4   long integer (biased)
// Row count = stream size / row width (the sum of the cell sizes). A table with
// no rows has no stream at all.
//
// Integers are stored biased so that 0 can mean null:
//   2-byte: stored = (value + 0x8000) & 0xFFFF, null = 0 (so -32768 cannot be stored)
//   4-byte: stored = value ^ 0x80000000,         null = 0 (so INT32_MIN is null)
// The cells here are the raw stored values; the bias functions below convert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "common/status.h"
#include "common/uninitialized_allocator.h"

namespace msi::format {

// The value the installer's interface returns for a null integer.
inline constexpr int32_t kNullInteger = INT32_MIN;

// Biased integers. A null cell reads as kNullInteger and kNullInteger writes
// a null cell. StoreShortInteger refuses values outside -32767..32767 (the
// biased field is 16 bits wide and its 0 is taken by null).
Result<uint32_t> StoreShortInteger(int32_t value);
int32_t LoadShortInteger(uint32_t cell);
uint32_t StoreLongInteger(int32_t value);
int32_t LoadLongInteger(uint32_t cell);

// Cells, row-major. The decoder writes every cell of the block it sizes, so
// the block is not zeroed first.
using CellVector = UninitializedVector<uint32_t>;

// Raw cells of a table, row-major: cell (row, column) is
// cells[row * column_count + column].
struct TableCells {
    size_t column_count = 0;
    size_t row_count = 0;
    CellVector cells;

    uint32_t At(size_t row, size_t column) const { return cells[row * column_count + column]; }
};

// Decodes a stream given each column's cell size (2, 3 or 4). An absent stream
// is passed as an empty span and gives zero rows. A size that is not a whole
// number of rows is corrupt.
Result<TableCells> DecodeTableStream(std::span<const uint8_t> stream,
                                     std::span<const uint8_t> cell_sizes);

// Fills `out` with the stream's bytes at `offset`.
using StreamRead = std::function<Status(uint64_t offset, std::span<uint8_t> out)>;
// The same for a stream of `size` bytes that `read` supplies piece by piece:
// only a small buffer is held beside the cells, never the whole stream.
Result<TableCells> DecodeTableStream(uint64_t size, std::span<const uint8_t> cell_sizes,
                                     const StreamRead& read);

// Encodes cells column by column. Refuses a cell size other than 2, 3 or 4, a
// cell count that does not match, and a value too wide for its cell. Zero rows
// give an empty stream: the caller then writes no stream at all.
Result<std::vector<uint8_t>> EncodeTableStream(const TableCells& table,
                                               std::span<const uint8_t> cell_sizes);

}  // namespace msi::format
