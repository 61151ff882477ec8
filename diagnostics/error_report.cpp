#include "error_report.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/exceptions.h"
#include "core/message_box.h"
#include "debug_trace.h"
#include "last_error_guard.h"
#include "report_variant.h"

namespace {

// The texts a report goes on with when its own text cannot be built.
constexpr char kReportFailureText[] =
    "Exception occurred while preparing an error report for VSB_ReportError\n";
constexpr char kWinReportFailureText[] =
    "An exception occurred in VSB_ReportWinError while formatting a report...\n";

bool IsTablesmith() {
    return VSB_GetReportVariant() == VSB_VARIANT_TABLESMITH;
}

void ShowReportText(const std::string& text) {
    if (fw::HasApplicationObject()) {
        AfxMessageBox(text, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    // Without an application object the text goes out as it is, with no line
    // feed added: callers that want one put it into their text.
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// The code whose system text a report shows: a failure HRESULT that wraps a
// Win32 or Windows error (or has bits 16 to 19 clear) is looked up by its low
// 14 bits; other failure HRESULTs get `hresult_text` instead (Tablesmith) or
// are looked up unchanged (Deltalens).
DWORD CodeToLookUp(DWORD error, std::string& hresult_text) {
    if (static_cast<int32_t>(error) >= 0) return error;
    DWORD facility = (error >> 16) & 0x1FFF;
    if (facility == FACILITY_WIN32 || facility == FACILITY_WINDOWS || ((error >> 16) & 0xF) == 0) {
        return error & 0x3FFF;
    }
    if (IsTablesmith()) {
        char text[32];
        std::snprintf(text, sizeof text, "HRESULT: 0x%.8x", static_cast<unsigned>(error));
        hresult_text = text;
    }
    return error;
}

std::string SystemText(DWORD code) {
    char* buffer = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer), 0,
                   nullptr);
    if (buffer == nullptr) return {};
    std::string text = buffer;
    LocalFree(buffer);
    return text;
}

// The caller's text as a message template with `insert` as insert 1; false
// when the template is malformed. Inserts 2 to 99 are given as empty texts:
// a caller's text may hold "%2" (for example inside a registry value name it
// filled in), and that must not make the formatter read arguments that were
// never passed.
bool FormatTemplate(std::string& out, const char* format, const char* insert) {
    // One pointer-sized slot per insert, the layout an argument array has.
    std::array<uintptr_t, 99> inserts;
    inserts.fill(reinterpret_cast<uintptr_t>(""));
    inserts[0] = reinterpret_cast<uintptr_t>(insert);
    char* buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY,
        format, 0, 0, reinterpret_cast<LPSTR>(&buffer), 0,
        reinterpret_cast<va_list*>(inserts.data()));
    if (buffer == nullptr) return false;
    out.assign(buffer, length);
    LocalFree(buffer);
    return true;
}

// The report text of VSB_ReportWinError; false when the caller's text is a
// malformed template.
bool BuildWinReportText(const char* text, DWORD error, std::string& report_text) {
    std::string system_text;
    DWORD code = CodeToLookUp(error, system_text);
    if (code != 0 && system_text.empty()) system_text = SystemText(code);

    if (text == nullptr || *text == '\0') {
        report_text = system_text;
        return true;
    }
    if (std::strstr(text, "%1") != nullptr)
        return FormatTemplate(report_text, text, system_text.c_str());
    report_text = std::string(text) + "\n" + system_text;
    return true;
}

}  // namespace

namespace diag {

std::string MakeLocation(const char* source, int line) {
    return std::string(source != nullptr ? source : "") + ".cpp (" + std::to_string(line) + ")";
}

}  // namespace diag

void VSB_ReportError(const std::string& location, DWORD /*msgno*/, const char* text, DWORD flags) {
    diag::LastErrorGuard keep_last_error;
    if (IsTablesmith()) VSB_Trace("Error in line %s", location.c_str());

    // A message number would select a text of its own; no caller passes one,
    // so the report text is always the caller's text.
    std::string report_text;
    try {
        report_text = text != nullptr ? text : "";
    } catch (...) {
        if (IsTablesmith()) report_text = kReportFailureText;
    }

    if (flags & VSB_REPORT_MSGBOX) ShowReportText(report_text);
    if (flags & VSB_REPORT_THROW) AfxThrowUserException();
}

void VSB_ReportWinError(const std::string& location, DWORD msgno, const char* text, DWORD error,
                        DWORD flags) {
    diag::LastErrorGuard keep_last_error;
    std::string report_text;
    bool built = false;
    try {
        built = BuildWinReportText(text, error, report_text);
        // Windows converts the text to the OEM code page for a console here.
        // On Linux the console takes the process code page, so the conversion
        // is the identity and nothing is done.
    } catch (...) {
        built = false;  // only allocation can throw here
    }
    if (!built) {
        if (IsTablesmith()) {
            report_text = kWinReportFailureText;
        } else {
            // Deltalens has no replacement text; it goes on with what the
            // caller said rather than with nothing.
            try {
                report_text = text != nullptr ? text : "";
            } catch (...) {
                report_text.clear();
            }
        }
    }
    VSB_ReportError(location, msgno, report_text.c_str(), flags);
}
