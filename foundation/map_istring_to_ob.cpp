#include "map_istring_to_ob.h"

#include <mbstring.h>

#include <unordered_set>

#include "core/archive.h"
#include "double_string.h"
#include "error_report.h"

IMPLEMENT_SERIAL(CMapIStringToOb, CObject, 1)

namespace {

// Where the null-key check reports from; kept constant so that the trace
// line is the same in every build.
constexpr int kHashKeyCheckLine = 120;

// Iteration starts "before the first record", which no record's address can be.
POSITION BeforeStart() {
    return reinterpret_cast<POSITION>(static_cast<intptr_t>(-1));
}

}  // namespace

CMapIStringToOb::CMapIStringToOb(INT_PTR block_size)
    : block_size_(block_size > 0 ? block_size : 10) {}

CMapIStringToOb::~CMapIStringToOb() {
    CMapIStringToOb::RemoveAll();
}

std::uint32_t CMapIStringToOb::HashKey(const char* key) const {
    if (key == nullptr) {
        VSB_ReportError(VSB_LOCATION("ListClasses", kHashKeyCheckLine), 0,
                        "Call to HashKey with NULL ptr", 23);
        return 0;
    }
    std::uint32_t hash = 0;
    for (const char* p = key; *p != '\0'; ++p) {
        char c = *p;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        // Bytes 0x80 and above count as negative numbers.
        hash = hash * 33 +
               static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(c)));
    }
    return hash;
}

CMapIStringToOb::Assoc* CMapIStringToOb::Find(const char* key, std::uint32_t hash) const {
    if (hash_table_ == nullptr || key == nullptr) return nullptr;
    for (Assoc* assoc = hash_table_[hash % hash_table_size_]; assoc != nullptr;
         assoc = assoc->next) {
        if (_mbsicmp(assoc->key.c_str(), key) == 0) return assoc;
    }
    return nullptr;
}

bool CMapIStringToOb::Lookup(const char* key, CObject*& value) const {
    const Assoc* assoc = Find(key, HashKey(key));
    if (assoc == nullptr) return false;
    value = assoc->value;
    return true;
}

CObject*& CMapIStringToOb::operator[](const char* key) {
    const std::uint32_t hash = HashKey(key);
    if (key == nullptr) key = "";
    if (Assoc* assoc = Find(key, hash)) return assoc->value;

    if (hash_table_ == nullptr) InitHashTable(hash_table_size_, true);
    Assoc* assoc = NewAssoc();
    assoc->bucket = hash % hash_table_size_;
    assoc->key = key;
    assoc->value = nullptr;
    assoc->next = hash_table_[assoc->bucket];
    hash_table_[assoc->bucket] = assoc;
    ++count_;
    return assoc->value;
}

bool CMapIStringToOb::RemoveKey(const char* key) {
    const std::uint32_t hash = HashKey(key);
    if (hash_table_ == nullptr || key == nullptr) return false;
    for (Assoc** link = &hash_table_[hash % hash_table_size_]; *link != nullptr;
         link = &(*link)->next) {
        Assoc* assoc = *link;
        if (_mbsicmp(assoc->key.c_str(), key) != 0) continue;
        *link = assoc->next;
        // A value that another key still holds must stay alive for that key.
        if (!HeldUnderAnotherKey(assoc)) delete assoc->value;
        FreeAssoc(assoc);
        if (--count_ == 0) RemoveAll();
        return true;
    }
    return false;
}

bool CMapIStringToOb::HeldUnderAnotherKey(const Assoc* assoc) const {
    if (assoc->value == nullptr) return false;
    for (std::uint32_t bucket = 0; bucket < hash_table_size_; ++bucket) {
        for (const Assoc* other = hash_table_[bucket]; other != nullptr; other = other->next) {
            if (other != assoc && other->value == assoc->value) return true;
        }
    }
    return false;
}

