#include "core/string_array.h"

#include <ostream>
#include <utility>

#include "core/archive.h"
#include "core/exceptions.h"

IMPLEMENT_SERIAL(CStringArray, CObject, 1)

void CStringArray::RequireIndex(INT_PTR index, const char* operation) const {
    if (index < 0 || index >= GetSize()) {
        AfxThrowInvalidArgException(std::string(operation) + ": index " + std::to_string(index) +
                                    " outside 0.." + std::to_string(GetSize() - 1));
    }
}

void CStringArray::SetSize(INT_PTR new_size, INT_PTR /*grow_by*/) {
    if (new_size < 0) AfxThrowInvalidArgException("CStringArray::SetSize: negative size");
    items_.resize(static_cast<size_t>(new_size));
}

const std::string& CStringArray::GetAt(INT_PTR index) const {
    RequireIndex(index, "CStringArray::GetAt");
    return items_[static_cast<size_t>(index)];
}

void CStringArray::SetAt(INT_PTR index, std::string text) {
    RequireIndex(index, "CStringArray::SetAt");
    items_[static_cast<size_t>(index)] = std::move(text);
}

std::string& CStringArray::ElementAt(INT_PTR index) {
    RequireIndex(index, "CStringArray::ElementAt");
    return items_[static_cast<size_t>(index)];
}

void CStringArray::SetAtGrow(INT_PTR index, std::string text) {
    if (index < 0) AfxThrowInvalidArgException("CStringArray::SetAtGrow: negative index");
    if (index >= GetSize()) items_.resize(static_cast<size_t>(index) + 1);
    items_[static_cast<size_t>(index)] = std::move(text);
}

INT_PTR CStringArray::Add(std::string text) {
    items_.push_back(std::move(text));
    return GetSize() - 1;
}

INT_PTR CStringArray::Append(const CStringArray& other) {
    INT_PTR first = GetSize();
    // Copy first: `other` may be this array, whose storage the insert reallocates.
    std::vector<std::string> copy = other.items_;
    items_.insert(items_.end(), copy.begin(), copy.end());
    return first;
}

void CStringArray::Copy(const CStringArray& other) {
    if (&other != this) items_ = other.items_;
}

void CStringArray::InsertAt(INT_PTR index, const std::string& text, INT_PTR count) {
    if (index < 0 || count < 0)
        AfxThrowInvalidArgException("CStringArray::InsertAt: negative argument");
    if (index > GetSize()) items_.resize(static_cast<size_t>(index));
    std::string copy = text;  // `text` may be one of our own elements
    items_.insert(items_.begin() + index, static_cast<size_t>(count), copy);
}

void CStringArray::RemoveAt(INT_PTR index, INT_PTR count) {
    if (count < 0 || index < 0 || index + count > GetSize()) {
        AfxThrowInvalidArgException("CStringArray::RemoveAt: elements " + std::to_string(index) +
                                    " to " + std::to_string(index + count - 1) +
                                    " not all in the array");
    }
    items_.erase(items_.begin() + index, items_.begin() + index + count);
}

void CStringArray::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<uint32_t>(items_.size()));
        for (const std::string& text : items_) ar << text;
    } else {
        // Every stored text takes at least its 4-byte length.
        uint32_t count = ar.ReadCount(4);
        std::vector<std::string> loaded(count);
        for (std::string& text : loaded) ar >> text;
        items_ = std::move(loaded);  // all or nothing: a damaged archive leaves us unchanged
    }
}

void CStringArray::Dump(CDumpContext& dc) const {
    dc << "a CStringArray with " << GetSize() << " elements";
}
