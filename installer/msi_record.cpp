#include "msi_record.h"

#include <cstring>

#include "error_report.h"
#include "installer_report.h"
#include "msi_error_text.h"
#include "msiquery.h"

namespace {

// The first read tries this many characters, which covers nearly every field.
constexpr DWORD kFirstReadSize = 255;
constexpr int kSetStreamLine = 460;
constexpr std::uint32_t kSetStreamReportFlags = 3;

}  // namespace

bool CMsiRecord::Create(std::uint32_t count) {
    Attach(MsiCreateRecord(count));
    return m_hHandle != 0;
}

std::uint32_t CMsiRecord::GetFieldCount() {
    if (m_uiFieldCount == 0) {
        const UINT count = MsiRecordGetFieldCount(m_hHandle);
        // A bad handle answers (UINT)-1; that is no count worth keeping.
        m_uiFieldCount = count == static_cast<UINT>(-1) ? 0 : count;
    }
    return m_uiFieldCount;
}

bool CMsiRecord::GetInteger(std::uint32_t field, std::int32_t& value) const {
    value = MsiRecordGetInteger(m_hHandle, field + 1);
    return value != static_cast<std::int32_t>(MSI_NULL_INTEGER);
}

bool CMsiRecord::GetString(std::uint32_t field, std::string& value) const {
    // Read into the caller's string itself: a caller that reads many fields
    // into one string allocates once.
    value.assign(kFirstReadSize + 1, '\0');
    DWORD size = kFirstReadSize;
    UINT result = MsiRecordGetStringA(m_hHandle, field + 1, value.data(), &size);
    if (result == ERROR_MORE_DATA) {
        // The size now holds the length the field needs, without the terminator.
        value.assign(static_cast<std::size_t>(size) + 1, '\0');
        size += 1;
        result = MsiRecordGetStringA(m_hHandle, field + 1, value.data(), &size);
    }
    value.resize(strnlen(value.data(), value.size()));
    return result == ERROR_SUCCESS;
}

bool CMsiRecord::ReadStream(std::uint32_t field, CMsiBinaryValue& value) const {
    DWORD count = 0;
    MsiRecordReadStream(m_hHandle, field + 1, nullptr, &count);
    value.Allocate(count);
    DWORD read = count;
    const UINT result = MsiRecordReadStream(m_hHandle, field + 1, value.GetData(), &read);
    // A stream already read from gives fewer bytes; only those are the value.
    value.Truncate(result == ERROR_SUCCESS ? read : 0);
    return result == ERROR_SUCCESS;
}

bool CMsiRecord::SetInteger(std::uint32_t field, std::int32_t value) {
    return MsiRecordSetInteger(m_hHandle, field + 1, value) == ERROR_SUCCESS;
}

bool CMsiRecord::SetString(std::uint32_t field, const std::string& value) {
    return MsiRecordSetStringA(m_hHandle, field + 1, value.c_str()) == ERROR_SUCCESS;
}

bool CMsiRecord::SetStream(std::uint32_t field, const std::string& path) {
    const UINT result = MsiRecordSetStreamA(m_hHandle, field + 1, path.c_str());
    if (result == ERROR_SUCCESS) return true;
    const std::string text = "Error setting stream " + path + ": " + VSB_MsiErrorText(result);
    VSB_ReportError(installer::Location(kSetStreamLine), 0, text.c_str(), kSetStreamReportFlags);
    return false;
}

void CMsiRecord::Reset() {
    m_uiFieldCount = 0;
}
