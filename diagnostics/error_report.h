// Error reports: the one way the support library tells about a failure, once,
// where it is detected.
//
//   VSB_ReportError(VSB_LOCATION("MsiDbClasses", 228), 0, text.c_str(), m_dwReportFlags);
//
// A report writes the trace line "Error in line <location>" (Tablesmith only),
// then, by its flags, shows the text (VSB_REPORT_MSGBOX) and abandons the
// current operation with CUserException (VSB_REPORT_THROW). The report text
// itself never goes to the trace.
#pragma once

#include <string>

#include <windows.h>

// Show the report text: in a message box with the exclamation icon when the
// program has an application object, else on standard output unchanged.
inline constexpr DWORD VSB_REPORT_MSGBOX = 0x04;
// After showing, throw CUserException; the report does not return.
inline constexpr DWORD VSB_REPORT_THROW = 0x08;

// The location of a check, "<source>.cpp (<line>)". The callers name the
// source file of the check as one of MsiDbClasses, ListClasses, RegClasses,
// ProfileLib, with a fixed line number, so that trace lines are the same in
// every build whatever our own file names and line numbers are.
#define VSB_LOCATION(source, line) ::diag::MakeLocation((source), (line))

namespace diag {
std::string MakeLocation(const char* source, int line);
}  // namespace diag

// Reports `text` (null counts as empty). msgno is 0 everywhere in this system
// and means "no message number"; another value is accepted and ignored.
// Never fails towards the caller; throws CUserException only with VSB_REPORT_THROW.
void VSB_ReportError(const std::string& location, DWORD msgno, const char* text, DWORD flags);

// Reports `text` together with the system's text for a Windows error code or
// HRESULT `error` (as a rule the caller's GetLastError()):
//   no text (null or empty)  -> the system text alone
//   text containing "%1"     -> the text as a message template, the system text as insert 1
//   other text               -> text + "\n" + system text
// A failure HRESULT of facility 7 (Win32) or 8 (Windows), or whose bits 16 to
// 19 are clear, is looked up by its low 14 bits; another facility gives
// "HRESULT: 0x%.8x" (Tablesmith) or is looked up unchanged (Deltalens). Error 0
// has no system text. Does not change the thread's last error.
void VSB_ReportWinError(const std::string& location, DWORD msgno, const char* text, DWORD error,
                        DWORD flags);
