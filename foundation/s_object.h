// CSObject: the root of the library's own classes, a framework object with
// one 32-bit flags word in which every class keeps its state bits (the open
// bit of a database, the modified, new and deleted bits of a table record).
// Which bits mean what belongs to each subclass; the top bit marks an entry
// as not valid (CEntry::IsValid).
#pragma once

#include <cstdint>

#include "core/object.h"

class CSObject : public CObject {
    DECLARE_SERIAL(CSObject)
  public:
    CSObject() = default;
    ~CSObject() override = default;

    // Sets (on) or clears (!on) the bits of `mask`.
    void SetFlags(std::uint32_t mask, bool on);
    std::uint32_t GetFlags() const { return m_dwFlags; }

    // Stores and loads the flags word.
    void Serialize(CArchive& ar) override;

  protected:
    CSObject(const CSObject&) = default;
    CSObject& operator=(const CSObject&) = default;

    // Subclasses read their bits here directly.
    std::uint32_t m_dwFlags = 0;
};
