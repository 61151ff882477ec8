#include "db/database_writer.h"

#include <algorithm>

#include "db/database.h"
#include "db/file_stream_source.h"
#include "format/stream_name.h"
#include "format/table_stream.h"
#include "storage/compound_writer.h"
#include "storage/stream_source.h"

namespace msi::db {

using format::ColumnType;
using storage::CompoundWriter;

namespace {

// A table without rows gets no stream; the two pool streams are always
// written, since readers (libmsi among them) refuse a database without them.
Status AddTableStream(CompoundWriter& writer, const std::string& name, std::vector<uint8_t> bytes,
                      bool even_empty = false) {
    if (bytes.empty() && !even_empty) return Status::Ok();
    auto units = format::EncodeStreamName(name, true);
    if (!units.ok()) return units.status();
    return writer.AddStream(CompoundWriter::kRoot, std::move(units).value(), std::move(bytes));
}

// Calls `visit(id)` for every string reference that is written (invariant 2).
template <class Visit>
void ForEachPersistentReference(const std::vector<std::shared_ptr<Table>>& tables,
                                const std::vector<uint32_t>& table_ids,
                                const std::vector<std::vector<uint32_t>>& column_ids, Visit visit) {
    for (size_t t = 0; t < tables.size(); ++t) {
        visit(table_ids[t]);  // _Tables.Name
        for (uint32_t cid : column_ids[t]) {
            visit(table_ids[t]);  // _Columns.Table
            visit(cid);           // _Columns.Name
        }
        const TableSchema& schema = tables[t]->schema();
        for (const auto& row : tables[t]->rows()) {
            if (row->temporary) continue;
            for (size_t c = 0; c < schema.columns.size(); ++c) {
                const ColumnType type = schema.columns[c].type;
                if (type.IsString() && !type.IsTemporary()) visit(row->cells[c]);
            }
        }
    }
}

}  // namespace

Status DatabaseWriter::Write() {
    // Invariant 1.
    if (Status s = db_.LoadAllTables(); !s.ok()) return s;
    auto written = PersistentTables();
    if (!written.ok()) return written.status();
    auto pool = WrittenPool(*written);
    if (!pool.ok()) return pool.status();
    const bool long_refs = pool->NeedsLongRefs();

    CompoundWriter writer;
    storage::StorageInfo root;
    if (db_.file_)
        root = storage::StorageInfo::Of(db_.file_->entry(storage::CompoundFile::kRootId));
    root.clsid = db_.root_info_clsid_;
    writer.SetRootInfo(root);

    auto pool_streams = pool->Serialize();
    if (Status s = AddTableStream(writer, "_StringPool", std::move(pool_streams.pool), true);
        !s.ok())
        return s;
    if (Status s = AddTableStream(writer, "_StringData", std::move(pool_streams.data), true);
        !s.ok())
        return s;
    if (Status s = AddCatalog(writer, *written, long_refs); !s.ok()) return s;
    if (Status s = AddTables(writer, *written, long_refs); !s.ok()) return s;
    if (Status s = AddRootStreams(writer); !s.ok()) return s;
    if (Status s = CopyUntouched(writer); !s.ok()) return s;

    // Invariant 5.
    const std::string target = db_.target_path();
    if (Status s = writer.WriteFile(db_.folder_, target, durability_); !s.ok()) return s;
    return ReadFromNewFile(target);
}

Result<DatabaseWriter::Written> DatabaseWriter::PersistentTables() {
    Written written;
    for (const auto& name : db_.order_) {
        const auto& entry = db_.catalog_.at(name);
        if (entry.schema.temporary) continue;
        auto tid = db_.Intern(name);
        if (!tid.ok()) return tid.status();
        std::vector<uint32_t> cids;
        for (const auto& column : entry.schema.columns) {
            if (column.type.IsTemporary()) continue;
            auto cid = db_.Intern(column.name);
            if (!cid.ok()) return cid.status();
            cids.push_back(*cid);
        }
        written.tables.push_back(entry.table);
        written.table_ids.push_back(*tid);
        written.column_ids.push_back(std::move(cids));
    }
    return written;
}

// Invariant 2: counted on a copy, so that strings of temporary data stay
// alive in the database's own pool.
Result<format::StringPool> DatabaseWriter::WrittenPool(const Written& written) const {
    format::StringPool pool = db_.pool_;
    pool.ResetCounts();
    Status count_status;
    ForEachPersistentReference(written.tables, written.table_ids, written.column_ids,
                               [&](uint32_t id) {
                                   Status s = pool.AddRef(id);
                                   if (!s.ok() && count_status.ok()) count_status = s;
                               });
    if (!count_status.ok()) return count_status;
    pool.FreeUnreferenced();
    return pool;
}

// _Tables and _Columns, their rows in stored-key order: by the id of the
// table's name (invariant 3).
Status DatabaseWriter::AddCatalog(CompoundWriter& writer, const Written& written,
                                  bool long_refs) const {
    std::vector<size_t> by_id(written.tables.size());
    for (size_t i = 0; i < by_id.size(); ++i) by_id[i] = i;
    std::sort(by_id.begin(), by_id.end(),
              [&](size_t a, size_t b) { return written.table_ids[a] < written.table_ids[b]; });
    format::TableCells tables_cells{1, 0, {}};
    format::TableCells columns_cells{4, 0, {}};
    for (size_t i : by_id) {
        tables_cells.cells.push_back(written.table_ids[i]);
        ++tables_cells.row_count;
        size_t n = 0;
        for (const auto& column : written.tables[i]->schema().columns) {
            if (column.type.IsTemporary()) continue;
            auto number = format::StoreShortInteger(static_cast<int32_t>(n + 1));
            auto type = format::StoreShortInteger(static_cast<int16_t>(column.type.StoredWord()));
            if (!number.ok()) return number.status();
            if (!type.ok()) return type.status();
            columns_cells.cells.insert(
                columns_cells.cells.end(),
                {written.table_ids[i], *number, written.column_ids[i][n], *type});
            ++columns_cells.row_count;
            ++n;
        }
    }
    const uint8_t ref = static_cast<uint8_t>(long_refs ? ColumnType::kLongStringRefSize
                                                       : ColumnType::kStringRefSize);
    const uint8_t tables_sizes[] = {ref};
    const uint8_t column_sizes[] = {ref, 2, ref, 2};
    auto tables_bytes = format::EncodeTableStream(tables_cells, tables_sizes);
    if (!tables_bytes.ok()) return tables_bytes.status();
    auto columns_bytes = format::EncodeTableStream(columns_cells, column_sizes);
    if (!columns_bytes.ok()) return columns_bytes.status();
    if (Status s = AddTableStream(writer, "_Tables", std::move(tables_bytes).value()); !s.ok())
        return s;
    return AddTableStream(writer, "_Columns", std::move(columns_bytes).value());
}

Status DatabaseWriter::AddTables(CompoundWriter& writer, const Written& written,
                                 bool long_refs) const {
    for (const auto& table : written.tables) {
        auto cells = table->ToStream();
        if (!cells.ok()) return cells.status();
        auto bytes = format::EncodeTableStream(*cells, table->schema().StoredCellSizes(long_refs));
        if (!bytes.ok())
            return Status::Corrupt(table->schema().name + ": " + bytes.status().message());
        if (Status s = AddTableStream(writer, table->schema().name, std::move(bytes).value());
            !s.ok())
            return s;
    }
    return Status::Ok();
}

// Invariant 4, for the streams the database keeps: one still as it was in
// the open file is copied from there, any other from its own source.
Status DatabaseWriter::AddRootStreams(CompoundWriter& writer) const {
    for (const auto& [name, stream] : db_.streams_.streams()) {
        std::u16string raw = stream.raw_name;
        if (raw.empty()) {
            auto units = format::EncodeStreamName(name, false);
            if (!units.ok()) return units.status();
            raw = std::move(units).value();
        }
        std::unique_ptr<storage::StreamSource> source;
        if (stream.on_disk && db_.file_) {
            auto reader = db_.file_->OpenStream(*stream.on_disk);
            if (!reader.ok()) return reader.status();
            source = std::make_unique<storage::StreamRangeSource>(std::move(reader).value());
        } else {
            source = std::make_unique<WriterSource>(stream.source);
        }
        Status s = writer.AddStream(CompoundWriter::kRoot, std::move(raw), std::move(source));
        if (!s.ok()) return s;
    }
    return Status::Ok();
}

// Invariant 4, for what the engine does not interpret: embedded storages,
// opaque entries and the streams of tables it cannot read, byte for byte.
Status DatabaseWriter::CopyUntouched(CompoundWriter& writer) const {
    if (!db_.file_) return Status::Ok();
    const auto& file = *db_.file_;
    for (const auto& storage_entry : db_.streams_.storages()) {
        auto copied = writer.CopyStorage(CompoundWriter::kRoot, file, storage_entry.id);
        if (!copied.ok()) return copied.status();
    }
    std::vector<storage::EntryId> verbatim = db_.streams_.opaque();
    for (const auto& name : db_.foreign_table_streams_) {
        auto it = db_.streams_.table_streams().find(name);
        if (it != db_.streams_.table_streams().end()) verbatim.push_back(it->second);
    }
    for (storage::EntryId id : verbatim) {
        const auto& entry = file.entry(id);
        if (entry.is_storage()) {
            auto copied = writer.CopyStorage(CompoundWriter::kRoot, file, id);
            if (!copied.ok()) return copied.status();
            continue;
        }
        auto reader = file.OpenStream(id);
        if (!reader.ok()) return reader.status();
        Status s = writer.AddStream(
            CompoundWriter::kRoot, entry.name,
            std::make_unique<storage::StreamRangeSource>(std::move(reader).value()));
        if (!s.ok()) return s;
    }
    return Status::Ok();
}

// Invariant 6: read from the new file from now on. The in-memory pool gets
// the same recount, counting temporary data too so it stays alive.
Status DatabaseWriter::ReadFromNewFile(const std::string& target) {
    auto reopened = storage::CompoundFile::Open(db_.folder_, target);
    if (!reopened.ok()) return reopened.status();
    db_.file_ = std::shared_ptr<storage::CompoundFile>(std::move(reopened).value());
    db_.streams_.Load(db_.file_);
    db_.pool_.ResetCounts();
    // The file is whole by now, so a count that fails here does not fail the
    // commit: every persistent reference was counted without fault under
    // invariant 2, and only a temporary cell naming an id not in use could
    // fail, whose string is gone either way.
    for (const auto& name : db_.order_) {
        const auto& entry = db_.catalog_.at(name);
        if (auto tid = db_.pool_.FindText(name); tid.ok()) (void)db_.pool_.AddRef(*tid);
        for (const auto& column : entry.schema.columns)
            if (auto cid = db_.pool_.FindText(column.name); cid.ok()) (void)db_.pool_.AddRef(*cid);
        for (const auto& row : entry.table->rows())
            for (size_t c = 0; c < entry.schema.columns.size(); ++c)
                if (entry.schema.columns[c].type.IsString()) (void)db_.pool_.AddRef(row->cells[c]);
    }
    db_.pool_.FreeUnreferenced();
    db_.modified_ = false;
    return Status::Ok();
}

}  // namespace msi::db
