#include "registry_key.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "debug_trace.h"
#include "error_report.h"

namespace {

// The lines the reports name in RegClasses; kept constant so the trace line
// is the same in every build.
constexpr int kOpenCheckLine = 64;
constexpr int kReadCheckLine = 93;
constexpr int kWriteCheckLine = 112;

constexpr std::uint32_t kTraceOnly = 3;

std::string Fill(const char* format, const char* text) {
    std::string out = format;
    out.replace(out.find("%s"), 2, text != nullptr ? text : "");
    return out;
}

}  // namespace

CRegistryKey::CRegistryKey(std::int32_t report_level) : m_nReportLevel(report_level) {}

CRegistryKey::~CRegistryKey() {
    Close();
}

LONG CRegistryKey::Close() {
    if (m_hKey == nullptr) return ERROR_SUCCESS;
    LONG result = RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return result;
}

bool CRegistryKey::Open(HKEY root, const char* path, REGSAM access, DWORD options) {
    Close();
    m_lLastResult = RegOpenKeyExA(root, path, 0, access, &m_hKey);
    if (m_lLastResult == ERROR_SUCCESS) return true;
    m_hKey = nullptr;

    // Read-only callers never create keys, and a key we may not open we may
    // not create either.
    if (access != KEY_READ && m_lLastResult != ERROR_ACCESS_DENIED) {
        m_lLastResult =
            RegCreateKeyExA(root, path, 0, nullptr, options, access, nullptr, &m_hKey, nullptr);
        if (m_lLastResult == ERROR_SUCCESS) {
            if (m_nReportLevel > 3)
                VSB_Trace("Created registry key '%1'", path != nullptr ? path : "");
            return true;
        }
        m_hKey = nullptr;
    }

    const bool asks_write = (access & KEY_WRITE) == KEY_WRITE;
    if (m_nReportLevel > 0 || (m_nReportLevel == 0 && asks_write)) {
        VSB_ReportWinError(VSB_LOCATION("RegClasses", kOpenCheckLine), 0,
                           Fill("Couldn\u00b4t open registry key '%s' ", path).c_str(),
                           static_cast<DWORD>(m_lLastResult), kTraceOnly);
    }
    return false;
}

bool CRegistryKey::ReadValue(const char* name, DWORD* type, BYTE* data, DWORD* size) {
    if (m_hKey == nullptr) return false;
    m_lLastResult = RegQueryValueExA(m_hKey, name, nullptr, type, data, size);
    if (m_lLastResult == ERROR_SUCCESS) return true;
    if (m_nReportLevel > 0) {
        const std::string text = name != nullptr ? Fill("Couldn\u00b4t read regvalue %s", name)
                                                 : std::string("Couldn\u00b4t read standard value");
        VSB_ReportWinError(VSB_LOCATION("RegClasses", kReadCheckLine), 0, text.c_str(),
                           static_cast<DWORD>(m_lLastResult),
                           static_cast<std::uint32_t>(m_nReportLevel));
    }
    return false;
}

bool CRegistryKey::WriteValue(const char* name, DWORD type, const BYTE* data, DWORD size) {
    if (m_hKey == nullptr) return false;
    m_lLastResult = RegSetValueExA(m_hKey, name, 0, type, data, size);
    if (m_lLastResult == ERROR_SUCCESS) return true;
    if (m_nReportLevel >= 0) {
        VSB_ReportWinError(VSB_LOCATION("RegClasses", kWriteCheckLine), 0,
                           Fill("Couldn\u00b4t set regvalue %s", name).c_str(),
                           static_cast<DWORD>(m_lLastResult),
                           static_cast<std::uint32_t>(std::max<std::int32_t>(m_nReportLevel, 3)));
    }
    return false;
}

bool CRegistryKey::WriteString(const char* name, const char* text) {
    const char* value = text != nullptr ? text : "";
    return WriteValue(name, REG_SZ, reinterpret_cast<const BYTE*>(value),
                      static_cast<DWORD>(std::strlen(value) + 1));
}
