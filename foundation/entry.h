// CEntry: an object whose contents are read and written as texts by field
// index, plus one data word for the caller's own use. The base holds no
// fields: every field reads as empty text and writing one does nothing, so a
// subclass overrides only what it stores.
//
// Field texts (GetFieldText) are the stored values; column texts
// (GetColumnText) are what a list shows in its columns and default to the
// field texts.
#pragma once

#include <cstdint>
#include <string>

#include "s_object.h"

class CEntry : public CSObject {
  public:
    // The two texts are for subclasses that keep texts; the base ignores them.
    explicit CEntry(const char* text1 = nullptr, const char* text2 = nullptr,
                    std::uint32_t data = 0);
    ~CEntry() override = default;

    virtual std::string GetFieldText(int index) const;
    virtual std::uint32_t GetData() const { return m_dwData; }
    virtual std::string GetColumnText(int index) const { return GetFieldText(index); }
    // An entry stays valid until something sets the top bit of its flags.
    virtual bool IsValid() const { return static_cast<std::int32_t>(m_dwFlags) >= 0; }
    virtual void SetData(std::uint32_t data) { m_dwData = data; }
    // `text` may be nullptr for "no text"; what that means is the subclass's choice.
    virtual void SetFieldText(int index, const char* text);

  protected:
    std::uint32_t m_dwData;
};
