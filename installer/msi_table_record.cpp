#include "msi_table_record.h"

#include <cerrno>
#include <charconv>
#include <cstdio>

#include "core/exceptions.h"
#include "debug_trace.h"
#include "file_services.h"
#include "installer_report.h"
#include "msi_column_type.h"
#include "msi_table_view.h"
#include "windows.h"

using installer::kMsiColumnBinary;
using installer::kMsiColumnBoolean;
using installer::kMsiColumnInteger;
using installer::kMsiColumnStream;
using installer::kMsiColumnString;

namespace {

constexpr int kLoadBooleanLine = 520;
constexpr int kLoadUnknownLine = 524;
constexpr int kBinaryReadLine = 689;
constexpr int kNoDatabaseLine = 862;
constexpr int kTempFileLine = 865;
constexpr int kFillBooleanLine = 870;
constexpr int kFillUnknownLine = 874;
constexpr std::uint32_t kQuietFlags = 3;
// Shows a message box: the user must learn that a binary field was not written.
constexpr std::uint32_t kTempFileFlags = 23;
// GetTempFileNameA writes into a buffer of this many characters.
constexpr std::size_t kTempNameBuffer = 512;
const std::int32_t kNullInteger = static_cast<std::int32_t>(MSI_NULL_INTEGER);

// The whole text as a decimal 32-bit number, else the installer's null.
std::int32_t ParseInteger(const std::string& text) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || text.empty()) return kNullInteger;
    return value;
}

// Writes the bytes to a file created afresh; throws CFileException on failure.
void WriteWholeFile(const char* path, const CMsiBinaryValue& value) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) AfxThrowFileException(CFileException::CauseFromErrno(errno), errno, path);
    const std::size_t count = value.GetCount();
    const bool written = count == 0 || std::fwrite(value.GetData(), 1, count, file) == count;
    const int write_error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const int error = !written ? write_error : errno;
        AfxThrowFileException(CFileException::CauseFromErrno(error), error, path);
    }
}

}  // namespace

CMsiTableRecord::CMsiTableRecord(MsiTableView* table_view) : m_pTableView(table_view) {
    Clear();
    if (m_pTableView != nullptr) m_values.resize(m_pTableView->GetColumnCount());
}

CMsiTableRecord::~CMsiTableRecord() = default;

std::uint32_t CMsiTableRecord::TypeOf(int index) const {
    if (m_pTableView != nullptr)
        return static_cast<std::uint32_t>(m_pTableView->GetColumnType(index));
    const Value* cell = Cell(index);
    if (cell == nullptr) return kMsiColumnString;
    if (std::holds_alternative<std::int32_t>(*cell)) return kMsiColumnInteger;
    if (std::holds_alternative<CMsiBinaryValue>(*cell)) return kMsiColumnBinary;
    return kMsiColumnString;
}

const CMsiTableRecord::Value* CMsiTableRecord::Cell(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_values.size()) return nullptr;
    return &m_values[static_cast<std::size_t>(index)];
}

CMsiTableRecord::Value* CMsiTableRecord::CellForWrite(int index) {
    if (index < 0) return nullptr;
    const auto position = static_cast<std::size_t>(index);
    // A record made by CreateEntry has no cells until it is bound; values set
    // before then are kept in cells made here.
    if (position >= m_values.size()) m_values.resize(position + 1);
    return &m_values[position];
}

std::string CMsiTableRecord::GetFieldText(int index) const {
    const Value* cell = Cell(index);
    if (cell == nullptr || std::holds_alternative<std::monostate>(*cell)) return std::string();
    switch (TypeOf(index)) {
        case kMsiColumnString:
        case kMsiColumnInteger:
            return GetStringValue(index);
        case kMsiColumnBinary:
            return std::holds_alternative<CMsiBinaryValue>(*cell) ? "[Binary]" : "";
        default:
            return std::string();
    }
}

std::string CMsiTableRecord::GetColumnText(int index) const {
    return GetStringValue(index);
}

void CMsiTableRecord::SetFieldText(int index, const char* text) {
    SetStringValue(index, text);
}

std::int32_t CMsiTableRecord::GetIntegerValue(int index) const {
    const Value* cell = Cell(index);
    if (cell == nullptr) return kNullInteger;
    if (const auto* number = std::get_if<std::int32_t>(cell)) return *number;
    if (const auto* text = std::get_if<std::string>(cell)) return ParseInteger(*text);
    return kNullInteger;
}

void CMsiTableRecord::SetIntegerValue(int index, std::int32_t value) {
    SetFlags(kModified, true);
    Value* cell = CellForWrite(index);
    if (cell == nullptr) return;
    // The installer's null integer is no value: the cell stays empty.
    if (value == kNullInteger)
        *cell = std::monostate();
    else
        *cell = value;
}

std::string CMsiTableRecord::GetStringValue(int index) const {
    const Value* cell = Cell(index);
    if (cell == nullptr) return std::string();
    if (const auto* text = std::get_if<std::string>(cell)) return *text;
    if (const auto* number = std::get_if<std::int32_t>(cell)) return std::to_string(*number);
    return std::string();
}

void CMsiTableRecord::SetStringValue(int index, const char* text) {
    SetFlags(kModified, true);
    Value* cell = CellForWrite(index);
    if (cell == nullptr) return;
    if (text != nullptr && *text != '\0')
        *cell = std::string(text);
    else
        *cell = std::monostate();
}

void CMsiTableRecord::SetBinaryValue(int index, const CMsiBinaryValue& value) {
    SetFlags(kModified, true);
    if (Value* cell = CellForWrite(index)) *cell = value;
}

