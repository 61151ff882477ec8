// MsiDatabaseExportA and MsiDatabaseImportA over the text-archive module.
// Failures are also written to the debug output channel, with the
// `file:line: message` of a parse error, since the result codes cannot carry
// them.
#include <string>

#include "api/api_objects.h"
#include "msi_engine.h"
#include "api/last_failure.h"
#include "idt/text_archive.h"
#include "msiquery.h"
#include "win32/debug.h"

namespace {

using msi::idt::ArchiveFailure;

UINT ToResult(const msi::Status& status, ArchiveFailure failure, const char* call) {
    if (status.ok()) return ERROR_SUCCESS;
    msi::api::NoteLastFailure(status);
    OutputDebugStringA((std::string(call) + ": " + status.message() + "\n").c_str());
    switch (failure) {
        case ArchiveFailure::kBadPath:
            return ERROR_BAD_PATHNAME;
        // Wine answers an unknown table with the code of a failed query,
        // which is what its export runs; we give the same code.
        case ArchiveFailure::kUnknownTable:
            return ERROR_BAD_QUERY_SYNTAX;
        default:
            return ERROR_FUNCTION_FAILED;
    }
}

}  // namespace

extern "C" UINT MsiDatabaseExportA(MSIHANDLE hDatabase, LPCSTR szTableName, LPCSTR szFolderPath,
                                   LPCSTR szFileName) {
    msi::api::ClearLastFailure();
    auto db = msi::api::GetDatabase(hDatabase);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!szTableName || !szFolderPath || !szFileName) return ERROR_INVALID_PARAMETER;
    ArchiveFailure failure = ArchiveFailure::kNone;
    const msi::Status s =
        msi::idt::ExportArchive(*db, szTableName, szFolderPath, szFileName, &failure);
    return ToResult(s, failure, "MsiDatabaseExport");
}

UINT msi::DatabaseExportIn(MSIHANDLE database, LPCSTR table, int folder_fd, LPCSTR file) {
    msi::api::ClearLastFailure();
    auto db = msi::api::GetDatabase(database);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!table || !file) return ERROR_INVALID_PARAMETER;
    ArchiveFailure failure = ArchiveFailure::kNone;
    auto folder = msi::storage::Folder::FromDescriptor(folder_fd);
    if (!folder.ok())
        return ToResult(folder.status(), ArchiveFailure::kBadPath, "MsiDatabaseExport");
    const msi::Status s = msi::idt::ExportArchive(*db, table, *folder, file, &failure);
    return ToResult(s, failure, "MsiDatabaseExport");
}

UINT msi::DatabaseImportIn(MSIHANDLE database, int folder_fd, LPCSTR shown_folder, LPCSTR file) {
    msi::api::ClearLastFailure();
    auto db = msi::api::GetDatabase(database);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!file) return ERROR_INVALID_PARAMETER;
    ArchiveFailure failure = ArchiveFailure::kNone;
    auto folder = msi::storage::Folder::FromDescriptor(folder_fd);
    if (!folder.ok())
        return ToResult(folder.status(), ArchiveFailure::kBadPath, "MsiDatabaseImport");
    const msi::Status s =
        msi::idt::ImportArchive(*db, *folder, shown_folder ? shown_folder : ".", file, &failure);
    return ToResult(s, failure, "MsiDatabaseImport");
}

extern "C" UINT MsiDatabaseImportA(MSIHANDLE hDatabase, LPCSTR szFolderPath, LPCSTR szFileName) {
    msi::api::ClearLastFailure();
    auto db = msi::api::GetDatabase(hDatabase);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!szFolderPath || !szFileName) return ERROR_INVALID_PARAMETER;
    ArchiveFailure failure = ArchiveFailure::kNone;
    const msi::Status s = msi::idt::ImportArchive(*db, szFolderPath, szFileName, &failure);
    return ToResult(s, failure, "MsiDatabaseImport");
}
