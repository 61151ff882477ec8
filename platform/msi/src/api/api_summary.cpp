// The summary-information calls of the interface over msi::db::SummaryInfo.
#include <memory>

#include "api/api_objects.h"
#include "api/handle_table.h"
#include "api/last_failure.h"
#include "api/string_out.h"
#include "db/database.h"
#include "db/summary_info.h"
#include "format/code_page.h"
#include "msiquery.h"

using msi::api::HandleKind;
using msi::db::SummaryInfo;

namespace {

std::shared_ptr<SummaryInfo> GetSummary(MSIHANDLE handle) {
    return msi::api::HandleObject<SummaryInfo>(handle, HandleKind::kSummaryInfo);
}

}  // namespace

extern "C" UINT MsiGetSummaryInformationA(MSIHANDLE hDatabase, LPCSTR szDatabasePath,
                                          UINT uiUpdateCount, MSIHANDLE* phSummaryInfo) {
    msi::api::ClearLastFailure();
    if (!phSummaryInfo) return ERROR_INVALID_PARAMETER;
    *phSummaryInfo = 0;
    std::shared_ptr<msi::db::Database> db;
    bool owns = false;
    if (hDatabase) {
        db = msi::api::GetDatabase(hDatabase);
        if (!db) return ERROR_INVALID_HANDLE;
    } else {
        if (!szDatabasePath) return ERROR_INVALID_PARAMETER;
        // No file can have an empty name; the installer reports the package
        // as one it cannot open.
        if (!*szDatabasePath) return ERROR_INSTALL_PACKAGE_OPEN_FAILED;
        // Reading only needs read-only access; updates need a transaction.
        msi::db::OpenRequest request;
        request.path = szDatabasePath;
        request.mode = uiUpdateCount ? msi::db::OpenMode::kTransact : msi::db::OpenMode::kReadOnly;
        auto opened = msi::db::Database::Open(request);
        if (!opened.ok()) {
            msi::api::NoteLastFailure(opened.status());
            return ERROR_OPEN_FAILED;
        }
        db = std::move(opened).value();
        owns = true;
    }
    auto info = SummaryInfo::Load(std::move(db), uiUpdateCount, owns);
    if (!info.ok()) {
        msi::api::NoteLastFailure(info.status());
        return ERROR_FUNCTION_FAILED;
    }
    std::shared_ptr<SummaryInfo> shared(std::move(info).value());
    *phSummaryInfo = msi::api::NewHandle(HandleKind::kSummaryInfo, std::move(shared));
    return *phSummaryInfo ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

extern "C" UINT MsiSummaryInfoGetPropertyCount(MSIHANDLE hSummaryInfo, UINT* puiPropertyCount) {
    auto info = GetSummary(hSummaryInfo);
    if (!info) return ERROR_INVALID_HANDLE;
    // A caller may pass no count only to check the handle.
    if (puiPropertyCount) *puiPropertyCount = static_cast<UINT>(info->PropertyCount());
    return ERROR_SUCCESS;
}

extern "C" UINT MsiSummaryInfoGetPropertyA(MSIHANDLE hSummaryInfo, UINT uiProperty,
                                           UINT* puiDataType, INT* piValue, FILETIME* pftValue,
                                           LPSTR szValueBuf, DWORD* pcchValueBuf) {
    auto info = GetSummary(hSummaryInfo);
    if (!info) return ERROR_INVALID_HANDLE;
    if (uiProperty >= SummaryInfo::kPropertyLimit) {
        if (puiDataType) *puiDataType = VT_EMPTY;
        return ERROR_UNKNOWN_PROPERTY;
    }
    const msi::format::PropertyValue* value = info->Get(uiProperty);
    if (!value) {
        if (puiDataType) *puiDataType = VT_EMPTY;
        return ERROR_SUCCESS;
    }
    if (auto* i2 = std::get_if<int16_t>(value)) {
        if (puiDataType) *puiDataType = VT_I2;
        if (piValue) *piValue = *i2;
    } else if (auto* i4 = std::get_if<int32_t>(value)) {
        if (puiDataType) *puiDataType = VT_I4;
        if (piValue) *piValue = *i4;
    } else if (auto* ft = std::get_if<msi::format::FileTime>(value)) {
        if (puiDataType) *puiDataType = VT_FILETIME;
        if (pftValue) {
            pftValue->dwLowDateTime = static_cast<DWORD>(ft->ticks);
            pftValue->dwHighDateTime = static_cast<DWORD>(ft->ticks >> 32);
        }
    } else if (auto* text = std::get_if<std::string>(value)) {
        if (puiDataType) *puiDataType = VT_LPSTR;
        auto converted = msi::format::DatabaseToProcess(*text, info->CodePage());
        const std::string& out = converted.ok() ? converted.value() : *text;
        if (!pcchValueBuf) return szValueBuf ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
        return msi::api::CopyStringOut(out, szValueBuf, pcchValueBuf);
    }
    return ERROR_SUCCESS;
}

extern "C" UINT MsiSummaryInfoSetPropertyA(MSIHANDLE hSummaryInfo, UINT uiProperty, UINT uiDataType,
                                           INT iValue, FILETIME* pftValue, LPCSTR szValue) {
    auto info = GetSummary(hSummaryInfo);
    if (!info) return ERROR_INVALID_HANDLE;
    // Opened with an update count of 0: nothing may be set, whatever the value.
    if (!info->updatable()) return ERROR_FUNCTION_FAILED;
    if (uiDataType != SummaryInfo::TypeOf(uiProperty) || uiDataType == VT_EMPTY)
        return ERROR_DATATYPE_MISMATCH;
    msi::format::PropertyValue value;
    switch (uiDataType) {
        case VT_I2:
            value = static_cast<int16_t>(iValue);
            break;
        case VT_I4:
            value = static_cast<int32_t>(iValue);
            break;
        case VT_FILETIME:
            if (!pftValue) return ERROR_INVALID_PARAMETER;
            value = msi::format::FileTime{(uint64_t{pftValue->dwHighDateTime} << 32) |
                                          pftValue->dwLowDateTime};
            break;
        case VT_LPSTR: {
            if (!szValue) return ERROR_INVALID_PARAMETER;
            auto bytes = msi::format::ProcessToDatabase(szValue, info->CodePage());
            value = bytes.ok() ? std::move(bytes).value() : std::string(szValue);
            break;
        }
        default:
            return ERROR_DATATYPE_MISMATCH;
    }
    switch (info->Set(uiProperty, std::move(value))) {
        case SummaryInfo::SetResult::kOk:
            return ERROR_SUCCESS;
        case SummaryInfo::SetResult::kTypeMismatch:
            return ERROR_DATATYPE_MISMATCH;
        case SummaryInfo::SetResult::kTooMany:
            return ERROR_FUNCTION_FAILED;
    }
    return ERROR_FUNCTION_FAILED;
}

extern "C" UINT MsiSummaryInfoPersist(MSIHANDLE hSummaryInfo) {
    auto info = GetSummary(hSummaryInfo);
    if (!info) return ERROR_INVALID_HANDLE;
    return info->Persist().ok() ? ERROR_SUCCESS : ERROR_FUNCTION_FAILED;
}
