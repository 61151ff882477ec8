#include "guid_object.h"

#include "core/archive.h"

IMPLEMENT_SERIAL(CGuid, CSObject, 1)

void CGuid::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.Write(m_guid.data(), m_guid.size());
    } else {
        ar.Read(m_guid.data(), m_guid.size());
        SetFlags(kLoaded, true);
    }
}
