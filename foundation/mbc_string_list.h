// CMbcStringList: the framework's string list under the library's own
// run-time class. Texts are multibyte strings of the process code page; the
// list itself never looks inside them.
#pragma once

#include "core/string_list.h"

class CMbcStringList : public CStringList {
    DECLARE_DYNCREATE(CMbcStringList)
  public:
    // Every list of this system allocates its nodes 10 at a time.
    explicit CMbcStringList(INT_PTR block_size = 10);
    ~CMbcStringList() override = default;
};
