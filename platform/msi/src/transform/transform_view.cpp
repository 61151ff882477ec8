#include "transform/transform_view.h"

#include <algorithm>
#include <array>

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

class ViewBuilder {
  public:
    ViewBuilder(db::Database& db, const TransformPlan& plan) : db_(db), plan_(plan) {}

    Result<std::vector<ViewRow>> Build() {
        for (const PlannedTable& table : plan_.tables) {
            if (Status s = AddTable(table); !s.ok()) return s;
        }
        return std::move(rows_);
    }

  private:
    // Process text into the database's pool. Plain ASCII has the same bytes
    // in every database code page, which spares a conversion per marker and
    // number.
    Result<uint32_t> Text(std::string_view text) {
        if (text.empty()) return uint32_t{0};
        const bool ascii = std::all_of(text.begin(), text.end(), [](char ch) {
            return static_cast<unsigned char>(ch) < 0x80;
        });
        if (ascii) return db_.pool().Add(text, 1);
        auto bytes = format::ProcessToDatabase(text, db_.pool().code_page());
        if (!bytes.ok()) return bytes.status();
        return db_.pool().Add(*bytes, 1);
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
            case CellValue::Kind::kString:
                return db_.pool().Add(plan_.strings[value.string].bytes, 1);
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

    Status Add(uint32_t table, std::string_view column, uint32_t row, uint32_t data,
               uint32_t current) {
        auto column_id = Text(column);
        if (!column_id.ok()) return column_id.status();
        rows_.push_back({table, *column_id, row, data, current});
        return Status::Ok();
    }

    Status AddTable(const PlannedTable& table) {
        auto name = Text(table.name);
        if (!name.ok()) return name.status();
        if (table.drop || table.drop_missing) return Add(*name, "DROP", 0, 0, 0);
        if (table.create)
            if (Status s = Add(*name, "CREATE", 0, 0, 0); !s.ok()) return s;
        for (const AddedColumn& added : table.added_columns) {
            auto data = Text(std::to_string(added.column.type.StoredWord()));
            auto current = Text(std::to_string(added.number));
            if (!data.ok()) return data.status();
            if (!current.ok()) return current.status();
            if (Status s = Add(*name, added.column.name, 0, *data, *current); !s.ok()) return s;
        }
        if (table.rows.empty()) return Status::Ok();
        std::shared_ptr<db::Table> existing;
        if (!table.create) {
            auto loaded = db_.GetTable(table.name);
            if (!loaded.ok()) return loaded.status();
            existing = *loaded;
        }
        const size_t keys = table.schema.KeyCount();
        for (const PlannedRow& row : table.rows) {
            auto row_id = Text(row.row_text);
            if (!row_id.ok()) return row_id.status();
            using Effect = PlannedRow::Effect;
            if (row.effect == Effect::kDelete) {
                if (Status s = Add(*name, "DELETE", *row_id, 0, 0); !s.ok()) return s;
                continue;
            }
            const bool insert = row.effect == Effect::kInsert;
            if (insert)
                if (Status s = Add(*name, "INSERT", *row_id, 0, 0); !s.ok()) return s;
            for (size_t c = keys; c < table.schema.columns.size(); ++c) {
                // An inserted row lists every non-key column, nulls included.
                if (!insert && !row.present[c]) continue;
                auto data = Value(row, row.values[c]);
                if (!data.ok()) return data.status();
                uint32_t current = 0;
                if (!insert && existing) {
                    auto cur = Current(*existing, row.current.get(), c);
                    if (!cur.ok()) return cur.status();
                    current = *cur;
                }
                Status s = Add(*name, table.schema.columns[c].name, *row_id, *data, current);
                if (!s.ok()) return s;
            }
        }
        return Status::Ok();
    }

    db::Database& db_;
    const TransformPlan& plan_;
    std::vector<ViewRow> rows_;
};

}  // namespace

Status FillTransformView(db::Database& db, const TransformPlan& plan) {
    if (!db.HasTable(kTransformViewTable))
        if (Status s = db.CreateTable(ViewSchema()); !s.ok()) return s;
    auto loaded = db.GetTable(kTransformViewTable);
    if (!loaded.ok()) return loaded.status();
    db::Table& table = **loaded;
    ViewBuilder builder(db, plan);
    auto rows = builder.Build();
    if (!rows.ok()) return rows.status();
    // In key order, so that each insert lands at the end of the table (or
    // near it) instead of shifting the rows after it: 100,000 changes stay a
    // matter of milliseconds. Stable, so a later row for one key wins.
    std::stable_sort(rows->begin(), rows->end(), [](const ViewRow& a, const ViewRow& b) {
        return std::tie(a[0], a[1], a[2]) < std::tie(b[0], b[1], b[2]);
    });
    for (const ViewRow& cells : *rows) {
        auto row = std::make_shared<db::Row>();
        row->cells.assign(cells.begin(), cells.end());
        row->temporary = true;
        Status s = table.Insert(row);
        if (s.kind() == Status::Kind::kExists) {
            db::RowPtr old = table.Find(row->cells);
            if (old) {
                old->cells[3] = cells[3];
                old->cells[4] = cells[4];
            }
            continue;
        }
        if (!s.ok()) return s;
    }
    return Status::Ok();
}

}  // namespace msi::transform
