#include "core/string_list.h"

#include <ostream>

#include "core/archive.h"

IMPLEMENT_SERIAL(CStringList, CObject, 1)

namespace {
void RequireNotEmpty(INT_PTR count, const char* operation) {
    if (count == 0) AfxThrowInvalidArgException(std::string(operation) + " on an empty list");
}
}  // namespace

CStringList::CStringList(INT_PTR block_size) : list_(block_size) {}

std::string& CStringList::GetHead() {
    RequireNotEmpty(list_.Count(), "CStringList::GetHead");
    return list_.Head()->data;
}

const std::string& CStringList::GetHead() const {
    RequireNotEmpty(list_.Count(), "CStringList::GetHead");
    return list_.Head()->data;
}

std::string& CStringList::GetTail() {
    RequireNotEmpty(list_.Count(), "CStringList::GetTail");
    return list_.Tail()->data;
}

const std::string& CStringList::GetTail() const {
    RequireNotEmpty(list_.Count(), "CStringList::GetTail");
    return list_.Tail()->data;
}

std::string CStringList::RemoveHead() {
    RequireNotEmpty(list_.Count(), "CStringList::RemoveHead");
    return list_.Remove(list_.Head());
}

std::string CStringList::RemoveTail() {
    RequireNotEmpty(list_.Count(), "CStringList::RemoveTail");
    return list_.Remove(list_.Tail());
}

POSITION CStringList::AddHead(const std::string& text) {
    return list_.InsertBefore(list_.Head(), text);
}

POSITION CStringList::AddTail(const std::string& text) {
    return list_.InsertAfter(list_.Tail(), text);
}

void CStringList::AddHead(const CStringList* other) {
    INT_PTR remaining = other->GetCount();  // fixed first, so other == this terminates
    for (POSITION p = other->GetTailPosition(); remaining-- > 0;) {
        std::string copy = other->GetPrev(p);
        AddHead(copy);
    }
}

void CStringList::AddTail(const CStringList* other) {
    INT_PTR remaining = other->GetCount();  // fixed first, so other == this terminates
    for (POSITION p = other->GetHeadPosition(); remaining-- > 0;) {
        std::string copy = other->GetNext(p);
        AddTail(copy);
    }
}

void CStringList::RemoveAll() {
    list_.Clear();
}

std::string& CStringList::GetNext(POSITION& position) {
    List::Node* node = List::NodeAt(position, "CStringList::GetNext");
    position = node->next;
    return node->data;
}

const std::string& CStringList::GetNext(POSITION& position) const {
    List::Node* node = List::NodeAt(position, "CStringList::GetNext");
    position = node->next;
    return node->data;
}

std::string& CStringList::GetPrev(POSITION& position) {
    List::Node* node = List::NodeAt(position, "CStringList::GetPrev");
    position = node->prev;
    return node->data;
}

const std::string& CStringList::GetPrev(POSITION& position) const {
    List::Node* node = List::NodeAt(position, "CStringList::GetPrev");
    position = node->prev;
    return node->data;
}

std::string& CStringList::GetAt(POSITION position) {
    return List::NodeAt(position, "CStringList::GetAt")->data;
}

const std::string& CStringList::GetAt(POSITION position) const {
    return List::NodeAt(position, "CStringList::GetAt")->data;
}

void CStringList::SetAt(POSITION position, const std::string& text) {
    List::NodeAt(position, "CStringList::SetAt")->data = text;
}

void CStringList::RemoveAt(POSITION position) {
    list_.Remove(List::NodeAt(position, "CStringList::RemoveAt"));
}

POSITION CStringList::InsertBefore(POSITION position, const std::string& text) {
    if (position == nullptr) return AddHead(text);
    return list_.InsertBefore(static_cast<List::Node*>(position), text);
}

POSITION CStringList::InsertAfter(POSITION position, const std::string& text) {
    if (position == nullptr) return AddTail(text);
    return list_.InsertAfter(static_cast<List::Node*>(position), text);
}

POSITION CStringList::Find(const std::string& text, POSITION start_after) const {
    List::Node* node =
        start_after == nullptr ? list_.Head() : static_cast<List::Node*>(start_after)->next;
    for (; node != nullptr; node = node->next) {
        if (node->data == text) return node;
    }
    return nullptr;
}

void CStringList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<uint32_t>(GetCount()));
        for (List::Node* node = list_.Head(); node != nullptr; node = node->next) ar << node->data;
    } else {
        // Every stored text takes at least its 4-byte length.
        for (uint32_t count = ar.ReadCount(4); count > 0; --count) {
            std::string text;
            ar >> text;
            AddTail(text);
        }
    }
}

void CStringList::Dump(CDumpContext& dc) const {
    dc << "a CStringList with " << GetCount() << " elements";
}
