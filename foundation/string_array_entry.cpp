#include "string_array_entry.h"

#include "core/archive.h"

IMPLEMENT_SERIAL(CStringArrayEntry, CSObject, 1)

CStringArrayEntry::CStringArrayEntry(const char* text0, const char* text1, const char* text2,
                                     const char* text3, const char* text4)
    : CEntry(text0, text1, 0) {
    // Set in order from field 0, every one of the five exists, absent texts
    // as empty ones: the array takes its size once.
    const char* texts[] = {text0, text1, text2, text3, text4};
    m_saFields.SetSize(5);
    for (int i = 0; i < 5; ++i) SetFieldText(i, texts[i]);
}

std::string CStringArrayEntry::GetFieldText(int index) const {
    if (index < 0 || index >= m_saFields.GetSize()) return std::string();
    return m_saFields.GetAt(index);
}

void CStringArrayEntry::SetFieldText(int index, const char* text) {
    if (index < 0) return;
    if (text == nullptr && index > m_saFields.GetSize()) return;
    m_saFields.SetAtGrow(index, text != nullptr ? text : "");
}

void CStringArrayEntry::Serialize(CArchive& ar) {
    m_saFields.Serialize(ar);
    if (ar.IsStoring())
        ar << m_dwData;
    else
        ar >> m_dwData;
}
