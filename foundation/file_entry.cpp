#include "file_entry.h"

#include "core/archive.h"

IMPLEMENT_SERIAL(CFileEntry, CSObject, 1)

void CFileEntry::Serialize(CArchive& ar) {
    CSObject::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_strText << m_dwValues[0] << m_dwValues[1] << m_dwValues[2];
    } else {
        ar >> m_strText >> m_dwValues[0] >> m_dwValues[1] >> m_dwValues[2];
    }
}
