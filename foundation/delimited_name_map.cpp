#include "delimited_name_map.h"

bool CDelimitedNameMap::SetVariable(const char* name, const char* value, const char* text2) {
    // The map reports a null key with a message box; a variable without a
    // name is simply refused.
    if (name == nullptr) return false;
    return AddPair(name, value, text2);
}
