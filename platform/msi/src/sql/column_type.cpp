#include "sql/column_type.h"

namespace msi::sql {

uint16_t ColumnTypeWord(const ColumnDef& column) {
    uint16_t word = 0;
    switch (column.data_type) {
        case DataType::kChar:
            // The parser keeps n in 0..255, so it fits the width byte.
            word = kTypeString | static_cast<uint16_t>(column.size & 0xFF);
            break;
        case DataType::kLongChar:
            word = kTypeString;  // width 0: no length limit
            break;
        case DataType::kShort:
            word = kTypeShortInt | 2;
            break;
        case DataType::kLong:
            word = 4;
            break;
        case DataType::kObject:
            word = kTypeObject;
            break;
    }
    if (!column.temporary) word |= kTypePersistent;
    if (!column.not_null) word |= kTypeNullable;
    if (column.localizable) word |= kTypeLocalizable;
    if (column.primary_key) word |= kTypeKey;
    return word;
}

}  // namespace msi::sql
