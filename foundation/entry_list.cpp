#include "entry_list.h"

#include <mbstring.h>

#include "core/archive.h"
#include "core/exceptions.h"

IMPLEMENT_SERIAL(CEntryList, CObListEx, 1)

CEntryList::CEntryList(INT_PTR block_size) : CObListEx(block_size) {
    m_saColumnNames.SetSize(4);
}

CEntry* CEntryList::FindEntry(const char* text, int column) {
    if (text == nullptr) text = "";
    for (POSITION position = GetHeadPosition(); position != nullptr;) {
        auto* entry = dynamic_cast<CEntry*>(GetNext(position));
        if (entry == nullptr) continue;
        const std::string value =
            column >= 0 ? entry->GetFieldText(column) : entry->GetColumnText(column + 1);
        if (_mbsicmp(value.c_str(), text) == 0) return entry;
    }
    return nullptr;
}

std::string CEntryList::GetColumnName(int index) const {
    if (index < 0 || index >= m_saColumnNames.GetSize()) return std::string();
    return m_saColumnNames.GetAt(index);
}

bool CEntryList::AddEntry(CEntry* entry) {
    AddTail(entry);
    return true;
}

int CEntryList::SetColumnName(int index, const std::string& name) {
    return SetColumnName(index, name.c_str());
}

int CEntryList::SetColumnName(int index, const char* name) {
    if (index < 0) return 0;
    m_saColumnNames.SetAtGrow(index, name != nullptr ? name : "");
    if (m_nColumnCount < index + 1) m_nColumnCount = index + 1;
    return index + 1;
}

void CEntryList::Serialize(CArchive& ar) {
    CObListEx::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<std::int32_t>(m_nColumnCount);
    } else {
        std::int32_t count = 0;
        ar >> count;
        if (count < 0) {
            AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName(),
                                     "negative column count");
        }
        m_nColumnCount = count;
    }
    m_saColumnNames.Serialize(ar);
}
