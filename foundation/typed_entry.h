// CTypedEntry: an entry whose fields have types given by the list that holds
// it. Its field text is the string value of a string column, the integer
// value (in decimal) of an integer column, and empty for any other column.
// The values themselves are a subclass's business (the installer layer's
// table record); the base stores none.
#pragma once

#include <cstdint>
#include <string>

#include "column_type_source.h"
#include "entry.h"

class CTypedEntry : public CEntry {
  public:
    using CEntry::CEntry;
    ~CTypedEntry() override = default;

    std::string GetFieldText(int index) const override;

    virtual std::int32_t GetIntegerValue(int index) const;
    virtual void SetIntegerValue(int index, std::int32_t value);
    virtual std::string GetStringValue(int index) const;
    virtual void SetStringValue(int index, const char* text);
    // The list that knows the column types, or nullptr when there is none.
    virtual const foundation::ColumnTypeSource* GetOwnerList() const { return nullptr; }
};
