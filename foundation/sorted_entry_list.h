// CSortedEntryList: an entry list kept with its longest field-0 texts first.
// The variable map builds one as a cache; longer names first means a text
// search meets "%TEMPDIR%" before "%TEMP%".
#pragma once

#include "entry_list.h"

class CSortedEntryList : public CEntryList {
  public:
    CSortedEntryList() = default;
    ~CSortedEntryList() override = default;

    // Puts the entry before the first entry whose field 0 is shorter, so the
    // list stays ordered by falling length; among equal lengths, the entry
    // added first stays first. The list owns the entry from now on.
    void InsertByLength(CEntry* entry);
};
