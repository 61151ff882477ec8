#include "sorted_entry_list.h"

void CSortedEntryList::InsertByLength(CEntry* entry) {
    const size_t length = entry->GetFieldText(0).size();
    POSITION position = GetHeadPosition();
    while (position != nullptr) {
        POSITION here = position;
        const auto* current = static_cast<const CEntry*>(GetNext(position));
        if (current->GetFieldText(0).size() < length) {
            InsertBefore(here, entry);
            return;
        }
    }
    AddTail(entry);
}
