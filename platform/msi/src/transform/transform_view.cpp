#include "transform/transform_view.h"

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <unordered_map>

#include "db/record.h"
#include "format/code_page.h"

namespace msi::transform {

using format::ColumnType;

namespace {

// Temporary string columns: no persistent bit, so the column information
// reads g0 (G0 when nullable), as the installer reports for this table.
db::TableSchema ViewSchema() {
    const auto column = [](const char* name, bool key, bool nullable) {
        uint16_t word = ColumnType::kString | ColumnType::kTemporary;
        if (key) word |= ColumnType::kKey;
        if (nullable) word |= ColumnType::kNullable;
        return db::ColumnSchema{name, ColumnType(word)};
    };
    db::TableSchema schema;
    schema.name = kTransformViewTable;
    schema.columns = {column("Table", true, false), column("Column", true, false),
                      column("Row", true, true), column("Data", false, true),
                      column("Current", false, true)};
    return schema;
}

using ViewRow = std::array<uint32_t, 5>;

// Strings the view needs that the pool lacks get ids with this bit until the
// records are all planned; only then are they added, in the order they were
// first needed, so a failed view leaves the pool as it was and a good one
// numbers its strings as if each had been added when first met.
constexpr uint32_t kPendingId = 0x80000000;
// The rows gathered are sorted and stripped of repeated keys (the last
// wins) whenever they double, so a transform that changes one row a million
// times keeps one row, not a million.
constexpr size_t kFirstCompaction = size_t{1} << 16;

bool SameKey(const ViewRow& a, const ViewRow& b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

class ViewBuilder final : public RowSink {
  public:
    ViewBuilder(db::Database& db, const TransformPlan& plan) : db_(db), plan_(plan) {}

    Status BeginTable(const PlannedTable& table) override {
        existing_.reset();
        loaded_ = false;
        columns_.assign(table.schema.columns.size(), kUnknown);
        auto name = Text(table.name);
        if (!name.ok()) return name.status();
        table_id_ = *name;
        if (table.drop || table.drop_missing) return Add("DROP", 0, 0, 0);
        if (table.create)
            if (Status s = Add("CREATE", 0, 0, 0); !s.ok()) return s;
        for (const AddedColumn& added : table.added_columns) {
            auto data = Text(std::to_string(added.column.type.StoredWord()));
            auto current = Text(std::to_string(added.number));
            if (!data.ok()) return data.status();
            if (!current.ok()) return current.status();
            if (Status s = Add(added.column.name, 0, *data, *current); !s.ok()) return s;
        }
        return Status::Ok();
    }

    Status Take(const PlannedTable& table, const PlannedRow& row) override {
        // A dropped table lists only that it goes.
        if (table.drop || table.drop_missing) return Status::Ok();
        if (!loaded_ && !table.create) {
            auto loaded = db_.GetTable(table.name);
            if (!loaded.ok()) return loaded.status();
            existing_ = *loaded;
        }
        loaded_ = true;
        const size_t keys = table.schema.KeyCount();
        auto row_id = Text(row.row_text);
        if (!row_id.ok()) return row_id.status();
        using Effect = PlannedRow::Effect;
        if (row.effect == Effect::kDelete) return Add("DELETE", *row_id, 0, 0);
        const bool insert = row.effect == Effect::kInsert;
        if (insert)
            if (Status s = Add("INSERT", *row_id, 0, 0); !s.ok()) return s;
        for (size_t c = keys; c < table.schema.columns.size(); ++c) {
            // An inserted row lists every non-key column, nulls included.
            if (!insert && !row.present[c]) continue;
            auto data = Value(row, row.values[c]);
            if (!data.ok()) return data.status();
            uint32_t current = 0;
            if (!insert && existing_) {
                auto cur = Current(*existing_, row.current.get(), c);
                if (!cur.ok()) return cur.status();
                current = *cur;
            }
            auto column = ColumnId(table, c);
            if (!column.ok()) return column.status();
            Push(*column, *row_id, *data, current);
        }
        return Status::Ok();
    }

    // Adds the strings the view needed, then the rows, to the database.
    Result<std::vector<ViewRow>> Finish() {
        std::vector<uint32_t> ids;
        ids.reserve(pending_.size());
        for (std::string_view bytes : pending_) {
            auto id = db_.pool().Add(bytes, 1);
            if (!id.ok()) return id.status();
            ids.push_back(*id);
        }
        for (ViewRow& row : rows_)
            for (uint32_t& cell : row)
                if (cell & kPendingId) cell = ids[cell & ~kPendingId];
        Compact();
        return std::move(rows_);
    }

  private:
    static constexpr uint32_t kUnknown = 0xFFFFFFFF;

    // The id of database bytes: the pool's, else a pending one.
    uint32_t BytesId(std::string_view bytes) {
        if (bytes.empty()) return 0;
        if (const uint32_t id = db_.pool().Find(bytes); id != 0) return id;
        auto [it, fresh] =
            pending_ids_.emplace(std::string(bytes), kPendingId | uint32_t(pending_.size()));
        if (fresh) pending_.push_back(it->first);
        return it->second;
    }

    // Process text as a view string; text the database's code page cannot
    // store is held as it is (a key of such a string, a created table's
    // name). Plain ASCII has the same bytes in every database code page,
    // which spares a conversion per marker and number.
    Result<uint32_t> Text(std::string_view text) {
        if (text.empty()) return uint32_t{0};
        const bool ascii = std::all_of(text.begin(), text.end(), [](char ch) {
            return static_cast<unsigned char>(ch) < 0x80;
        });
        if (ascii) return BytesId(text);
        auto bytes = format::ProcessToDatabase(text, db_.pool().code_page());
        if (!bytes.ok()) return db_.HoldText(text);
        return BytesId(*bytes);
    }

    // A column's name as a view string, found once per table.
    Result<uint32_t> ColumnId(const PlannedTable& table, size_t column) {
        if (columns_[column] == kUnknown) {
            auto id = Text(table.schema.columns[column].name);
            if (!id.ok()) return id.status();
            columns_[column] = *id;
        }
        return columns_[column];
    }

    // A value of the transform as view text.
    Result<uint32_t> Value(const PlannedRow& row, const CellValue& value) {
        switch (value.kind) {
            case CellValue::Kind::kNull:
                return uint32_t{0};
            case CellValue::Kind::kInteger:
                return Text(std::to_string(value.number));
            case CellValue::Kind::kBinary:
                return Text(row.stream_name);
            case CellValue::Kind::kString: {
                const PlannedString s = plan_.StringOf(value.string);
                return s.storable ? BytesId(s.bytes) : db_.HoldText(s.text);
            }
        }
        return uint32_t{0};
    }

    // A cell of the database's row as view text: strings keep their id.
    Result<uint32_t> Current(const db::Table& table, const db::Row* row, size_t column) {
        if (!row || column >= row->cells.size()) return uint32_t{0};
        const ColumnType type = table.schema().columns[column].type;
        const uint32_t cell = row->cells[column];
        if (type.IsBinary()) return uint32_t{0};  // the installer shows no current stream
        if (type.IsString()) return cell;
        if (static_cast<int32_t>(cell) == db::Record::kNullInteger) return uint32_t{0};
        return Text(std::to_string(static_cast<int32_t>(cell)));
    }

    Status Add(std::string_view column, uint32_t row, uint32_t data, uint32_t current) {
        auto column_id = Text(column);
        if (!column_id.ok()) return column_id.status();
        Push(*column_id, row, data, current);
        return Status::Ok();
    }

    void Push(uint32_t column, uint32_t row, uint32_t data, uint32_t current) {
        rows_.push_back({table_id_, column, row, data, current});
        if (rows_.size() >= next_compaction_) {
            Compact();
            next_compaction_ = std::max(kFirstCompaction, rows_.size() * 2);
        }
    }

    // In key order, so that each insert lands at the end of the table (or
    // near it) instead of shifting the rows after it. Stable, so that of
    // rows with one key the last one added is kept.
    void Compact() {
        std::stable_sort(rows_.begin(), rows_.end(), [](const ViewRow& a, const ViewRow& b) {
            return std::tie(a[0], a[1], a[2]) < std::tie(b[0], b[1], b[2]);
        });
        size_t kept = 0;
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (i + 1 < rows_.size() && SameKey(rows_[i], rows_[i + 1])) continue;
            rows_[kept++] = rows_[i];
        }
        rows_.resize(kept);
    }

    db::Database& db_;
    const TransformPlan& plan_;
    std::vector<ViewRow> rows_;
    size_t next_compaction_ = kFirstCompaction;
    std::unordered_map<std::string, uint32_t> pending_ids_;
    std::vector<std::string_view> pending_;  // the keys of pending_ids_, by pending id
    // The current table: its id, its database rows, its columns' ids.
    uint32_t table_id_ = 0;
    std::shared_ptr<db::Table> existing_;
    bool loaded_ = false;
    std::vector<uint32_t> columns_;
};

}  // namespace

Status FillTransformView(db::Database& db, const TransformSource& source, TransformPlan& plan) {
    ViewBuilder builder(db, plan);
    if (Status s = PlanRows(db, source, plan, builder); !s.ok()) return s;
    auto rows = builder.Finish();
    if (!rows.ok()) return rows.status();
    if (!db.HasTable(kTransformViewTable))
        if (Status s = db.CreateTable(ViewSchema()); !s.ok()) return s;
    auto loaded = db.GetTable(kTransformViewTable);
    if (!loaded.ok()) return loaded.status();
    db::Table& table = **loaded;
    format::CellVector cells;
    cells.reserve(rows->size() * 5);
    for (const ViewRow& row : *rows) cells.insert(cells.end(), row.begin(), row.end());
    rows->clear();
    rows->shrink_to_fit();
    for (const db::RowPtr& row : db::Table::MakeRows(std::move(cells), 5)) {
        row->temporary = true;
        Status s = table.Insert(row);
        if (s.kind() == Status::Kind::kExists) {
            // Kept from an earlier view: the new Data and Current replace its own.
            db::RowPtr old = table.Find(row->cells);
            if (old) {
                old->cells[3] = row->cells[3];
                old->cells[4] = row->cells[4];
            }
            continue;
        }
        if (!s.ok()) return s;
    }
    return Status::Ok();
}

}  // namespace msi::transform
