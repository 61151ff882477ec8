// Row-operation records: what one table stream of a transform holds.
//
// A table stream is a plain concatenation of records, each
//
//   u16 mask, then the cells the mask names, each as wide as the cell of
//   that column in the target table (string = the transform pool's reference
//   size, integer = 2 or 4, binary = 2 placeholder)
//
//   mask == 0           delete: the key columns only
//   mask & 1            add: the first (mask >> 8) columns, in order
//   otherwise           update: the key columns, then every non-key column i
//                       (0-based, keys counted) whose bit 1 << i is set
//
// The column types come from the target schema including columns the same
// transform adds, so _Tables and _Columns are read first (see TransformPlan).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/status.h"

namespace msi::transform {

struct RowOperation {
    enum class Kind { kDelete, kAdd, kUpdate };
    Kind kind = Kind::kDelete;
    uint16_t mask = 0;
    // One raw stored cell per column of the target table (transform string
    // ids, biased integers, binary flags); `present` says which were written.
    std::vector<uint32_t> cells;
    std::vector<bool> present;
};

// Cell widths of an update mask: only bits 1..15 can name a column.
inline constexpr size_t kMaskColumns = 16;

// Which of a table's `columns` columns, `keys` of them key columns, a record
// with `mask` carries.
void PresentColumns(uint16_t mask, size_t columns, size_t keys, std::vector<bool>& present);

// Reads a table stream one record at a time, so that a stream of millions of
// records never needs them all in memory at once.
class RowOperationReader {
  public:
    // `stream` and `cell_sizes` must outlive the reader.
    RowOperationReader(std::span<const uint8_t> stream, std::span<const uint8_t> cell_sizes,
                       size_t key_count)
        : stream_(stream), cell_sizes_(cell_sizes), key_count_(key_count) {}

    // Reads the next record into `op`, reusing its storage: true for a
    // record, false at the end of the stream. Fails (kCorrupt) when a record
    // overruns the stream, an add names more columns than the table has or
    // fewer than its keys, an update flags a column the table lacks, or the
    // table has no key columns but the stream updates or deletes rows.
    Result<bool> Next(RowOperation& op);

  private:
    std::span<const uint8_t> stream_;
    std::span<const uint8_t> cell_sizes_;
    size_t key_count_;
    size_t pos_ = 0;
};

// Parses a whole table stream, failing as RowOperationReader::Next does.
Result<std::vector<RowOperation>> ParseRowOperations(std::span<const uint8_t> stream,
                                                     std::span<const uint8_t> cell_sizes,
                                                     size_t key_count);

// The reverse, for the generator: appends one record. `cells` holds a value
// for every column; only the columns the mask names are written.
void AppendRowOperation(std::vector<uint8_t>& out, const RowOperation& op,
                        std::span<const uint8_t> cell_sizes, size_t key_count);

}  // namespace msi::transform
