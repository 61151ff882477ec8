#include "format/table_stream.h"

#include <algorithm>

#include "format/byte_order.h"

namespace msi::format {
namespace {

constexpr uint32_t kShortBias = 0x8000;
constexpr uint32_t kShortMask = 0xFFFF;
constexpr uint32_t kLongBias = 0x80000000;
constexpr uint32_t kNullCell = 0;
constexpr int32_t kMaxShort = 0x7FFF;
// The most bytes of a stream held at once while its cells are decoded: a
// multiple of 2, 3 and 4, so that a piece always ends on a whole cell.
constexpr size_t kDecodePiece = 12 * 1024 * 5;

Status CheckCellSizes(std::span<const uint8_t> cell_sizes, size_t& row_width) {
    row_width = 0;
    for (size_t c = 0; c < cell_sizes.size(); ++c) {
        if (cell_sizes[c] < 2 || cell_sizes[c] > 4) {
            return Status::InvalidArgument("column " + std::to_string(c + 1) + " has cell size " +
                                           std::to_string(cell_sizes[c]) + "; 2, 3 or 4 expected");
        }
        row_width += cell_sizes[c];
    }
    return Status::Ok();
}

// One column of `rows` cells starting at `in`; the stride walks the row-major output.
template <unsigned kSize>
void DecodeColumn(const uint8_t* in, size_t rows, uint32_t* out, size_t stride) {
    for (size_t r = 0; r < rows; ++r, in += kSize, out += stride) {
        if constexpr (kSize == 2) *out = LoadU16(in);
        if constexpr (kSize == 3) *out = LoadU24(in);
        if constexpr (kSize == 4) *out = LoadU32(in);
    }
}

}  // namespace

Result<uint32_t> StoreShortInteger(int32_t value) {
    if (value == kNullInteger) return kNullCell;
    if (value < -kMaxShort || value > kMaxShort) {
        return Status::InvalidArgument("integer " + std::to_string(value) +
                                       " does not fit a 2-byte column (-32767..32767)");
    }
    return (uint32_t(value) + kShortBias) & kShortMask;
}

int32_t LoadShortInteger(uint32_t cell) {
    if (cell == kNullCell) return kNullInteger;
    return int32_t(cell & kShortMask) - int32_t(kShortBias);
}

uint32_t StoreLongInteger(int32_t value) {
    // kNullInteger (0x80000000) maps to 0, the null cell, by the same formula.
    return uint32_t(value) ^ kLongBias;
}

int32_t LoadLongInteger(uint32_t cell) {
    // The inverse formula also maps the null cell 0 back to kNullInteger.
    return int32_t(cell ^ kLongBias);
}

Result<TableCells> DecodeTableStream(std::span<const uint8_t> stream,
                                     std::span<const uint8_t> cell_sizes) {
    return DecodeTableStream(stream.size(), cell_sizes,
                             [stream](uint64_t offset, std::span<uint8_t> out) {
                                 std::copy_n(stream.data() + offset, out.size(), out.data());
                                 return Status::Ok();
                             });
}

Result<TableCells> DecodeTableStream(uint64_t size, std::span<const uint8_t> cell_sizes,
                                     const StreamRead& read) {
    size_t row_width = 0;
    if (Status s = CheckCellSizes(cell_sizes, row_width); !s.ok()) return s;
    TableCells table;
    table.column_count = cell_sizes.size();
    if (size == 0) return table;
    if (row_width == 0) {
        return Status::Corrupt("table stream of " + std::to_string(size) +
                               " bytes for a table without columns");
    }
    // A partial row means the column list does not fit the data (for example
    // a wrong string reference width); guessing would misalign every column.
    if (size % row_width != 0) {
        return Status::Corrupt("table stream of " + std::to_string(size) +
                               " bytes is not a whole number of " + std::to_string(row_width) +
                               "-byte rows");
    }
    table.row_count = static_cast<size_t>(size / row_width);
    table.cells.resize(table.row_count * table.column_count);
    // Each column is read in pieces of whole cells into one small buffer and
    // decoded from there. A stream that fits in one piece is read in one go:
    // most tables are a few hundred bytes, and a read per column would cost a
    // system call each.
    std::vector<uint8_t> piece(std::min<uint64_t>(size, kDecodePiece));
    const bool whole = piece.size() == size;
    if (whole) {
        if (Status s = read(0, piece); !s.ok()) return s;
    }
    uint64_t offset = 0;
    for (size_t c = 0; c < table.column_count; ++c) {
        const unsigned cell_size = cell_sizes[c];
        const size_t rows_per_piece = whole ? table.row_count : piece.size() / cell_size;
        uint32_t* out = table.cells.data() + c;
        for (size_t row = 0; row < table.row_count;) {
            const size_t rows = std::min(rows_per_piece, table.row_count - row);
            const std::span<uint8_t> bytes =
                whole ? std::span<uint8_t>(piece).subspan(offset, rows * cell_size)
                      : std::span<uint8_t>(piece.data(), rows * cell_size);
            if (!whole) {
                if (Status s = read(offset, bytes); !s.ok()) return s;
            }
            switch (cell_size) {
                case 2:
                    DecodeColumn<2>(bytes.data(), rows, out, table.column_count);
                    break;
                case 3:
                    DecodeColumn<3>(bytes.data(), rows, out, table.column_count);
                    break;
                case 4:
                    DecodeColumn<4>(bytes.data(), rows, out, table.column_count);
                    break;
            }
            offset += bytes.size();
            out += rows * table.column_count;
            row += rows;
        }
    }
    return table;
}

Result<std::vector<uint8_t>> EncodeTableStream(const TableCells& table,
                                               std::span<const uint8_t> cell_sizes) {
    size_t row_width = 0;
    if (Status s = CheckCellSizes(cell_sizes, row_width); !s.ok()) return s;
    if (table.column_count != cell_sizes.size() ||
        table.cells.size() != table.row_count * table.column_count) {
        return Status::InvalidArgument("table has " + std::to_string(table.cells.size()) +
                                       " cells for " + std::to_string(table.row_count) +
                                       " rows of " + std::to_string(cell_sizes.size()) +
                                       " columns");
    }
    std::vector<uint8_t> out(table.row_count * row_width);
    uint8_t* p = out.data();
    for (size_t c = 0; c < table.column_count; ++c) {
        const unsigned size = cell_sizes[c];
        const uint64_t limit = uint64_t(1) << (8 * size);
        for (size_t r = 0; r < table.row_count; ++r, p += size) {
            const uint32_t v = table.At(r, c);
            if (v >= limit) {
                return Status::InvalidArgument("value " + std::to_string(v) + " in row " +
                                               std::to_string(r + 1) + ", column " +
                                               std::to_string(c + 1) + " does not fit a " +
                                               std::to_string(size) + "-byte cell");
            }
            if (size == 2) StoreU16(p, uint16_t(v));
            if (size == 3) StoreU24(p, v);
            if (size == 4) StoreU32(p, v);
        }
    }
    return out;
}

}  // namespace msi::format
