// A table's cells handed out as the engine holds them (msi_engine.h), for a
// reader that keeps many rows but shows few of their strings at a time.
#include "api/api_objects.h"
#include "api/last_failure.h"
#include "db/table.h"
#include "msi_engine.h"

namespace msi {

namespace {

TableCells::Kind KindOf(format::ColumnType type) {
    if (type.IsBinary()) return TableCells::Kind::kBinary;
    if (type.IsInteger()) return TableCells::Kind::kInteger;
    return TableCells::Kind::kString;
}

}  // namespace

UINT TableCells::Read(MSIHANDLE database, LPCSTR table, TableCells& cells) {
    api::ClearLastFailure();
    auto db = api::GetDatabase(database);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!table) return ERROR_INVALID_PARAMETER;
    if (!db->HasTable(table)) return ERROR_INVALID_TABLE;
    auto loaded = db->ReadTable(table);
    if (!loaded.ok()) {
        api::NoteLastFailure(loaded.status());
        return ERROR_FUNCTION_FAILED;
    }
    const db::Table& source = **loaded;
    const auto& columns = source.schema().columns;

    TableCells read;
    read.database_ = db;
    read.binary_slot_.assign(columns.size(), 0);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        read.kinds_.push_back(KindOf(columns[c].type));
        read.names_.push_back(columns[c].name);
        read.types_.push_back(columns[c].type.InfoString());
        if (read.kinds_.back() == Kind::kBinary) read.binary_slot_[c] = read.binary_columns_++;
    }
    read.cells_.reserve(source.row_count() * columns.size());
    read.stream_sizes_.reserve(source.row_count() * read.binary_columns_);
    for (const db::RowPtr& row : source.rows()) {
        // A view skips rows erased after it ran; the table holds none, but
        // the same rule keeps the two readings alike.
        if (row->erased) continue;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::uint32_t cell = row->cells[c];
            if (read.kinds_[c] != Kind::kBinary) {
                read.cells_.push_back(cell);
                continue;
            }
            // As a fetched record reads it: a stream that is not there is null.
            const db::StreamSourcePtr stream =
                db::IsNullCell(columns[c].type, cell) ? nullptr : db->CellStream(source, *row, c);
            read.cells_.push_back(stream ? 1 : 0);
            read.stream_sizes_.push_back(stream ? stream->Size() : 0);
        }
        ++read.rows_;
    }
    cells = std::move(read);
    return ERROR_SUCCESS;
}

std::uint64_t TableCells::StreamSize(std::size_t row, std::size_t column) const {
    if (kinds_[column] != Kind::kBinary) return 0;
    return stream_sizes_[row * binary_columns_ + binary_slot_[column]];
}

std::string_view TableCells::Text(std::uint32_t id) const {
    if (id == 0 || !database_) return {};
    // A fetched record reads a string it cannot find as "", and so does this.
    auto text = database_->TextView(id);
    return text.ok() ? *text : std::string_view();
}

}  // namespace msi
