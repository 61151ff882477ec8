// CObListEx: an object list that owns its objects.
//
// Ownership, by contract: from the moment an object is added, the list owns
// it (while m_bOwnsObjects is set, as it is from construction): RemoveAll,
// RemoveAndDelete and the destructor delete it. Remove hands it back to the
// caller undeleted. The list holds raw pointers because that is the framework
// list's interface; no one else may delete an object the list owns.
//
// One object added twice is still deleted once: the list forgets every node
// that holds it before deleting it.
#pragma once

#include <cstdint>

#include "core/ob_list.h"

class CObListEx : public CObList {
    DECLARE_SERIAL(CObListEx)
  public:
    explicit CObListEx(INT_PTR block_size = 10);
    // Deletes the objects the list owns.
    ~CObListEx() override;
    CObListEx(const CObListEx&) = delete;
    CObListEx& operator=(const CObListEx&) = delete;

    // Takes the object out of the list and deletes it, whether or not the list
    // owns its objects. False, and nothing deleted, when it is not in the list.
    virtual bool RemoveAndDelete(CObject* object);
    // Takes the first node holding this very object out of the list; the object
    // is not deleted. False when it is not in the list.
    virtual bool Remove(CObject* object);
    // Empties the list, deleting every object first when the list owns them.
    virtual void RemoveAll();

    // Stores the framework list, then the list flags word. Loaded objects are
    // appended and owned like added ones.
    void Serialize(CArchive& ar) override;

    std::uint32_t m_dwListFlags = 0;
    bool m_bOwnsObjects = true;

  protected:
    // Removes every node holding `object`.
    void RemoveEveryNodeOf(const CObject* object);
};
