// The record calls of the interface over msi::db::Record.
#include <memory>
#include <utility>

#include "api/handle_table.h"
#include "api/string_out.h"
#include "db/record.h"
#include "msiquery.h"

using msi::api::HandleKind;
using msi::db::Record;

namespace {

std::shared_ptr<Record> GetRecord(MSIHANDLE handle) {
    return msi::api::HandleObject<Record>(handle, HandleKind::kRecord);
}

// Reads a record without taking a reference to it (HandleTable::Peek): a scan
// calls these getters for every cell.
template <class Read>
auto ReadRecord(MSIHANDLE handle, Read&& read) {
    return msi::api::HandleTable::Instance().Peek<const Record>(handle, HandleKind::kRecord,
                                                                std::forward<Read>(read));
}

}  // namespace

extern "C" MSIHANDLE MsiCreateRecord(UINT cParams) {
    if (cParams > Record::kMaxFields) return 0;
    return msi::api::NewHandle(HandleKind::kRecord, std::make_shared<Record>(cParams));
}

extern "C" UINT MsiRecordGetFieldCount(MSIHANDLE hRecord) {
    return ReadRecord(hRecord, [](const Record* record) {
        return record ? record->FieldCount() : static_cast<UINT>(-1);
    });
}

extern "C" BOOL MsiRecordIsNull(MSIHANDLE hRecord, UINT iField) {
    return ReadRecord(hRecord, [iField](const Record* record) {
        // The installer answers "not null" for a handle that is no record.
        return record && record->IsNull(iField) ? TRUE : FALSE;
    });
}

extern "C" UINT MsiRecordDataSize(MSIHANDLE hRecord, UINT iField) {
    return ReadRecord(hRecord, [iField](const Record* record) -> UINT {
        if (!record) return 0;
        const uint64_t size = record->DataSize(iField);
        // The interface has 32 bits for the size; a larger stream reports the most it can.
        return size > UINT32_MAX ? UINT32_MAX : static_cast<UINT>(size);
    });
}

extern "C" UINT MsiRecordSetInteger(MSIHANDLE hRecord, UINT iField, int iValue) {
    auto record = GetRecord(hRecord);
    if (!record) return ERROR_INVALID_HANDLE;
    if (!record->HasField(iField)) return ERROR_INVALID_PARAMETER;
    record->SetInteger(iField, iValue);
    return ERROR_SUCCESS;
}

extern "C" UINT MsiRecordSetStringA(MSIHANDLE hRecord, UINT iField, LPCSTR szValue) {
    auto record = GetRecord(hRecord);
    if (!record) return ERROR_INVALID_HANDLE;
    if (!record->HasField(iField)) return ERROR_INVALID_PARAMETER;
    record->SetString(iField, szValue ? std::string_view(szValue) : std::string_view());
    return ERROR_SUCCESS;
}

extern "C" int MsiRecordGetInteger(MSIHANDLE hRecord, UINT iField) {
    return ReadRecord(hRecord, [iField](const Record* record) {
        return record ? record->GetInteger(iField) : static_cast<int>(MSI_NULL_INTEGER);
    });
}

extern "C" UINT MsiRecordGetStringA(MSIHANDLE hRecord, UINT iField, LPSTR szValueBuf,
                                    DWORD* pcchValueBuf) {
    return ReadRecord(hRecord, [=](const Record* record) -> UINT {
        if (!record) return ERROR_INVALID_HANDLE;
        if (!pcchValueBuf) return ERROR_INVALID_PARAMETER;
        // A stream has no text form; the installer refuses rather than guessing.
        const Record::Kind kind = record->KindOf(iField);
        if (kind == Record::Kind::kStream) return ERROR_INVALID_DATATYPE;
        if (kind == Record::Kind::kString)
            return msi::api::CopyStringOut(record->StringView(iField), szValueBuf, pcchValueBuf);
        return msi::api::CopyStringOut(record->GetString(iField), szValueBuf, pcchValueBuf);
    });
}

extern "C" UINT MsiRecordSetStreamA(MSIHANDLE hRecord, UINT iField, LPCSTR szFilePath) {
    auto record = GetRecord(hRecord);
    if (!record) return ERROR_INVALID_HANDLE;
    // Field 0 never holds a stream in the installer's records.
    if (iField == 0 || !record->HasField(iField)) return ERROR_INVALID_PARAMETER;
    if (!szFilePath) {
        // No path: rewind the stream already in the field.
        if (record->KindOf(iField) != Record::Kind::kStream) return ERROR_INVALID_PARAMETER;
        record->RewindStream(iField);
        return ERROR_SUCCESS;
    }
    auto source = msi::db::FileStreamSource::Open(szFilePath);
    if (!source.ok()) return ERROR_BAD_PATHNAME;
    record->SetStream(iField, std::move(source).value());
    return ERROR_SUCCESS;
}

extern "C" UINT MsiRecordReadStream(MSIHANDLE hRecord, UINT iField, char* szDataBuf,
                                    DWORD* pcbDataBuf) {
    auto record = GetRecord(hRecord);
    if (!record) return ERROR_INVALID_HANDLE;
    if (!pcbDataBuf || !record->HasField(iField)) return ERROR_INVALID_PARAMETER;
    switch (record->KindOf(iField)) {
        case Record::Kind::kNull:
            // A null field holds no stream, not an empty one: callers that copy
            // a field (read, then write back) must keep it null, so the read is
            // refused, with or without a buffer.
            *pcbDataBuf = 0;
            return ERROR_INVALID_DATA;
        case Record::Kind::kStream:
            break;
        default:
            return ERROR_INVALID_DATATYPE;
    }
    if (!szDataBuf) {
        // The size query reports the whole stream, wherever the position is.
        const uint64_t size = record->DataSize(iField);
        *pcbDataBuf = size > UINT32_MAX ? UINT32_MAX : static_cast<DWORD>(size);
        return ERROR_SUCCESS;
    }
    auto n = record->ReadStream(
        iField, std::span<std::byte>(reinterpret_cast<std::byte*>(szDataBuf), *pcbDataBuf));
    if (!n.ok()) return ERROR_FUNCTION_FAILED;
    *pcbDataBuf = static_cast<DWORD>(*n);
    return ERROR_SUCCESS;
}

extern "C" UINT MsiRecordClearData(MSIHANDLE hRecord) {
    auto record = GetRecord(hRecord);
    if (!record) return ERROR_INVALID_HANDLE;
    record->Clear();
    return ERROR_SUCCESS;
}
