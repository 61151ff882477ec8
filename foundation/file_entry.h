// CFileEntry: an object with one text and three 32-bit words, kept for
// callers that record a file with a few numbers of their own.
#pragma once

#include <cstdint>
#include <string>

#include "s_object.h"

class CFileEntry : public CSObject {
    DECLARE_SERIAL(CFileEntry)
  public:
    CFileEntry() = default;
    ~CFileEntry() override = default;

    // Stores the flags word, the text and the three words.
    void Serialize(CArchive& ar) override;

    std::string m_strText;
    // Start as zero, so that words never set read the same every time.
    std::uint32_t m_dwValues[3] = {0, 0, 0};
};
