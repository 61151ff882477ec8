// Text formatting: the system message table and wvsprintf.
#pragma once

#include "win32/types.h"

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

extern "C" {
// FROM_SYSTEM: the English text of a Windows error code, ending in "\r\n";
// 0 and ERROR_MR_MID_NOT_FOUND for a code without text.
// FROM_STRING: the source with %1..%99 replaced by the inserts (strings unless
// "%n!fmt!" gives a printf format); %n is a line break, %0 ends the text, %%
// a percent sign. Without an argument list the inserts stay as written. With ALLOCATE_BUFFER,
// lpBuffer receives a pointer to a buffer that LocalFree releases.
DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                     LPSTR lpBuffer, DWORD nSize, va_list* Arguments);
HLOCAL LocalFree(HLOCAL hMem);
// Windows printf-style formatting ("l" is 32 bits, "h" 16, "I64" 64; no floating
// point) into a buffer of at most 1024 bytes, terminator included; returns the
// length written.
int wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist);
int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...);
}
