// The installer's general interface as this engine offers it: handles, the
// product (package) operations a tool needs, the user-interface level, the
// summary-information property ids and value types, and the handle-closing
// calls. The database interface is in msiquery.h, which includes this file.
//
// Only the ANSI forms exist here. Strings are byte strings in the process's
// ANSI code page (UTF-8 on Linux); buffer sizes are counted in CHAR units.
#pragma once

#ifdef __cplusplus
#include <windows.h>
#else
// A C program gets the base types and error codes only; the rest of the
// base services are C++ declarations.
#include "win32/types.h"
#include "win32/winerror.h"
#endif

// A handle to an engine object; 0 is "no handle". Handles are process-wide.
typedef uint32_t MSIHANDLE;

// An integer record field or summary value that holds no value.
#define MSI_NULL_INTEGER 0x80000000

// User-interface levels of MsiSetInternalUI. The engine shows no user
// interface; it only remembers the level so that the previous one is returned.
typedef enum tagINSTALLUILEVEL {
    INSTALLUILEVEL_NOCHANGE = 0,
    INSTALLUILEVEL_DEFAULT = 1,
    INSTALLUILEVEL_NONE = 2,
    INSTALLUILEVEL_BASIC = 3,
    INSTALLUILEVEL_REDUCED = 4,
    INSTALLUILEVEL_FULL = 5,
    INSTALLUILEVEL_HIDECANCEL = 0x20,
    INSTALLUILEVEL_PROGRESSONLY = 0x40,
    INSTALLUILEVEL_ENDDIALOG = 0x80,
    INSTALLUILEVEL_SOURCERESONLY = 0x100,
} INSTALLUILEVEL;

// Summary-information property ids (the installer's names for the ids of the
// summary property set; PID_MSI* are the installer's meanings of 14-16).
#define PID_DICTIONARY 0
#define PID_CODEPAGE 1
#define PID_TITLE 2
#define PID_SUBJECT 3
#define PID_AUTHOR 4
#define PID_KEYWORDS 5
#define PID_COMMENTS 6
#define PID_TEMPLATE 7
#define PID_LASTAUTHOR 8
#define PID_REVNUMBER 9
#define PID_EDITTIME 10
#define PID_LASTPRINTED 11
#define PID_CREATE_DTM 12
#define PID_LASTSAVE_DTM 13
#define PID_PAGECOUNT 14
#define PID_WORDCOUNT 15
#define PID_CHARCOUNT 16
#define PID_THUMBNAIL 17
#define PID_APPNAME 18
#define PID_SECURITY 19
#define PID_MSIVERSION PID_PAGECOUNT
#define PID_MSISOURCE PID_WORDCOUNT
#define PID_MSIRESTRICT PID_CHARCOUNT

// Value types of summary properties.
#define VT_EMPTY 0
#define VT_I2 2
#define VT_I4 3
#define VT_LPSTR 30
#define VT_FILETIME 64

#ifdef __cplusplus
extern "C" {
#endif

// Closes one handle. Closing 0 succeeds; a handle that is not open gives
// ERROR_INVALID_HANDLE. An object stays alive while another object needs it.
UINT MsiCloseHandle(MSIHANDLE hAny);
// Closes every handle of the process; returns how many were open (0 = none).
UINT MsiCloseAllHandles(void);

// Opens a package for reading its properties: a product handle.
UINT MsiOpenPackageA(LPCSTR szPackagePath, MSIHANDLE* hProduct);
// ERROR_SUCCESS when the file is an installer database that opens.
UINT MsiVerifyPackageA(LPCSTR szPackagePath);
// A Property-table value of an opened package; a missing property is "".
UINT MsiGetProductPropertyA(MSIHANDLE hProduct, LPCSTR szProperty, LPSTR lpValueBuf,
                            DWORD* pcchValueBuf);
// Sets the user-interface level; returns the previous level.
INSTALLUILEVEL MsiSetInternalUI(INSTALLUILEVEL dwUILevel, HWND* phWnd);

#ifdef __cplusplus
}
#endif
