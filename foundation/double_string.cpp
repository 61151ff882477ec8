#include "double_string.h"

#include "core/archive.h"

IMPLEMENT_SERIAL(CDoubleString, CSObject, 1)

CDoubleString::CDoubleString(const char* text1, const char* text2, std::uint32_t data)
    : CEntry(text1, text2, data),
      m_strText1(text1 != nullptr ? text1 : ""),
      m_strText2(text2 != nullptr ? text2 : "") {}

std::string CDoubleString::GetFieldText(int index) const {
    if (index == 0) return m_strText1;
    if (index == 1) return m_strText2;
    return std::string();
}

void CDoubleString::SetFieldText(int index, const char* text) {
    const char* value = text != nullptr ? text : "";
    if (index == 0)
        m_strText1 = value;
    else if (index == 1)
        m_strText2 = value;
}

void CDoubleString::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_dwData << m_strText1 << m_strText2;
    } else {
        ar >> m_dwData >> m_strText1 >> m_strText2;
    }
}
