// Pieces of the code-page service shared inside the library.
#pragma once

#include "win32/types.h"

namespace win32 {
// glibc iconv's name for a Windows code page (0 means the process's), or
// nullptr when the code page has no entry in our table.
const char* IconvNameOfCodePage(UINT code_page);
}  // namespace win32
