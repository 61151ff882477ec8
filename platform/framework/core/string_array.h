// CStringArray: a growable array of texts indexed from 0. Indices outside the
// array are refused with CInvalidArgException rather than touching memory
// that is not there; SetAtGrow and SetSize are the ways to make it longer.
#pragma once

#include <string>
#include <vector>

#include "core/object.h"
#include "core/position.h"

class CStringArray : public CObject {
    DECLARE_SERIAL(CStringArray)
  public:
    CStringArray() = default;
    CStringArray(const CStringArray&) = default;
    CStringArray& operator=(const CStringArray&) = default;
    ~CStringArray() override = default;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(items_.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return items_.empty(); }

    // New elements are empty texts; a smaller size drops the elements at the
    // end. grow_by is accepted for the callers' sake (the vector decides).
    void SetSize(INT_PTR new_size, INT_PTR grow_by = -1);

    const std::string& GetAt(INT_PTR index) const;
    void SetAt(INT_PTR index, std::string text);
    std::string& ElementAt(INT_PTR index);
    // Sets the element, first growing the array with empty texts when the index
    // is at or past the end.
    void SetAtGrow(INT_PTR index, std::string text);
    // Appends; returns the new element's index.
    INT_PTR Add(std::string text);
    // Appends a copy of the other array's elements; returns the first new index.
    INT_PTR Append(const CStringArray& other);
    void Copy(const CStringArray& other);

    // Inserts `count` copies of the text before `index`; an index past the end
    // first grows the array to it.
    void InsertAt(INT_PTR index, const std::string& text, INT_PTR count = 1);
    // Removes `count` elements from `index` on; they must all exist.
    void RemoveAt(INT_PTR index, INT_PTR count = 1);
    void RemoveAll() { items_.clear(); }

    std::string& operator[](INT_PTR index) { return ElementAt(index); }
    const std::string& operator[](INT_PTR index) const { return GetAt(index); }

    // Stores the count and the texts; loading replaces the contents.
    void Serialize(CArchive& ar) override;
    void Dump(CDumpContext& dc) const override;

  private:
    void RequireIndex(INT_PTR index, const char* operation) const;

    std::vector<std::string> items_;
};
