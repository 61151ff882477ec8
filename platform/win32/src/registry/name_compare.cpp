#include "name_compare.h"

#include <string>

#include "mbstring.h"

namespace win32 {

bool SameName(std::string_view a, std::string_view b) {
    // Folding ASCII letters keeps byte lengths, so different lengths can never
    // match; checking it first also keeps an embedded zero byte from ending the
    // comparison early on one side only.
    if (a.size() != b.size()) return false;
    return CompareNames(a, b) == 0;
}

int CompareNames(std::string_view a, std::string_view b) {
    const std::string left(a), right(b);
    int result = _mbsicmp(left.c_str(), right.c_str());
    if (result != 0) return result;
    // Equal up to a zero byte: the longer one sorts last.
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace win32
