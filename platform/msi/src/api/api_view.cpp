// The view calls of the interface over msi::db::View.
#include <memory>

#include "api/api_objects.h"
#include "api/last_failure.h"
#include "api/handle_table.h"
#include "api/string_out.h"
#include "db/view.h"
#include "msiquery.h"

using msi::Status;
using msi::api::HandleKind;
using msi::db::Record;
using msi::db::View;

namespace {

std::shared_ptr<View> GetView(MSIHANDLE handle) {
    return msi::api::HandleObject<View>(handle, HandleKind::kView);
}

std::shared_ptr<Record> GetRecord(MSIHANDLE handle) {
    return msi::api::HandleObject<Record>(handle, HandleKind::kRecord);
}

}  // namespace

extern "C" UINT MsiDatabaseOpenViewA(MSIHANDLE hDatabase, LPCSTR szQuery, MSIHANDLE* phView) {
    auto db = msi::api::GetDatabase(hDatabase);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!phView) return ERROR_INVALID_PARAMETER;
    *phView = 0;
    if (!szQuery) return ERROR_BAD_QUERY_SYNTAX;
    msi::api::ClearLastFailure();
    auto view = View::Open(std::move(db), szQuery);
    if (!view.ok()) {
        // Opening loads the tables the query names: a damaged one fails here.
        msi::api::NoteLastFailure(view.status());
        return view.status().kind() == Status::Kind::kInvalidArgument ? ERROR_BAD_QUERY_SYNTAX
                                                                      : ERROR_FUNCTION_FAILED;
    }
    std::shared_ptr<View> shared(std::move(view).value());
    *phView = msi::api::NewHandle(HandleKind::kView, std::move(shared));
    return *phView ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

extern "C" UINT MsiViewExecute(MSIHANDLE hView, MSIHANDLE hRecord) {
    auto view = GetView(hView);
    if (!view) return ERROR_INVALID_HANDLE;
    std::shared_ptr<Record> params;
    if (hRecord) {
        params = GetRecord(hRecord);
        if (!params) return ERROR_INVALID_HANDLE;
    }
    msi::api::ClearLastFailure();
    const Status s = view->Execute(params.get());
    if (s.ok()) return ERROR_SUCCESS;
    // A table whose stored rows are damaged fails here; its words tell which.
    msi::api::NoteLastFailure(s);
    // A statement that stopped fitting the database (a table made twice, a
    // column added twice, a table freed away) is a query error, as when the
    // view was opened; everything else failed in running it.
    return s.kind() == Status::Kind::kBadQuery ? ERROR_BAD_QUERY_SYNTAX : ERROR_FUNCTION_FAILED;
}

extern "C" UINT MsiViewFetch(MSIHANDLE hView, MSIHANDLE* phRecord) {
    // The out pointer is checked before the handle, as the installer does.
    if (!phRecord) return ERROR_INVALID_PARAMETER;
    auto view = GetView(hView);
    if (!view) return ERROR_INVALID_HANDLE;
    *phRecord = 0;
    msi::api::ClearLastFailure();
    auto record = view->Fetch();
    if (!record.ok()) {
        if (record.status().kind() == Status::Kind::kNotFound) return ERROR_NO_MORE_ITEMS;
        msi::api::NoteLastFailure(record.status());
        return ERROR_FUNCTION_FAILED;
    }
    *phRecord = msi::api::NewHandle(HandleKind::kRecord, std::move(record).value());
    return *phRecord ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

extern "C" UINT MsiViewModify(MSIHANDLE hView, MSIMODIFY eModifyMode, MSIHANDLE hRecord) {
    auto view = GetView(hView);
    if (!view) return ERROR_INVALID_HANDLE;
    auto record = GetRecord(hRecord);
    if (!record) return ERROR_INVALID_HANDLE;
    if (eModifyMode < MSIMODIFY_SEEK || eModifyMode > MSIMODIFY_VALIDATE_DELETE)
        return ERROR_INVALID_DATA;
    Status s = view->Modify(static_cast<View::ModifyMode>(eModifyMode), *record);
    switch (s.kind()) {
        case Status::Kind::kOk:
            return ERROR_SUCCESS;
        case Status::Kind::kUnsupported:
            return ERROR_ACCESS_DENIED;
        case Status::Kind::kInvalidArgument:
            return ERROR_INVALID_DATA;
        case Status::Kind::kNotImplemented:
            return ERROR_CALL_NOT_IMPLEMENTED;
        default:
            return ERROR_FUNCTION_FAILED;
    }
}

extern "C" UINT MsiViewGetColumnInfo(MSIHANDLE hView, MSICOLINFO eColumnInfo, MSIHANDLE* phRecord) {
    auto view = GetView(hView);
    if (!view) return ERROR_INVALID_HANDLE;
    if (!phRecord || (eColumnInfo != MSICOLINFO_NAMES && eColumnInfo != MSICOLINFO_TYPES))
        return ERROR_INVALID_PARAMETER;
    *phRecord = 0;
    auto record = view->ColumnInfo(eColumnInfo == MSICOLINFO_TYPES);
    if (!record.ok()) return ERROR_FUNCTION_FAILED;
    *phRecord = msi::api::NewHandle(HandleKind::kRecord, std::move(record).value());
    return *phRecord ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

extern "C" UINT MsiViewClose(MSIHANDLE hView) {
    auto view = GetView(hView);
    if (!view) return ERROR_INVALID_HANDLE;
    return view->Close().ok() ? ERROR_SUCCESS : ERROR_FUNCTION_FAILED;
}

extern "C" MSIDBERROR MsiViewGetErrorA(MSIHANDLE hView, LPSTR szColumnNameBuffer, DWORD* pcchBuf) {
    auto view = GetView(hView);
    if (!view || !pcchBuf) return MSIDBERROR_INVALIDARG;
    // Each finding of the last validation is handed out once; a caller whose
    // buffer was too small gets the same one again.
    const msi::db::ValidationFinding finding = view->NextError(false);
    if (!szColumnNameBuffer) {
        *pcchBuf = static_cast<DWORD>(finding.column.size());
        return static_cast<MSIDBERROR>(finding.error);
    }
    // Past the last finding there is no name to copy: "no error" and size 0
    // whatever the buffer, even one of no characters.
    if (finding.error == MSIDBERROR_NOERROR && finding.column.empty()) {
        if (*pcchBuf > 0) szColumnNameBuffer[0] = '\0';
        *pcchBuf = 0;
        view->NextError(true);
        return MSIDBERROR_NOERROR;
    }
    if (msi::api::CopyStringOut(finding.column, szColumnNameBuffer, pcchBuf) == ERROR_MORE_DATA)
        return MSIDBERROR_MOREDATA;
    view->NextError(true);
    return static_cast<MSIDBERROR>(finding.error);
}
