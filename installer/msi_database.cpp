#include "msi_database.h"

#include <cstdint>

#include "installer_report.h"
#include "msi_engine.h"
#include "msiquery.h"
#include "windows.h"

CMsiDatabase::CMsiDatabase() : m_slTempFiles(10) {}

CMsiDatabase::~CMsiDatabase() {
    DeleteTempFiles();
    Close();
    Reset();
}

bool CMsiDatabase::Open(const std::string& path, LPCSTR persist) {
    Shutdown();
    m_strPath = path;
    if (!IsOpen()) {
        const UINT result = KeepFailure(MsiOpenDatabaseA(m_strPath.c_str(), persist, &m_hHandle));
        if (result == ERROR_SUCCESS)
            SetFlags(kOpenFlag, true);
        else
            ReportError("opening MSI database", nullptr, result);
    }
    return IsOpen();
}

bool CMsiDatabase::Open(const std::string& path, int mode) {
    // The installer takes a predefined mode as a small number in the pointer.
    return Open(path, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(mode)));
}

UINT CMsiDatabase::KeepFailure(UINT result) {
    m_strFailureText = result == ERROR_SUCCESS ? std::string() : msi::LastFailureText();
    return result;
}

UINT CMsiDatabase::ExportTable(const std::string& table, const std::string& folder,
                               const std::string& file_name) {
    return KeepFailure(
        MsiDatabaseExportA(m_hHandle, table.c_str(), folder.c_str(), file_name.c_str()));
}

UINT CMsiDatabase::ImportTable(const std::string& folder, const std::string& file_name) {
    return KeepFailure(MsiDatabaseImportA(m_hHandle, folder.c_str(), file_name.c_str()));
}

UINT CMsiDatabase::ExportTableIn(const std::string& table, int folder_fd,
                                 const std::string& file_name) {
    return KeepFailure(
        msi::DatabaseExportIn(m_hHandle, table.c_str(), folder_fd, file_name.c_str()));
}

UINT CMsiDatabase::ImportTableIn(int folder_fd, const std::string& shown_folder,
                                 const std::string& file_name) {
    return KeepFailure(
        msi::DatabaseImportIn(m_hHandle, folder_fd, shown_folder.c_str(), file_name.c_str()));
}

UINT CMsiDatabase::Commit() {
    return KeepFailure(MsiDatabaseCommit(m_hHandle));
}

UINT CMsiDatabase::ApplyTransform(const std::string& transform, int error_conditions) {
    return KeepFailure(MsiDatabaseApplyTransformA(m_hHandle, transform.c_str(), error_conditions));
}

UINT CMsiDatabase::ApplyTransformFrom(const std::string& file, const std::string& storage,
                                      int error_conditions) {
    return KeepFailure(msi::DatabaseApplyTransformFrom(m_hHandle, file.c_str(), storage.c_str(),
                                                       error_conditions));
}

UINT CMsiDatabase::CheckTransformFit(const std::string& file, const std::string& storage,
                                     std::vector<msi::TransformMisfit>& misfits) {
    return KeepFailure(msi::CheckTransformFit(m_hHandle, file.c_str(), storage.c_str(), &misfits));
}

UINT CMsiDatabase::VerifyPackage(const std::string& path) {
    return KeepFailure(MsiVerifyPackageA(path.c_str()));
}

UINT CMsiDatabase::GenerateTransform(const CMsiDatabase& base, const std::string& transform) {
    return KeepFailure(
        MsiDatabaseGenerateTransformA(m_hHandle, base.GetHandle(), transform.c_str(), 0, 0));
}

UINT CMsiDatabase::CreateTransformSummaryInfo(const CMsiDatabase& base,
                                              const std::string& transform, int error_conditions,
                                              int validation) {
    return KeepFailure(MsiCreateTransformSummaryInfoA(
        m_hHandle, base.GetHandle(), transform.c_str(), error_conditions, validation));
}

bool CMsiDatabase::OpenIn(int folder_fd, const std::string& name, const std::string& path,
                          int mode) {
    Shutdown();
    m_strPath = path;
    const auto persist = reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(mode));
    const UINT result =
        KeepFailure(msi::OpenDatabaseIn(folder_fd, name.c_str(), persist, &m_hHandle));
    if (result == ERROR_SUCCESS)
        SetFlags(kOpenFlag, true);
    else
        ReportError("opening MSI database", nullptr, result);
    return IsOpen();
}

void CMsiDatabase::AddTempFile(const std::string& path) {
    m_slTempFiles.AddString(path);
}

void CMsiDatabase::ReportError(const char* context, const char* detail, UINT code) const {
    installer::ReportInstallerError(installer::InstallerErrorText(context, detail, m_strPath, code),
                                    m_dwReportFlags);
}

bool CMsiDatabase::Close() {
    if (!IsOpen()) return true;
    const bool closed = CMsiHandle::Close();
    if (closed) SetFlags(kOpenFlag, false);
    return closed;
}

void CMsiDatabase::Reset() {
    m_dwFlags = 0;
    m_strPath.clear();
}

void CMsiDatabase::Shutdown() {
    DeleteTempFiles();
    Close();
    Reset();
}

void CMsiDatabase::DeleteTempFiles() {
    for (POSITION position = m_slTempFiles.GetHeadPosition(); position != nullptr;)
        DeleteFileA(m_slTempFiles.GetNext(position).c_str());
    m_slTempFiles.RemoveAll();
}
