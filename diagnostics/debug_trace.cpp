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

bool IsTemplate(LPCSTR format) {
    return format != nullptr && std::strstr(format, "%1") != nullptr;
}

std::string FormatTraceText(LPCSTR format, bool as_template, va_list arguments) {
    if (format == nullptr) return kTraceFailureText;
    if (as_template) {
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

void WriteTraceLine(LPCSTR format, bool as_template, va_list arguments) {
    if (VSB_GetReportVariant() == VSB_VARIANT_DELTALENS) return;
    diag::LastErrorGuard keep_last_error;
    std::string line;
    try {
        line = FormatTraceText(format, as_template, arguments);
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
    WriteTraceLine(format, IsTemplate(format), arguments);
    va_end(arguments);
}

void VSB_TraceError(LPCSTR format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteTraceLine(format, IsTemplate(format), arguments);
    va_end(arguments);
}

void VSB_TraceTagged(LPCSTR tag, LPCSTR format, va_list arguments) {
    if (VSB_GetReportVariant() == VSB_VARIANT_DELTALENS) return;
    if (format == nullptr) {
        WriteTraceLine(nullptr, false, arguments);
        return;
    }
    std::string joined;
    try {
        // The line is "[<tag>] " and the caller's format. A percent sign in the
        // tag is doubled so that it prints as itself: read as a directive it
        // would take an argument the caller never passed. Whether the line is a
        // template is the caller's format's decision alone.
        char prefix[kTraceBufferSize];
        int length = wsprintfA(prefix, "[%s] ", tag);
        for (int i = 0; i < length; ++i) {
            if (prefix[i] == '%') joined += '%';
            joined += prefix[i];
        }
        joined += format;
    } catch (...) {
        WriteTraceLine(nullptr, false, arguments);
        return;
    }
    va_list copy;
    va_copy(copy, arguments);
    WriteTraceLine(joined.c_str(), IsTemplate(format), copy);
    va_end(copy);
}

void VSB_BetaTrace(LPCSTR format, ...) {
    va_list arguments;
    va_start(arguments, format);
    VSB_TraceTagged("BETA_BUILD", format, arguments);
    va_end(arguments);
}
