// INI profile files: GetPrivateProfileStringA and WritePrivateProfileStringA.
//
// Sections and keys match without regard to case (ASCII letters folded,
// multibyte characters compared whole); the first of two equal sections or
// keys is the one found. Lines that start with ';' are comments. Writing
// changes only the line it concerns and keeps every other line, comment and
// blank line as it was; the file is replaced atomically, so a crash leaves
// either the old or the new file.
//
// A file name without a folder lives in the user's configuration folder (the
// place Windows would call its Windows folder), next to the registry store.
//
// Where we refuse what Windows would write: a section, key or value holding
// a line break, a key holding '=' or starting with '[' or ';', and a section
// holding ']', because such a text would read back as other lines, keys or
// sections; the write fails with ERROR_INVALID_PARAMETER and the file stays.
#pragma once

#include "win32/types.h"

extern "C" {
// With a key: its value (blanks around it and one pair of matching quotes
// removed), or the default when the section or key is missing; cut to size-1
// bytes, result size-1. With no key: the section's key names; with no section:
// the section names; each name ends in a zero byte and a further zero byte ends
// the list; when cut, the list ends in two zero bytes and the result is size-2.
// The result never counts the final zero byte(s).
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
// Sets key=value in the section (creating the file and the section when
// missing); no value deletes the key, no key deletes the section.
BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName);
}
