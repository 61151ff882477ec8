// Code pages: the process's ANSI code page (UTF-8 by default, 932 selectable)
// and conversion between code pages with iconv.
#pragma once

#include <string>
#include <string_view>

#include "win32/types.h"

#define CP_ACP 0
#define CP_UTF8 65001

extern "C" UINT GetACP(void);

namespace win32 {
// Selects the process's ANSI code page: 65001 (the default) or a double-byte
// code page such as 932. Returns false for a code page iconv does not know.
bool SetProcessCodePage(UINT code_page);
UINT ProcessCodePage();
// True when iconv can convert from and to this code page (0 means the process's).
bool IsKnownCodePage(UINT code_page);
// True when iconv turns every byte below 0x80 into itself from one code page
// to the other (0 means the process's), so that ASCII text needs no
// converting; false for pages that spell ASCII otherwise (UTF-16, UTF-7).
bool CodePagesShareAscii(UINT from_cp, UINT to_cp);
// Converts text between code pages (0 means the process's code page). Returns
// false when a byte sequence cannot be converted; `out` then holds what could be.
bool ConvertCodePage(std::string_view in, UINT from_cp, UINT to_cp, std::string& out);
}  // namespace win32