const foundation::ColumnTypeSource* CMsiTableRecord::GetOwnerList() const {
    return m_pTableView;
}

bool CMsiTableRecord::LoadFromRecord(CMsiRecord& record, MsiTableView* table_view) {
    m_pTableView = table_view;
    const std::uint32_t count = record.GetFieldCount();
    m_values.assign(count, Value());
    for (std::uint32_t field = 0; field < count; ++field) {
        const int index = static_cast<int>(field);
        Value& cell = m_values[field];
        const std::uint32_t type =
            table_view != nullptr ? static_cast<std::uint32_t>(table_view->GetColumnType(index))
                                  : kMsiColumnString;
        switch (type) {
            case kMsiColumnString: {
                std::string text;
                if (record.GetString(field, text) && !text.empty()) cell = std::move(text);
                break;
            }
            case kMsiColumnInteger: {
                std::int32_t number = 0;
                if (record.GetInteger(field, number)) cell = number;
                break;
            }
            case kMsiColumnBinary: {
                if (table_view != nullptr) table_view->SetColumnAttributes(index, kMsiColumnStream);
                CMsiBinaryValue bytes;
                if (record.ReadStream(field, bytes)) cell = std::move(bytes);
                break;
            }
            case kMsiColumnBoolean:
                installer::ReportAt(kLoadBooleanLine, "BOOL data type not supported.", kQuietFlags);
                break;
            default:
                installer::ReportAt(kLoadUnknownLine,
                                    "Unknown data type for CMsiTableRecord was returned.",
                                    kQuietFlags);
                break;
        }
    }
    return true;
}

void CMsiTableRecord::FreeValues() {
    for (std::size_t index = 0; index < m_values.size(); ++index)
        FreeValue(static_cast<int>(index));
    m_dwFlags = 0;
}

void CMsiTableRecord::Clear() {
    FreeValues();
    m_dwFlags = 0;
}

void CMsiTableRecord::FreeValue(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_values.size()) return;
    m_values[static_cast<std::size_t>(index)] = std::monostate();
}

const CMsiBinaryValue* CMsiTableRecord::GetBinary(int index) const {
    const Value* cell = Cell(index);
    const CMsiBinaryValue* value = cell != nullptr ? std::get_if<CMsiBinaryValue>(cell) : nullptr;
    installer::VerifyAt(value != nullptr, kBinaryReadLine, "pbvRetValue",
                        "Reading binary values from existing db not supported.");
    return value;
}

std::unique_ptr<CMsiRecord> CMsiTableRecord::CreateMsiRecord() {
    auto record = std::make_unique<CMsiRecord>();
    FillMsiRecord(*record);
    return record;
}

void CMsiTableRecord::FillMsiRecord(CMsiRecord& record) {
    const std::uint32_t count = m_pTableView != nullptr
                                    ? static_cast<std::uint32_t>(m_pTableView->GetColumnCount())
                                    : static_cast<std::uint32_t>(m_values.size());
    record.Create(count);
    for (std::uint32_t field = 0; field < count && field < m_values.size(); ++field) {
        const int index = static_cast<int>(field);
        const Value& cell = m_values[field];
        if (std::holds_alternative<std::monostate>(cell)) continue;
        switch (TypeOf(index)) {
            case kMsiColumnString:
                record.SetString(field, GetStringValue(index));
                break;
            case kMsiColumnInteger:
                record.SetInteger(field, GetIntegerValue(index));
                break;
            case kMsiColumnBinary:
                // Only bytes can become a stream; another value in a binary
                // column has no stream form and leaves the field null.
                if (const auto* bytes = std::get_if<CMsiBinaryValue>(&cell))
                    WriteBinaryField(record, field, *bytes);
                break;
            case kMsiColumnBoolean:
                installer::ReportAt(kFillBooleanLine, "Can't create MsiRecord with BOOL data type.",
                                    kQuietFlags);
                break;
            default:
                installer::ReportAt(kFillUnknownLine,
                                    "Can't create MsiRecord with unknown data type.", kQuietFlags);
                break;
        }
    }
}

void CMsiTableRecord::WriteBinaryField(CMsiRecord& record, std::uint32_t field,
                                       const CMsiBinaryValue& value) {
    // The installer reads the file when the record is written, which may be
    // long after this call; only the database can delete it once that is
    // safe. Without one the file would have no owner, so none is made.
    CMsiDatabase* database = m_pTableView != nullptr ? m_pTableView->GetDatabase() : nullptr;
    if (!installer::VerifyAt(database != nullptr, kNoDatabaseLine, "pDatabase",
                             "Binary fields need the database of a loaded table view."))
        return;
    // An empty temporary folder would put the file in the root folder.
    const std::string folder = VSB_GetTempDir();
    char path[kTempNameBuffer] = {};
    if (folder.empty() || GetTempFileNameA(folder.c_str(), "$bin", 0, path) == 0) {
        installer::ReportAt(kTempFileLine, "Failed to create temporary file", kTempFileFlags);
        return;
    }
    // Registered before writing, so that a write that fails half-way leaves
    // no file behind once the database shuts down.
    database->AddTempFile(path);
    WriteWholeFile(path, value);
    record.SetStream(field, path);
    VSB_BetaTrace("Added %s to list of processed binary files in table %s", path,
                  m_pTableView->GetTableName().c_str());
}

void CMsiTableRecord::BindTableView(MsiTableView* table_view) {
    m_pTableView = table_view;
    if (table_view == nullptr) return;
    const auto count = static_cast<std::size_t>(table_view->GetColumnCount());
    if (m_values.size() < count) m_values.resize(count);
}
