// CNamedColumnMap: a case-insensitive map of objects that also names its
// columns, as an entry list does. It is the first step from the plain map to
// the variable map (CVarMap) and declares the operations that map fills in:
// here a variable is never stored, so SetVariable answers false.
//
// LoadSection and SaveSection work through the process-wide profile
// (profile.h) and through SetVariable, so every subclass loads and saves the
// same way and decides only how a variable is stored.
#pragma once

#include <string>

#include "entry.h"
#include "map_istring_to_ob.h"
#include "mbc_string_array.h"

class CNamedColumnMap : public CMapIStringToOb {
  public:
    CNamedColumnMap();
    ~CNamedColumnMap() override = default;

    // The name of column `index`; empty for an index that has no name.
    virtual std::string GetColumnName(int index) const;
    // Stores a variable; the base stores nothing and returns false.
    virtual bool SetVariable(const char* name, const char* value, const char* text2);
    // Makes `section` the profile's current section, empties the map and
    // defines one variable per key of the section that has a value. Returns the
    // number of variables afterwards.
    virtual int LoadSection(const char* section);
    // Makes `section` current, deletes it from the profile and writes every
    // variable's value (field 0) under its name. True when every write succeeded.
    virtual bool SaveSection(const char* section);
    // Sets the name of column `index`, growing the names; the column count
    // covers it afterwards and is returned. A negative index returns 0.
    virtual int SetColumnName(int index, const std::string& name);
    virtual int SetColumnName(int index, const char* name);
    // The first variable whose column text `column` equals `text` without
    // regard to case, or nullptr.
    virtual CEntry* FindEntry(const char* text, int column) const;

    int GetColumnCount() const { return m_nColumnCount; }

  protected:
    CMbcStringArray m_saColumnNames;
    int m_nColumnCount = 0;
};
