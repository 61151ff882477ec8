// CStringArrayEntry: an entry with any number of text fields, kept in a
// string array. The viewer's change list holds one per change, with the five
// fields Table, Column, Row, Data and Current.
#pragma once

#include <cstdint>
#include <string>

#include "entry.h"
#include "mbc_string_array.h"

class CStringArrayEntry : public CEntry {
    DECLARE_SERIAL(CStringArrayEntry)
  public:
    // Sets fields 0 to 4 from the texts, in that order (see SetFieldText), so
    // an entry made without texts has five empty fields.
    explicit CStringArrayEntry(const char* text0 = nullptr, const char* text1 = nullptr,
                               const char* text2 = nullptr, const char* text3 = nullptr,
                               const char* text4 = nullptr);
    ~CStringArrayEntry() override = default;

    // The field's text; empty for an index outside the array.
    std::string GetFieldText(int index) const override;
    std::string GetColumnText(int index) const override { return GetFieldText(index); }
    // Sets the field, growing the array. An absent text (nullptr) is stored as
    // an empty one, but only at or before the end of the array: it never
    // leaves a run of empty fields behind it.
    void SetFieldText(int index, const char* text) override;

    INT_PTR GetFieldCount() const { return m_saFields.GetSize(); }

    // Stores the text array, then the data word (not the flags word).
    void Serialize(CArchive& ar) override;

  protected:
    CMbcStringArray m_saFields;
};
