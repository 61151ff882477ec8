#include "msi_db_mgr.h"

#include "debug_trace.h"
#include "installer_report.h"
#include "msi_engine.h"
#include "msi_package.h"
#include "windows.h"

namespace {

// The manager's own reports. The viewer, its only user, writes no location
// line, so these lines show only in the export tool's variant and in tests.
constexpr int kVerifyFailedLine = 2105;
constexpr int kCopyFailedLine = 2113;
constexpr int kOpenFailedLine = 2139;
constexpr std::uint32_t kReportFlags = 3;

}  // namespace

MsiDbMgr::~MsiDbMgr() {
    Cleanup();
}

bool MsiDbMgr::Open(const char* package_path, const char* transform_path, int mode, bool in_place) {
    if ((m_dwFlags & MSIDBMGR_OPEN) != 0) return true;
    // A failed Open may have left a database object and a working copy; a
    // second Open would otherwise forget the copy's name and leave it behind.
    DiscardLeftovers();
    m_strFailureText.clear();

    const std::string package = package_path != nullptr ? package_path : "";
    CMsiPackage msi_package(package);
    if (!msi_package.Verify()) {
        m_strFailureText = msi::LastFailureText();
        installer::ReportAt(kVerifyFailedLine, "Verification of MSI package failed.", kReportFlags);
        return false;
    }
    if (!in_place) {
        if (!msi_package.MakeWorkingCopy()) {
            installer::ReportAt(kCopyFailedLine,
                                "Can't create temp. working copy of MSI package in TEMP directory.",
                                kReportFlags);
            return false;
        }
        m_strOpenedPath = msi_package.GetWorkingCopyPath();
    } else {
        SetFlags(MSIDBMGR_IN_PLACE, true);
        m_strOpenedPath = package;
    }
    m_strPackagePath = package;
    m_strProductCode = msi_package.GetProductCode();
    m_strProductDescription = msi_package.GetProductDescription();
    if (transform_path != nullptr) m_strTransformPath = transform_path;
    msi_package.Close();

    m_pDatabase = std::make_unique<CMsiDatabase>();
    if (m_pDatabase->Open(m_strOpenedPath, mode)) {
        SetFlags(MSIDBMGR_OPEN, true);
        VSB_Trace("MsiDbMgr: Opened %s in mode %s", m_strOpenedPath.c_str(),
                  GetOpenModeName(mode).c_str());
        return true;
    }
    m_strFailureText = m_pDatabase->GetFailureText();
    installer::ReportAt(kOpenFailedLine, "Failed to open temp. MSI file in transaction mode!",
                        kReportFlags);
    return false;
}

CMsiDatabase* MsiDbMgr::GetDatabase() const {
    return (m_dwFlags & MSIDBMGR_OPEN) != 0 ? m_pDatabase.get() : nullptr;
}

bool MsiDbMgr::Close() {
    if ((m_dwFlags & MSIDBMGR_OPEN) == 0) return true;
    const bool closed = m_pDatabase->Close();
    Cleanup();
    return closed;
}

void MsiDbMgr::Cleanup() {
    // The database goes first: its file must be closed before it is deleted.
    m_pDatabase.reset();
    MsiCloseAllHandles();
    DiscardLeftovers();
}

void MsiDbMgr::DiscardLeftovers() {
    m_pDatabase.reset();
    if ((m_dwFlags & MSIDBMGR_IN_PLACE) == 0 && !m_strOpenedPath.empty())
        DeleteFileA(m_strOpenedPath.c_str());
    m_strPackagePath.clear();
    m_strOpenedPath.clear();
    m_strTransformPath.clear();
    m_dwFlags = 0;
}

std::string GetOpenModeName(int mode) {
    switch (mode) {
        case 0:
            return "MSIDBOPEN_READONLY";
        case 1:
            return "MSIDBOPEN_TRANSACT";
        case 2:
            return "MSIDBOPEN_DIRECT";
        case 3:
            return "MSIDBOPEN_CREATE";
        case 4:
            return "MSIDBOPEN_CREATEDIRECT";
        default:
            return "UNDEFINED";
    }
}