void CMapIStringToOb::RemoveAll() {
    if (hash_table_ != nullptr) {
        std::unordered_set<CObject*> deleted;
        for (std::uint32_t bucket = 0; bucket < hash_table_size_; ++bucket) {
            for (Assoc* assoc = hash_table_[bucket]; assoc != nullptr; assoc = assoc->next) {
                if (m_bOwnsObjects && assoc->value != nullptr &&
                    deleted.insert(assoc->value).second) {
                    delete assoc->value;
                }
                assoc->key.clear();
            }
        }
    }
    hash_table_.reset();
    count_ = 0;
    free_list_ = nullptr;
    blocks_.clear();
}

CMapIStringToOb::Assoc* CMapIStringToOb::NewAssoc() {
    if (free_list_ == nullptr) {
        blocks_.push_back(std::make_unique<Assoc[]>(static_cast<std::size_t>(block_size_)));
        Assoc* block = blocks_.back().get();
        for (INT_PTR i = block_size_; i-- > 0;) {
            block[i].next = free_list_;
            free_list_ = &block[i];
        }
    }
    Assoc* assoc = free_list_;
    free_list_ = assoc->next;
    return assoc;
}

void CMapIStringToOb::FreeAssoc(Assoc* assoc) {
    assoc->key.clear();
    assoc->value = nullptr;
    assoc->next = free_list_;
    free_list_ = assoc;
}

void CMapIStringToOb::InitHashTable(std::uint32_t size, bool allocate_now) {
    if (size == 0) return;
    std::unique_ptr<Assoc*[]> old_table = std::move(hash_table_);
    const std::uint32_t old_size = hash_table_size_;
    hash_table_size_ = size;
    // Records already in the map are moved over, so none is lost.
    if (allocate_now || count_ > 0) hash_table_ = std::make_unique<Assoc*[]>(size);
    if (old_table == nullptr) return;
    for (std::uint32_t bucket = 0; bucket < old_size; ++bucket) {
        while (Assoc* assoc = old_table[bucket]) {
            old_table[bucket] = assoc->next;
            assoc->bucket = HashKey(assoc->key.c_str()) % size;
            assoc->next = hash_table_[assoc->bucket];
            hash_table_[assoc->bucket] = assoc;
        }
    }
}

POSITION CMapIStringToOb::GetStartPosition() const {
    return count_ == 0 ? nullptr : BeforeStart();
}

CMapIStringToOb::Assoc* CMapIStringToOb::FirstRecordFrom(std::uint32_t bucket) const {
    if (hash_table_ == nullptr) return nullptr;
    for (; bucket < hash_table_size_; ++bucket) {
        if (hash_table_[bucket] != nullptr) return hash_table_[bucket];
    }
    return nullptr;
}

void CMapIStringToOb::GetNextAssoc(POSITION& position, std::string& key, CObject*& value) const {
    const Assoc* current =
        position == BeforeStart() ? FirstRecordFrom(0) : static_cast<const Assoc*>(position);
    // Nothing to hand out (an empty map, or iteration already over): end it
    // instead of reading a record that is not there.
    if (current == nullptr) {
        position = nullptr;
        key.clear();
        value = nullptr;
        return;
    }
    const Assoc* next =
        current->next != nullptr ? current->next : FirstRecordFrom(current->bucket + 1);
    key = current->key;
    value = current->value;
    position = const_cast<Assoc*>(next);
}

bool CMapIStringToOb::AddPair(const char* key, const char* text1, const char* text2) {
    CObject* existing = nullptr;
    if (Lookup(key, existing) || key == nullptr) return false;
    (*this)[key] = new CDoubleString(text1, text2, 0);
    return true;
}

void CMapIStringToOb::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(count_));
        for (POSITION position = GetStartPosition(); position != nullptr;) {
            std::string key;
            CObject* value = nullptr;
            GetNextAssoc(position, key, value);
            ar << key;
            ar.WriteObject(value);
        }
        return;
    }
    // Each pair takes at least a key length (4 bytes) and an object tag.
    const std::uint32_t count = ar.ReadCount(5);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string key;
        ar >> key;
        std::unique_ptr<CObject> value(ar.ReadObject(nullptr));
        CObject*& slot = (*this)[key];
        if (slot != nullptr && slot != value.get() && m_bOwnsObjects) delete slot;
        slot = value.release();
    }
}
