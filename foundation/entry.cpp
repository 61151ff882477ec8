#include "entry.h"

CEntry::CEntry(const char* /*text1*/, const char* /*text2*/, std::uint32_t data) : m_dwData(data) {}

std::string CEntry::GetFieldText(int /*index*/) const {
    return std::string();
}

void CEntry::SetFieldText(int /*index*/, const char* /*text*/) {}
