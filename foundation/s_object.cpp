#include "s_object.h"

#include "core/archive.h"

IMPLEMENT_SERIAL(CSObject, CObject, 1)

void CSObject::SetFlags(std::uint32_t mask, bool on) {
    if (on)
        m_dwFlags |= mask;
    else
        m_dwFlags &= ~mask;
}

void CSObject::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_dwFlags;
    else
        ar >> m_dwFlags;
}
