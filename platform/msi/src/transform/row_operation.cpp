#include "transform/row_operation.h"

#include <string>

namespace msi::transform {

namespace {

// Reads one little-endian cell of 2, 3 or 4 bytes; false when it overruns.
bool ReadCell(std::span<const uint8_t> stream, size_t& pos, uint8_t size, uint32_t& value) {
    if (size > stream.size() - pos) return false;
    value = 0;
    for (uint8_t i = 0; i < size; ++i) value |= uint32_t{stream[pos + i]} << (8 * i);
    pos += size;
    return true;
}

void WriteCell(std::vector<uint8_t>& out, uint8_t size, uint32_t value) {
    for (uint8_t i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

void PresentColumns(uint16_t mask, size_t columns, size_t keys, std::vector<bool>& present) {
    present.assign(columns, false);
    if (mask == 0) {
        for (size_t c = 0; c < keys; ++c) present[c] = true;
    } else if (mask & 1) {
        const size_t count = std::min<size_t>(mask >> 8, columns);
        for (size_t c = 0; c < count; ++c) present[c] = true;
    } else {
        for (size_t c = 0; c < columns; ++c)
            present[c] = c < keys || (c < kMaskColumns && (mask & (1u << c)) != 0);
    }
}

Result<bool> RowOperationReader::Next(RowOperation& op) {
    if (pos_ >= stream_.size()) return false;
    const size_t columns = cell_sizes_.size();
    const size_t at = pos_;
    auto fail = [&](const std::string& why) {
        return Status::Corrupt("record at byte " + std::to_string(at) + ": " + why);
    };
    if (stream_.size() - pos_ < 2) return fail("truncated mask");
    op.mask = static_cast<uint16_t>(stream_[pos_] | (stream_[pos_ + 1] << 8));
    pos_ += 2;
    if (op.mask == 0) {
        op.kind = RowOperation::Kind::kDelete;
    } else if (op.mask & 1) {
        op.kind = RowOperation::Kind::kAdd;
        const size_t count = op.mask >> 8;
        if (count > columns) return fail("adds more columns than the table has");
        if (count < key_count_ || count == 0) return fail("adds a row without its keys");
    } else {
        op.kind = RowOperation::Kind::kUpdate;
        // Bits of columns the table does not have mean the record was
        // written for another table shape.
        for (size_t bit = 1; bit < kMaskColumns; ++bit)
            if ((op.mask & (1u << bit)) && bit >= columns)
                return fail("updates a column the table lacks");
    }
    if (op.kind != RowOperation::Kind::kAdd && key_count_ == 0)
        return fail("changes a row of a table without keys");
    PresentColumns(op.mask, columns, key_count_, op.present);
    op.cells.assign(columns, 0);
    for (size_t c = 0; c < columns; ++c) {
        if (!op.present[c]) continue;
        if (!ReadCell(stream_, pos_, cell_sizes_[c], op.cells[c]))
            return fail("overruns the stream");
    }
    return true;
}

Result<std::vector<RowOperation>> ParseRowOperations(std::span<const uint8_t> stream,
                                                     std::span<const uint8_t> cell_sizes,
                                                     size_t key_count) {
    RowOperationReader reader(stream, cell_sizes, key_count);
    std::vector<RowOperation> ops;
    for (;;) {
        RowOperation op;
        Result<bool> more = reader.Next(op);
        if (!more.ok()) return more.status();
        if (!*more) return ops;
        ops.push_back(std::move(op));
    }
}

void AppendRowOperation(std::vector<uint8_t>& out, const RowOperation& op,
                        std::span<const uint8_t> cell_sizes, size_t key_count) {
    WriteCell(out, 2, op.mask);
    std::vector<bool> present;
    PresentColumns(op.mask, cell_sizes.size(), key_count, present);
    for (size_t c = 0; c < cell_sizes.size(); ++c)
        if (present[c]) WriteCell(out, cell_sizes[c], op.cells[c]);
}

}  // namespace msi::transform
