// CObList: a doubly linked list of object pointers. The list does not own its
// objects: removing an element or destroying the list leaves the object alone
// (owning lists are built on top of this one).
#pragma once

#include "core/linked_list.h"
#include "core/object.h"
#include "core/position.h"

class CObList : public CObject {
    DECLARE_SERIAL(CObList)
  public:
    // Nodes are allocated block_size at a time.
    explicit CObList(INT_PTR block_size = 10);
    ~CObList() override = default;

    INT_PTR GetCount() const { return list_.Count(); }
    INT_PTR GetSize() const { return list_.Count(); }
    bool IsEmpty() const { return list_.Count() == 0; }

    // The first / last element; the list must not be empty.
    CObject*& GetHead();
    CObject* GetHead() const;
    CObject*& GetTail();
    CObject* GetTail() const;

    // Remove and return the first / last element; the list must not be empty.
    CObject* RemoveHead();
    CObject* RemoveTail();

    POSITION AddHead(CObject* object);
    POSITION AddTail(CObject* object);
    // Copies the other list's pointers to the front / back of this one.
    void AddHead(const CObList* other);
    void AddTail(const CObList* other);
    void RemoveAll();

    POSITION GetHeadPosition() const { return list_.Head(); }
    POSITION GetTailPosition() const { return list_.Tail(); }
    // The element at `position`; moves `position` to the next (previous)
    // element, or to nullptr after the last (first) one.
    CObject*& GetNext(POSITION& position);
    CObject* GetNext(POSITION& position) const;
    CObject*& GetPrev(POSITION& position);
    CObject* GetPrev(POSITION& position) const;

    CObject*& GetAt(POSITION position);
    CObject* GetAt(POSITION position) const;
    void SetAt(POSITION position, CObject* object);
    // Removes the element; `position` is invalid afterwards, every other
    // POSITION of the list stays valid.
    void RemoveAt(POSITION position);

    // A null position inserts at the head (InsertBefore) or tail (InsertAfter).
    POSITION InsertBefore(POSITION position, CObject* object);
    POSITION InsertAfter(POSITION position, CObject* object);

    // The first element that is the same object as `object` (compared by
    // address), searching from the element AFTER start_after, or from the head
    // when start_after is nullptr; nullptr when there is none.
    POSITION Find(const CObject* object, POSITION start_after = nullptr) const;
    // The index-th element counted from 0, or nullptr when out of range.
    POSITION FindIndex(INT_PTR index) const { return list_.FindIndex(index); }

    // Stores the count and every object through WriteObject. Loading appends
    // the objects read to the list; since the list does not own them, an owning
    // subclass (or the caller) must take care of deleting them.
    void Serialize(CArchive& ar) override;
    void AssertValid() const override;
    void Dump(CDumpContext& dc) const override;

  private:
    using List = fw::LinkedList<CObject*>;
    List list_;
};
