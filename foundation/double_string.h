// CDoubleString: an entry of two texts, fields 0 and 1. The profile
// variables keep a name's value and its default in one.
#pragma once

#include <cstdint>
#include <string>

#include "entry.h"

class CDoubleString : public CEntry {
    DECLARE_SERIAL(CDoubleString)
  public:
    // An absent text becomes an empty one.
    explicit CDoubleString(const char* text1 = nullptr, const char* text2 = nullptr,
                           std::uint32_t data = 0);
    ~CDoubleString() override = default;

    // Fields 0 and 1; every other index reads empty and is not written.
    std::string GetFieldText(int index) const override;
    std::string GetColumnText(int index) const override { return GetFieldText(index); }
    void SetFieldText(int index, const char* text) override;

    // Stores the data word and the two texts (not the flags word).
    void Serialize(CArchive& ar) override;

  protected:
    std::string m_strText1;
    std::string m_strText2;
};
