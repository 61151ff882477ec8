#include "sql/column_type.h"

#include "format/column_type.h"

namespace msi::sql {

using format::ColumnType;

uint16_t ColumnTypeWord(const ColumnDef& column) {
    uint16_t word = 0;
    switch (column.data_type) {
        case DataType::kChar:
            // The parser keeps n in 0..255, so it fits the width byte.
            word =
                ColumnType::kString | static_cast<uint16_t>(column.size & ColumnType::kWidthMask);
            break;
        case DataType::kLongChar:
            word = ColumnType::kString;  // width 0: no length limit
            break;
        case DataType::kShort:
            word = ColumnType::kShort | ColumnType::kShortCellSize;
            break;
        case DataType::kLong:
            word = ColumnType::kLongCellSize;
            break;
        case DataType::kObject:
            word = ColumnType::kObject;
            break;
    }
    if (!column.temporary) word |= ColumnType::kPersistent;
    if (!column.not_null) word |= ColumnType::kNullable;
    if (column.localizable) word |= ColumnType::kLocalizable;
    if (column.primary_key) word |= ColumnType::kKey;
    return word;
}

}  // namespace msi::sql
