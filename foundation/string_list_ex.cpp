#include "string_list_ex.h"

IMPLEMENT_DYNCREATE(CStringListEx, CMbcStringList)

CStringListEx::CStringListEx(INT_PTR block_size) : CMbcStringList(block_size) {}

POSITION CStringListEx::AddString(const char* text) {
    if (text == nullptr) return nullptr;
    if (*text == '\0' && (m_dwFlags & VSB_SLF_ALLOW_EMPTY) == 0) return nullptr;
    if ((m_dwFlags & VSB_SLF_ALLOW_DUPLICATES) == 0) {
        if (POSITION found = FindString(text, nullptr)) return found;
    }
    return AddTail(text);
}

POSITION CStringListEx::FindString(const char* text, POSITION start) const {
    POSITION position = start != nullptr ? start : GetHeadPosition();
    while (position != nullptr) {
        POSITION current = position;
        if (VSB_CompareText(text, GetNext(position).c_str(), m_dwFlags) == 0) return current;
    }
    return nullptr;
}
