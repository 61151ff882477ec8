// CVarMap: named text variables, found by name without regard to case.
//
// Each variable is a CDoubleString stored under its name: field 0 is the
// value, field 1 a second text. The map loads and saves whole profile
// sections (LoadSection, SaveSection, from CNamedColumnMap) and has a text
// form:
//
//   $Global_Vars\r\n
//   %NAME%<TAB>value<TAB>second text\r\n      one line per variable
//   \r\n                                      an empty line ends the list
//
// A variable whose second text holds "_@" is left out of the text form.
// Values and texts that hold a tab or a line break cannot be told apart from
// the line's structure: reading stops at such a line.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "delimited_name_map.h"
#include "sorted_entry_list.h"

class CVarMap : public CDelimitedNameMap {
    DECLARE_SERIAL(CVarMap)
  public:
    CVarMap();
    ~CVarMap() override;
    CVarMap(const CVarMap&) = delete;
    CVarMap& operator=(const CVarMap&) = delete;

    // Defines a variable. A value that is an absolute path loses its trailing
    // separator. An existing name (in any letter case) is replaced when the
    // overwrite flag is set, otherwise kept (false). Drops the lookup cache.
    bool SetVariable(const char* name, const char* value, const char* text2) override;
    // Deletes every variable and both caches.
    void RemoveAll() override;

    // Rebuilds the caches: the lookup from upper-case name to value and a new,
    // empty sorted list. With no variables both stay absent.
    virtual void BuildLookup();
    // Stores or loads the text form (see above) through the archive's lines.
    virtual void SerializeText(CArchive& ar);

    // The caches as BuildLookup left them; nullptr when absent.
    const std::unordered_map<std::string, std::string>* GetLookup() const {
        return m_pLookup.get();
    }
    CSortedEntryList* GetSortedList() const { return m_pSortedList.get(); }

    bool m_bOverwrite = true;

  private:
    void DropCaches();

    std::unique_ptr<std::unordered_map<std::string, std::string>> m_pLookup;
    std::unique_ptr<CSortedEntryList> m_pSortedList;
};
