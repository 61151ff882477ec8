// CStringList: a doubly linked list of texts, with the positions and
// operations of CObList. The list holds its own copies of the texts.
#pragma once

#include <string>

#include "core/linked_list.h"
#include "core/object.h"
#include "core/position.h"

class CStringList : public CObject {
    DECLARE_SERIAL(CStringList)
  public:
    // Nodes are allocated block_size at a time.
    explicit CStringList(INT_PTR block_size = 10);
    ~CStringList() override = default;

    INT_PTR GetCount() const { return list_.Count(); }
    INT_PTR GetSize() const { return list_.Count(); }
    bool IsEmpty() const { return list_.Count() == 0; }

    // The first / last text; the list must not be empty.
    std::string& GetHead();
    const std::string& GetHead() const;
    std::string& GetTail();
    const std::string& GetTail() const;

    std::string RemoveHead();
    std::string RemoveTail();

    POSITION AddHead(const std::string& text);
    POSITION AddTail(const std::string& text);
    void AddHead(const CStringList* other);
    void AddTail(const CStringList* other);
    void RemoveAll();

    POSITION GetHeadPosition() const { return list_.Head(); }
    POSITION GetTailPosition() const { return list_.Tail(); }
    // The text at `position`; moves `position` on (back), nullptr past the end.
    std::string& GetNext(POSITION& position);
    const std::string& GetNext(POSITION& position) const;
    std::string& GetPrev(POSITION& position);
    const std::string& GetPrev(POSITION& position) const;

    std::string& GetAt(POSITION position);
    const std::string& GetAt(POSITION position) const;
    void SetAt(POSITION position, const std::string& text);
    void RemoveAt(POSITION position);

    // A null position inserts at the head (InsertBefore) or tail (InsertAfter).
    POSITION InsertBefore(POSITION position, const std::string& text);
    POSITION InsertAfter(POSITION position, const std::string& text);

    // The first text equal to `text` byte for byte (case-sensitive), searching
    // from the element AFTER start_after, or from the head when start_after is
    // nullptr; nullptr when there is none.
    POSITION Find(const std::string& text, POSITION start_after = nullptr) const;
    POSITION FindIndex(INT_PTR index) const { return list_.FindIndex(index); }

    // Stores the count and the texts; loading appends the texts read.
    void Serialize(CArchive& ar) override;
    void Dump(CDumpContext& dc) const override;

  private:
    using List = fw::LinkedList<std::string>;
    List list_;
};
