// The database calls of the interface: open, commit, state, primary keys,
// persistence of a table.
#include <memory>

#include "api/api_objects.h"
#include "api/handle_table.h"
#include "api/last_failure.h"
#include "db/database.h"
#include "db/record.h"
#include "msi_engine.h"
#include "msiquery.h"

using msi::api::HandleKind;
using msi::db::Database;

namespace msi::api {

// Turns the persist argument into an open request; false for a mode the
// installer does not define.
bool ParsePersist(LPCSTR persist, db::OpenRequest& request) {
    const auto value = reinterpret_cast<uintptr_t>(persist);
    if (!MSI_IS_INTMSIDBOPEN(persist)) {
        request.output_path = std::string(persist);
        request.mode = db::OpenMode::kTransact;
        return true;
    }
    request.patch = (value & MSIDBOPEN_PATCHFILE) != 0;
    const uintptr_t mode = value & ~uintptr_t{MSIDBOPEN_PATCHFILE};
    if (mode > static_cast<uintptr_t>(db::OpenMode::kCreateDirect)) return false;
    request.mode = static_cast<db::OpenMode>(mode);
    return true;
}

std::shared_ptr<Database> GetDatabase(MSIHANDLE handle) {
    return HandleObject<Database>(handle, HandleKind::kDatabase);
}

}  // namespace msi::api

namespace {

UINT OpenDatabase(msi::db::OpenRequest& request, LPCSTR szPersist, MSIHANDLE* phDatabase) {
    if (!msi::api::ParsePersist(szPersist, request)) return ERROR_INVALID_PARAMETER;
    msi::db::OpenFailure failure = msi::db::OpenFailure::kNone;
    auto db = Database::Open(request, &failure);
    if (!db.ok()) {
        msi::api::NoteLastFailure(db.status());
        return failure == msi::db::OpenFailure::kCreate ? ERROR_CREATE_FAILED : ERROR_OPEN_FAILED;
    }
    MSIHANDLE handle = msi::api::NewHandle(HandleKind::kDatabase, std::move(db).value());
    if (!handle) return ERROR_OUTOFMEMORY;
    *phDatabase = handle;
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" UINT MsiOpenDatabaseA(LPCSTR szDatabasePath, LPCSTR szPersist, MSIHANDLE* phDatabase) {
    msi::api::ClearLastFailure();
    if (!szDatabasePath || !phDatabase) return ERROR_INVALID_PARAMETER;
    *phDatabase = 0;
    msi::db::OpenRequest request;
    request.path = szDatabasePath;
    return OpenDatabase(request, szPersist, phDatabase);
}

UINT msi::OpenDatabaseIn(int folder_fd, LPCSTR name, LPCSTR persist, MSIHANDLE* database) {
    msi::api::ClearLastFailure();
    if (!name || !database) return ERROR_INVALID_PARAMETER;
    *database = 0;
    // A name with a folder in it could lead out of the folder.
    const std::string plain(name);
    if (plain.empty() || plain == "." || plain == ".." || plain.find('/') != std::string::npos)
        return ERROR_INVALID_PARAMETER;
    auto folder = msi::storage::Folder::FromDescriptor(folder_fd);
    if (!folder.ok()) {
        msi::api::NoteLastFailure(folder.status());
        return ERROR_OPEN_FAILED;
    }
    msi::db::OpenRequest request;
    request.path = name;
    request.folder = std::move(folder).value();
    return OpenDatabase(request, persist, database);
}

extern "C" UINT MsiDatabaseCommit(MSIHANDLE hDatabase) {
    msi::api::ClearLastFailure();
    auto db = msi::api::GetDatabase(hDatabase);
    if (!db) return ERROR_INVALID_HANDLE;
    const msi::Status s = db->Commit();
    if (s.ok()) return ERROR_SUCCESS;
    msi::api::NoteLastFailure(s);
    return ERROR_FUNCTION_FAILED;
}

extern "C" MSIDBSTATE MsiGetDatabaseState(MSIHANDLE hDatabase) {
    auto db = msi::api::GetDatabase(hDatabase);
    if (!db) return MSIDBSTATE_ERROR;
    return db->read_only() ? MSIDBSTATE_READ : MSIDBSTATE_WRITE;
}

extern "C" UINT MsiDatabaseGetPrimaryKeysA(MSIHANDLE hDatabase, LPCSTR szTableName,
                                           MSIHANDLE* phRecord) {
    auto db = msi::api::GetDatabase(hDatabase);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!szTableName || !phRecord) return ERROR_INVALID_PARAMETER;
    *phRecord = 0;
    const std::string name(szTableName);
    // The catalog tables describe the others; they have no keys of their own to give.
    if (name == "_Tables" || name == "_Columns") return ERROR_INVALID_TABLE;
    const msi::db::TableSchema* schema = db->Schema(name);
    if (!schema) return ERROR_INVALID_TABLE;
    const size_t keys = schema->KeyCount();
    auto record = std::make_shared<msi::db::Record>(static_cast<uint32_t>(keys));
    record->SetString(0, name);
    for (size_t i = 0; i < keys; ++i)
        record->SetString(static_cast<uint32_t>(i + 1), schema->columns[i].name);
    *phRecord = msi::api::NewHandle(HandleKind::kRecord, std::move(record));
    return *phRecord ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

extern "C" MSICONDITION MsiDatabaseIsTablePersistentA(MSIHANDLE hDatabase, LPCSTR szTableName) {
    auto db = msi::api::GetDatabase(hDatabase);
    if (!db || !szTableName) return MSICONDITION_ERROR;
    // The catalog and virtual tables are neither: the installer answers
    // "no such table" for them.
    if (msi::db::IsSystemTable(szTableName)) return MSICONDITION_NONE;
    auto persistent = db->IsPersistent(szTableName);
    if (!persistent) return MSICONDITION_NONE;
    return *persistent ? MSICONDITION_TRUE : MSICONDITION_FALSE;
}
