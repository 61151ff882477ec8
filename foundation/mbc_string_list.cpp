#include "mbc_string_list.h"

IMPLEMENT_DYNCREATE(CMbcStringList, CStringList)

CMbcStringList::CMbcStringList(INT_PTR block_size) : CStringList(block_size) {}
