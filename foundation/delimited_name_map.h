// CDelimitedNameMap: a named-column map whose variables are written in texts
// between a prefix and a suffix (CVarMap makes both "%", as in "%TEMP%").
// Here a variable is stored as a CDoubleString only when its name is new;
// an existing one is kept.
#pragma once

#include <string>

#include "named_column_map.h"

class CDelimitedNameMap : public CNamedColumnMap {
  public:
    CDelimitedNameMap() = default;
    ~CDelimitedNameMap() override = default;

    // Stores a new CDoubleString(value, text2) under the name when the name is
    // absent (in any letter case); false, and nothing changed, otherwise.
    bool SetVariable(const char* name, const char* value, const char* text2) override;

  protected:
    std::string m_strPrefix;
    std::string m_strSuffix;
};
