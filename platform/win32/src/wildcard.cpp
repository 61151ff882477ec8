// Wildcard matching for directory search.
#include "wildcard.h"

namespace win32 {
namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Iterative matcher with one backtracking point: the position after the most
// recent '*'. Linear in practice and never recursive, so a pattern of many
// stars from a hostile caller cannot exhaust the stack.
bool Match(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0;
    size_t star = std::string_view::npos, star_name = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_name = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++star_name;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != text.npos;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") return true;
    if (Match(pattern, name)) return true;
    if (pattern.size() > 1 && pattern.back() == '.' && name.find('.') == name.npos) {
        return Match(pattern.substr(0, pattern.size() - 1), name);
    }
    return false;
}

}  // namespace win32
