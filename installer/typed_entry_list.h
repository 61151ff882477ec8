// CTypedEntryList: an entry list whose columns carry a data type and
// attribute bits, so that typed entries (CTypedEntry) can tell how to show
// and store each field.
#pragma once

#include <cstdint>
#include <vector>

#include "column_type_source.h"
#include "entry_list.h"

class CTypedEntryList : public CEntryList, public foundation::ColumnTypeSource {
  public:
    explicit CTypedEntryList(INT_PTR block_size = 10) : CEntryList(block_size) {}
    ~CTypedEntryList() override = default;

    // Store the value for column `index`, growing the array as needed; a
    // negative index is ignored.
    virtual void SetColumnAttributes(int index, std::uint32_t value);
    // The stored value, 0 for a column outside the array.
    virtual std::uint32_t GetColumnAttributes(int index) const;
    virtual void SetColumnType(int index, std::uint32_t type);
    // The stored type, 0 (string) for a column outside the array.
    int GetColumnType(int index) const override;

  private:
    std::vector<std::uint32_t> m_dwaColumnAttributes;
    std::vector<std::uint32_t> m_dwaColumnTypes;
};
