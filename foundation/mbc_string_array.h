// CMbcStringArray: the framework's string array under the library's own
// run-time class. Entry lists keep their column names in one, and a
// CStringArrayEntry its field texts.
#pragma once

#include "core/string_array.h"

class CMbcStringArray : public CStringArray {
    DECLARE_DYNCREATE(CMbcStringArray)
  public:
    CMbcStringArray() = default;
    CMbcStringArray(const CMbcStringArray&) = default;
    CMbcStringArray& operator=(const CMbcStringArray&) = default;
    ~CMbcStringArray() override = default;
};
