#include "msi_package.h"

#include <ctime>
#include <vector>

#include "debug_trace.h"
#include "file_services.h"
#include "installer_report.h"
#include "windows.h"
#include "working_copy_name.h"

namespace {

// MsiGetProductPropertyA reads into a buffer of this many characters, the
// terminator included: a value of 255 characters or more does not fit.
constexpr DWORD kPropertyBuffer = 255;

}  // namespace

CMsiPackage::CMsiPackage(const std::string& package_path) {
    Reset();
    m_strPackagePath = package_path;
}

CMsiPackage::~CMsiPackage() {
    Close();
    Reset();
}

bool CMsiPackage::Close() {
    if ((m_dwFlags & kProductOpen) == 0) return true;
    const bool closed = CMsiHandle::Close();
    if (closed) SetFlags(kProductOpen, false);
    return closed;
}

void CMsiPackage::Reset() {
    m_dwFlags = 0;
    m_iUILevel = 2;
    m_dwReportFlags = 2;
    m_strPackagePath.clear();
    m_strProductCode.clear();
    m_strProductName.clear();
    m_strProductVersion.clear();
    m_strManufacturer.clear();
}

void CMsiPackage::SetUILevel() {
    MsiSetInternalUI(static_cast<INSTALLUILEVEL>(m_iUILevel), nullptr);
}

bool CMsiPackage::Verify() {
    SetUILevel();
    VSB_Trace("Checking if %s is a valid MSI package", m_strPackagePath.c_str());
    const UINT result = MsiVerifyPackageA(m_strPackagePath.c_str());
    if (result == ERROR_SUCCESS) return true;
    ReportError("validating database", nullptr, result);
    return false;
}

bool CMsiPackage::OpenPackage() {
    SetUILevel();
    if ((m_dwFlags & kProductOpen) == 0) {
        const UINT result = MsiOpenPackageA(m_strPackagePath.c_str(), &m_hHandle);
        if (result == ERROR_SUCCESS)
            SetFlags(kProductOpen, true);
        else
            ReportError("opening MSI database", nullptr, result);
    }
    return (m_dwFlags & kProductOpen) != 0;
}

bool CMsiPackage::ReadProperties() {
    if ((m_dwFlags & kPropertiesRead) != 0) return true;
    VSB_Trace("Getting properties of MSI package %s...", m_strPackagePath.c_str());
    if (!OpenPackage()) return false;
    ReadProperty("Manufacturer", m_strManufacturer);
    ReadProperty("ProductName", m_strProductName);
    ReadProperty("ProductVersion", m_strProductVersion);
    ReadProperty("ProductCode", m_strProductCode);
    // Set after single failures too: they were reported, and reading again
    // would only report them again.
    SetFlags(kPropertiesRead, true);
    Close();
    return true;
}

bool CMsiPackage::ReadProperty(const char* name, std::string& value) {
    value.clear();
    if (!OpenPackage()) return false;
    std::vector<char> buffer(kPropertyBuffer + 1, '\0');
    DWORD size = kPropertyBuffer;
    const UINT result = MsiGetProductPropertyA(m_hHandle, name, buffer.data(), &size);
    if (result == ERROR_SUCCESS) {
        value.assign(buffer.data());
        return true;
    }
    // A cut value would be a wrong value: the property stays empty instead.
    ReportError("reading property %s from", name, result);
    return false;
}

std::string CMsiPackage::GetProductCode() {
    ReadProperties();
    return m_strProductCode;
}

std::string CMsiPackage::GetProductDescription() {
    ReadProperties();
    return m_strManufacturer + " " + m_strProductName + " " + m_strProductVersion;
}

bool CMsiPackage::MakeWorkingCopy() {
    if (!m_strWorkingCopy.empty()) DeleteFileA(m_strWorkingCopy.c_str());
    m_strWorkingCopy.clear();
    // The name keeps the installer's form, "wkmsi" and the time in seconds
    // (the C library's 32-bit time); the file is created exclusively, so a
    // copy made by another process in the same second gets a numbered name
    // instead of being overwritten.
    const auto seconds = static_cast<std::int32_t>(std::time(nullptr));
    m_strWorkingCopy = installer::CreateUniqueTimeNamedFile(VSB_GetTempDir(), "wkmsi", seconds);
    if (m_strWorkingCopy.empty()) return false;
    if (!CopyFileA(m_strPackagePath.c_str(), m_strWorkingCopy.c_str(), FALSE)) {
        // The reserved name would otherwise stay behind with nobody to delete it.
        DeleteFileA(m_strWorkingCopy.c_str());
        return false;
    }
    // A read-only package must give a copy the installer can write.
    SetFileAttributesA(m_strWorkingCopy.c_str(), FILE_ATTRIBUTE_NORMAL);
    return true;
}

void CMsiPackage::ReportError(const char* context, const char* detail, UINT code) const {
    installer::ReportInstallerError(
        installer::InstallerErrorText(context, detail, m_strPackagePath, code), m_dwReportFlags);
}
