// CMapIStringToOb: a hash map from texts, compared without regard to ASCII
// letter case, to objects.
//
// Ownership, by contract: the map holds raw object pointers. While
// m_bOwnsObjects is set (from construction), RemoveAll and the destructor
// delete the values. RemoveKey deletes the removed value always, owning or
// not: a key removed is a value gone. An object stored under several keys is
// still deleted once.
//
// Layout: a bucket table (made when first needed) of chains of association
// records; records come from blocks of `block size` records and go back to a
// free list when removed, so a map that changes a lot allocates rarely.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/object.h"
#include "core/position.h"

class CMapIStringToOb : public CObject {
    DECLARE_SERIAL(CMapIStringToOb)
  public:
    explicit CMapIStringToOb(INT_PTR block_size = 10);
    ~CMapIStringToOb() override;
    CMapIStringToOb(const CMapIStringToOb&) = delete;
    CMapIStringToOb& operator=(const CMapIStringToOb&) = delete;

    // Empties the map (deleting the values when it owns them) and frees the
    // bucket table and every block of records.
    virtual void RemoveAll();

    // A null key is reported (a message box) and is never found.
    bool Lookup(const char* key, CObject*& value) const;
    // The value slot of the key, added with an empty value when absent. A null
    // key is reported and then stands for the empty key.
    CObject*& operator[](const char* key);
    CObject*& operator[](const std::string& key) { return (*this)[key.c_str()]; }
    // Removes the key and deletes its value; false when the key is absent.
    bool RemoveKey(const char* key);

    // Iteration: start at GetStartPosition(); each call hands out one key and
    // value and moves `position` on, to nullptr after the last one.
    POSITION GetStartPosition() const;
    void GetNextAssoc(POSITION& position, std::string& key, CObject*& value) const;

    INT_PTR GetCount() const { return count_; }
    bool IsEmpty() const { return count_ == 0; }
    std::uint32_t GetHashTableSize() const { return hash_table_size_; }
    // False until the first key goes in, and again once the last one is removed.
    bool IsHashTableAllocated() const { return hash_table_ != nullptr; }

    // Sets the number of buckets (making them now when `allocate_now`). Keys
    // already in the map move to their new buckets. A size of 0 is refused.
    void InitHashTable(std::uint32_t size, bool allocate_now = true);

    // The hash of a key: h = h * 33 + byte for every byte, with a to z taken
    // as A to Z and every byte as a signed 8-bit value, in unsigned 32-bit
    // arithmetic. A null key is reported and hashes as 0.
    std::uint32_t HashKey(const char* key) const;

    // Stores a new CDoubleString(text1, text2) under the key; false, and
    // nothing changed, when the key is there already (or is null).
    bool AddPair(const char* key, const char* text1, const char* text2);

    // Stores the count, then every key with its object. Loading adds the pairs
    // read; the map owns the loaded objects.
    void Serialize(CArchive& ar) override;

    std::uint32_t m_dwMapFlags = 0;
    bool m_bOwnsObjects = true;

  private:
    struct Assoc : fw::PositionBase {
        Assoc* next = nullptr;
        std::uint32_t bucket = 0;
        std::string key;
        CObject* value = nullptr;
    };

    Assoc* Find(const char* key, std::uint32_t hash) const;
    // The first record of the first non-empty bucket from `bucket` on, or nullptr.
    Assoc* FirstRecordFrom(std::uint32_t bucket) const;
    Assoc* NewAssoc();
    void FreeAssoc(Assoc* assoc);
    bool HeldUnderAnotherKey(const Assoc* assoc) const;

    std::unique_ptr<Assoc*[]> hash_table_;
    std::uint32_t hash_table_size_ = 17;
    INT_PTR count_ = 0;
    Assoc* free_list_ = nullptr;
    std::vector<std::unique_ptr<Assoc[]>> blocks_;
    INT_PTR block_size_;
};
