#include "change_columns.h"

#include "entry_list.h"

namespace deltalens {

void NameChangeColumns(CEntryList& changes) {
    for (int column = 0; column < kChangeColumnCount; ++column)
        changes.SetColumnName(column, kChangeColumnNames[column]);
}

}  // namespace deltalens
