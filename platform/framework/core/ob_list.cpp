#include "core/ob_list.h"

#include <ostream>

#include "core/archive.h"

IMPLEMENT_SERIAL(CObList, CObject, 1)

namespace {
void RequireNotEmpty(INT_PTR count, const char* operation) {
    if (count == 0) AfxThrowInvalidArgException(std::string(operation) + " on an empty list");
}
}  // namespace

CObList::CObList(INT_PTR block_size) : list_(block_size) {}

CObject*& CObList::GetHead() {
    RequireNotEmpty(list_.Count(), "CObList::GetHead");
    return list_.Head()->data;
}

CObject* CObList::GetHead() const {
    RequireNotEmpty(list_.Count(), "CObList::GetHead");
    return list_.Head()->data;
}

CObject*& CObList::GetTail() {
    RequireNotEmpty(list_.Count(), "CObList::GetTail");
    return list_.Tail()->data;
}

CObject* CObList::GetTail() const {
    RequireNotEmpty(list_.Count(), "CObList::GetTail");
    return list_.Tail()->data;
}

CObject* CObList::RemoveHead() {
    RequireNotEmpty(list_.Count(), "CObList::RemoveHead");
    return list_.Remove(list_.Head());
}

CObject* CObList::RemoveTail() {
    RequireNotEmpty(list_.Count(), "CObList::RemoveTail");
    return list_.Remove(list_.Tail());
}

POSITION CObList::AddHead(CObject* object) {
    return list_.InsertBefore(list_.Head(), object);
}

POSITION CObList::AddTail(CObject* object) {
    return list_.InsertAfter(list_.Tail(), object);
}

void CObList::AddHead(const CObList* other) {
    // Walking the other list backwards keeps its order at our front. The count
    // is fixed first: when other == this, the walk would otherwise run on into
    // the elements it has just added.
    INT_PTR remaining = other->GetCount();
    for (POSITION p = other->GetTailPosition(); remaining-- > 0;) AddHead(other->GetPrev(p));
}

void CObList::AddTail(const CObList* other) {
    INT_PTR remaining = other->GetCount();  // fixed first, so other == this terminates
    for (POSITION p = other->GetHeadPosition(); remaining-- > 0;) AddTail(other->GetNext(p));
}

void CObList::RemoveAll() {
    list_.Clear();
}

CObject*& CObList::GetNext(POSITION& position) {
    List::Node* node = List::NodeAt(position, "CObList::GetNext");
    position = node->next;
    return node->data;
}

CObject* CObList::GetNext(POSITION& position) const {
    List::Node* node = List::NodeAt(position, "CObList::GetNext");
    position = node->next;
    return node->data;
}

CObject*& CObList::GetPrev(POSITION& position) {
    List::Node* node = List::NodeAt(position, "CObList::GetPrev");
    position = node->prev;
    return node->data;
}

CObject* CObList::GetPrev(POSITION& position) const {
    List::Node* node = List::NodeAt(position, "CObList::GetPrev");
    position = node->prev;
    return node->data;
}

CObject*& CObList::GetAt(POSITION position) {
    return List::NodeAt(position, "CObList::GetAt")->data;
}

CObject* CObList::GetAt(POSITION position) const {
    return List::NodeAt(position, "CObList::GetAt")->data;
}

void CObList::SetAt(POSITION position, CObject* object) {
    List::NodeAt(position, "CObList::SetAt")->data = object;
}

void CObList::RemoveAt(POSITION position) {
    list_.Remove(List::NodeAt(position, "CObList::RemoveAt"));
}

POSITION CObList::InsertBefore(POSITION position, CObject* object) {
    if (position == nullptr) return AddHead(object);
    return list_.InsertBefore(static_cast<List::Node*>(position), object);
}

POSITION CObList::InsertAfter(POSITION position, CObject* object) {
    if (position == nullptr) return AddTail(object);
    return list_.InsertAfter(static_cast<List::Node*>(position), object);
}

POSITION CObList::Find(const CObject* object, POSITION start_after) const {
    List::Node* node =
        start_after == nullptr ? list_.Head() : static_cast<List::Node*>(start_after)->next;
    for (; node != nullptr; node = node->next) {
        if (node->data == object) return node;
    }
    return nullptr;
}

void CObList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<uint32_t>(GetCount()));
        for (List::Node* node = list_.Head(); node != nullptr; node = node->next) {
            ar.WriteObject(node->data);
        }
    } else {
        // Every stored object takes at least its tag byte.
        for (uint32_t count = ar.ReadCount(1); count > 0; --count) AddTail(ar.ReadObject(nullptr));
    }
}

void CObList::AssertValid() const {
    INT_PTR counted = 0;
    const List::Node* previous = nullptr;
    for (const List::Node* node = list_.Head(); node != nullptr; node = node->next) {
        if (node->prev != previous) AfxThrowInvalidArgException("CObList: broken back link");
        previous = node;
        ++counted;
    }
    if (previous != list_.Tail() || counted != list_.Count()) {
        AfxThrowInvalidArgException("CObList: count or tail does not match the links");
    }
}

void CObList::Dump(CDumpContext& dc) const {
    dc << "a CObList with " << GetCount() << " elements";
}
