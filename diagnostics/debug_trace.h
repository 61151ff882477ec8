// Trace lines on the debug output channel (OutputDebugStringA). The channel is
// silent unless someone listens: VSB_TRACE=1 in the environment sends it to
// standard error, tests attach a TraceCapture.
//
// A format that contains "%1" is a message template: its inserts are taken by
// position ("%1" is the first argument, as a string) and percent signs inside
// the inserted texts are copied unchanged. Any other format is printf-style
// (wvsprintfA), cut at 1023 bytes. Every call writes exactly one line, ending
// in "\n". Arguments must be what the format says: char pointers for "%1" and
// "%s", int for "%d" ... (never a std::string).
#pragma once

#include <cstdarg>

#include <windows.h>

void VSB_Trace(LPCSTR format, ...);
// The same line as VSB_Trace; callers use it for summaries of failures.
void VSB_TraceError(LPCSTR format, ...);
// The line is "[<tag>] " followed by the formatted text.
void VSB_TraceTagged(LPCSTR tag, LPCSTR format, va_list arguments);
// VSB_TraceTagged with the tag "BETA_BUILD".
void VSB_BetaTrace(LPCSTR format, ...);
