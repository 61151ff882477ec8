// CStringListEx: a string list whose AddString keeps each text once and
// refuses empty texts, unless its flags say otherwise. The flags also choose
// how texts are compared when looking for one (compare_text.h).
//
// The installer database keeps the names of its temporary files in one, with
// flags 0: a file name is registered once, whatever its letter case.
#pragma once

#include <cstdint>
#include <string>

#include "compare_text.h"
#include "mbc_string_list.h"

enum : std::uint32_t {
    // AddString accepts an empty text.
    VSB_SLF_ALLOW_EMPTY = 0x1000000,
    // AddString appends without looking for an equal text first.
    VSB_SLF_ALLOW_DUPLICATES = 0x2000000,
};

class CStringListEx : public CMbcStringList {
    DECLARE_DYNCREATE(CStringListEx)
  public:
    explicit CStringListEx(INT_PTR block_size = 10);
    ~CStringListEx() override = default;

    // Appends the text and returns its position; or returns the position of
    // an equal text already in the list; or nullptr when the text is refused
    // (no text at all, or an empty one without VSB_SLF_ALLOW_EMPTY).
    virtual POSITION AddString(const char* text);
    POSITION AddString(const std::string& text) { return AddString(text.c_str()); }

    // The first node, from `start` on (the head when nullptr), whose text
    // equals `text` under the comparison mode of m_dwFlags; nullptr when none.
    POSITION FindString(const char* text, POSITION start = nullptr) const;
    POSITION FindString(const std::string& text, POSITION start = nullptr) const {
        return FindString(text.c_str(), start);
    }

    // Comparison mode (low four bits, VSB_CMP_*) and VSB_SLF_* bits.
    std::uint32_t m_dwFlags = 0;
};
