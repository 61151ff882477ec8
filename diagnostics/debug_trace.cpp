#include "debug_trace.h"

#include <cstring>
#include <string>

#include "last_error_guard.h"
#include "report_variant.h"

namespace {

// The buffer the printf-style path formats into; wvsprintfA itself writes at
// most 1024 bytes of it.
constexpr size_t kTraceBufferSize = 2048;

// Written instead of the caller's line when the line cannot be formatted (a
// null format, a malformed "%1" template, no memory). Like every trace text it
// gets its own line feed appended, so the line reads "...report.\n\n".
constexpr char kTraceFailureText[] = "An Exception occurred while formatting a report.\n";

std::string FormatTraceText(LPCSTR format, va_list arguments) {
    if (format == nullptr) return kTraceFailureText;
    if (std::strstr(format, "%1") != nullptr) {
        // A template takes its inserts by position and copies them unchanged,
        // so "Created registry key '%1'" survives a key name with a '%' in it.
        va_list inserts;
        va_copy(inserts, arguments);
        char* buffer = nullptr;
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                      format, 0, 0, reinterpret_cast<LPSTR>(&buffer), 0, &inserts);
        va_end(inserts);
        // An empty result also returns 0, but then a buffer was allocated.
        if (buffer == nullptr) return kTraceFailureText;
        std::string text(buffer, length);
        LocalFree(buffer);
        return text;
    }
    char buffer[kTraceBufferSize];
    va_list printf_arguments;
    va_copy(printf_arguments, arguments);
    int length = wvsprintfA(buffer, format, printf_arguments);
    va_end(printf_arguments);
    if (length < 0) return kTraceFailureText;
    return std::string(buffer, static_cast<size_t>(length));
}

void WriteTraceLine(LPCSTR format, va_list arguments) {
    if (VSB_GetReportVariant() == VSB_VARIANT_DELTALENS) return;
    diag::LastErrorGuard keep_last_error;
    std::string line;
    try {
        line = FormatTraceText(format, arguments);
        line += '\n';
    } catch (...) {
        // Only allocation can fail here; a trace never fails towards its caller.
        line = std::string(kTraceFailureText) + '\n';
    }
    OutputDebugStringA(line.c_str());
}

}  // namespace

void VSB_Trace(LPCSTR format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteTraceLine(format, arguments);
    va_end(arguments);
}

void VSB_TraceError(LPCSTR format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteTraceLine(format, arguments);
    va_end(arguments);
}

void VSB_TraceTagged(LPCSTR tag, LPCSTR format, va_list arguments) {
    if (VSB_GetReportVariant() == VSB_VARIANT_DELTALENS) return;
    // The tag is filled into "[%s] " first and the caller's format appended;
    // the joined text is then the format of the line.
    char prefix[kTraceBufferSize];
    int length = wsprintfA(prefix, "[%s] ", tag);
    std::string joined(prefix, static_cast<size_t>(length > 0 ? length : 0));
    joined += format != nullptr ? format : "";
    va_list copy;
    va_copy(copy, arguments);
    WriteTraceLine(format != nullptr ? joined.c_str() : nullptr, copy);
    va_end(copy);
}

void VSB_BetaTrace(LPCSTR format, ...) {
    va_list arguments;
    va_start(arguments, format);
    VSB_TraceTagged("BETA_BUILD", format, arguments);
    va_end(arguments);
}
