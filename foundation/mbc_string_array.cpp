#include "mbc_string_array.h"

IMPLEMENT_DYNCREATE(CMbcStringArray, CStringArray)
