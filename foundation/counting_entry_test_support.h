// A test entry that counts its destructions, so that tests of owning lists
// and maps can tell whether each object was deleted exactly once.
#pragma once

#include <string>

#include "double_string.h"
#include "entry_list.h"

namespace foundation {

class CountingEntry : public CDoubleString {
  public:
    explicit CountingEntry(int* deletions, const char* text1 = nullptr, const char* text2 = nullptr)
        : CDoubleString(text1, text2, 0), deletions_(deletions) {}
    ~CountingEntry() override {
        if (deletions_ != nullptr) ++*deletions_;
    }

  private:
    int* deletions_;
};

// An entry list that makes two-field entries, as the tools' lists do.
class PairList : public CEntryList {
  public:
    explicit PairList(int* deletions = nullptr) : deletions_(deletions) {}
    CEntry* CreateEntry() override { return new CountingEntry(deletions_); }

  private:
    int* deletions_;
};

}  // namespace foundation
