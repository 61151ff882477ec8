#include "ob_list_ex.h"

#include <unordered_set>

#include "core/archive.h"

IMPLEMENT_SERIAL(CObListEx, CObList, 1)

CObListEx::CObListEx(INT_PTR block_size) : CObList(block_size) {}

CObListEx::~CObListEx() {
    CObListEx::RemoveAll();
}

bool CObListEx::RemoveAndDelete(CObject* object) {
    if (!Remove(object)) return false;
    // Any further node holding the object would point at freed memory.
    RemoveEveryNodeOf(object);
    delete object;
    return true;
}

bool CObListEx::Remove(CObject* object) {
    POSITION position = Find(object);
    if (position == nullptr) return false;
    RemoveAt(position);
    return true;
}

void CObListEx::RemoveAll() {
    if (m_bOwnsObjects) {
        std::unordered_set<CObject*> deleted;
        while (!IsEmpty()) {
            CObject* object = RemoveHead();
            if (object != nullptr && deleted.insert(object).second) delete object;
        }
    }
    CObList::RemoveAll();
}

void CObListEx::RemoveEveryNodeOf(const CObject* object) {
    for (POSITION position = Find(object); position != nullptr; position = Find(object)) {
        RemoveAt(position);
    }
}

void CObListEx::Serialize(CArchive& ar) {
    CObList::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dwListFlags;
    else
        ar >> m_dwListFlags;
}
