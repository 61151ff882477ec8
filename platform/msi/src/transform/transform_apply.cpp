// Applying a transform.
//
// Invariants:
//  1. A failed apply leaves the database as it was: a first pass plans every
//     record and decides every conflict before the first change, and the
//     second pass, which changes the database, plans them again the same way,
//     so nothing there can meet bad input.
//  2. Schema changes come before rows: code page, dropped tables, added
//     tables, added columns, then each table's records in stream order.
//  3. A conflict the caller suppressed changes nothing by itself: an add of
//     an existing row becomes an update of the columns it carries; a delete
//     or update of a missing row, a drop of a missing table, are skipped; an
//     add of an existing table only adds the columns the table lacks.
//  4. A binary cell and its stream change together: set cell, stream stored
//     under "Table.key..."; null cell or deleted row, stream removed.
//  5. A dropped table loses its catalog entry, its columns, its rows and the
//     streams of its binary cells.
//  6. A record of _Streams changes the stream its Name names: added or
//     replaced with the data the transform carries, or removed.
#include "transform/transform_apply.h"

#include <cassert>

#include "db/record.h"
#include "transform/transform_view.h"

namespace msi::transform {

using db::ColumnSchema;
using format::ColumnType;

namespace {

// The first pass: planning alone decides every conflict.
class Checker final : public RowSink {
  public:
    Status BeginTable(const PlannedTable&) override { return Status::Ok(); }
    Status Take(const PlannedTable&, const PlannedRow&) override { return Status::Ok(); }
};

class Applier final : public RowSink {
  public:
    Applier(db::Database& db, const TransformPlan& plan) : db_(db), plan_(plan) {}

    Status ApplySchema() {
        // Invariant 1: past this point every step works on checked input;
        // a failure would mean the plan and the database disagree.
        if (plan_.code_page_changes) {
            Status s = db_.pool().SetCodePage(plan_.code_page);
            assert(s.ok() && "invariant 1: the plan checked the code page");
            if (!s.ok()) return s;
        }
        for (const PlannedTable& table : plan_.tables)
            if (table.drop)
                if (Status s = db_.DropTable(table.name); !s.ok()) return s;  // invariant 5
        for (const PlannedTable& table : plan_.tables)
            if (table.create)
                if (Status s = db_.CreateTable(table.schema); !s.ok()) return s;
        for (const PlannedTable& table : plan_.tables) {
            if (table.create || table.drop) continue;
            for (const AddedColumn& added : table.added_columns)
                if (Status s = db_.AddColumn(table.name, added.column); !s.ok()) return s;
        }
        return Status::Ok();
    }

    Status BeginTable(const PlannedTable& planned) override {
        table_ = nullptr;
        streams_table_ = planned.name == db::StreamsTableSchema().name;
        if (planned.drop || !planned.stream || streams_table_) return Status::Ok();
        auto loaded = db_.GetTable(planned.name);
        if (!loaded.ok()) return loaded.status();
        table_ = *loaded;
        assert(table_->schema().columns.size() == planned.schema.columns.size() &&
               "invariant 2: columns were added before rows");
        return Status::Ok();
    }

    Status Take(const PlannedTable&, const PlannedRow& row) override {
        if (streams_table_) return TakeStream(row);
        db::Table& table = *table_;
        const db::TableSchema& schema = table.schema();
        table.set_modified();
        db_.MarkModified();
        using Effect = PlannedRow::Effect;
        if (row.effect == Effect::kSkip) return Status::Ok();  // invariant 3
        db::RowPtr target = table.Find(KeyCells(schema, row));
        if (row.effect == Effect::kInsert) {
            assert(!target && "invariant 1: the plan saw no such row");
            auto fresh = std::make_shared<db::Row>();
            fresh->cells.resize(schema.columns.size());
            for (size_t c = 0; c < schema.columns.size(); ++c) {
                fresh->cells[c] = Cell(schema.columns[c].type, row.values[c]);
                if (schema.columns[c].type.IsBinary() && row.values[c].data)
                    StoreStream(row, row.values[c]);  // invariant 4
            }
            return table.Insert(fresh);
        }
        assert(target && "invariant 1: the plan saw this row");
        if (!target) return Status::Ok();
        if (row.effect == Effect::kDelete) {
            for (size_t c = schema.KeyCount(); c < schema.columns.size(); ++c)
                if (schema.columns[c].type.IsBinary() && target->cells[c] != 0)
                    db_.streams().Remove(row.stream_name);  // invariant 4
            table.Erase(target);
            return Status::Ok();
        }
        for (size_t c = schema.KeyCount(); c < schema.columns.size(); ++c) {
            if (!row.present[c]) continue;
            target->cells[c] = Cell(schema.columns[c].type, row.values[c]);
            if (schema.columns[c].type.IsBinary()) StoreStream(row, row.values[c]);
        }
        return Status::Ok();
    }

  private:
    // Invariant 6: the _Streams table is the stream store itself.
    Status TakeStream(const PlannedRow& row) {
        using Effect = PlannedRow::Effect;
        if (row.effect == Effect::kSkip || row.values.empty() ||
            row.values[0].kind != CellValue::Kind::kString)
            return Status::Ok();
        const std::string name(plan_.StringOf(row.values[0].string).text);
        db_.MarkModified();
        if (row.effect == Effect::kDelete) {
            db_.streams().Remove(name);
            return Status::Ok();
        }
        if (row.present.size() > 1 && row.present[1]) {
            const CellValue& data = row.values[1];
            if (data.kind == CellValue::Kind::kBinary && data.data)
                db_.streams().Put(name, data.data);
            else
                db_.streams().Remove(name);
        }
        return Status::Ok();
    }

    // The target cell for a planned value; strings enter the pool.
    uint32_t Cell(const ColumnType type, const CellValue& value) {
        switch (value.kind) {
            case CellValue::Kind::kNull:
                return type.IsInteger() ? static_cast<uint32_t>(db::Record::kNullInteger) : 0;
            case CellValue::Kind::kInteger:
                return static_cast<uint32_t>(value.number);
            case CellValue::Kind::kBinary:
                return value.data ? 1 : 0;
            case CellValue::Kind::kString: {
                auto id = db_.pool().Add(plan_.StringOf(value.string).bytes, 1);
                assert(id.ok() && "invariant 1: strings were converted while planning");
                return id.ok() ? *id : 0;
            }
        }
        return 0;
    }

    // The key cells of a planned row, for Find; kNotFound-able strings give
    // an id no row has.
    const std::vector<uint32_t>& KeyCells(const db::TableSchema& schema, const PlannedRow& row) {
        key_cells_.assign(schema.columns.size(), 0);
        for (size_t c = 0; c < schema.KeyCount(); ++c) {
            const CellValue& value = row.values[c];
            if (value.kind == CellValue::Kind::kString)
                key_cells_[c] = db_.pool().Find(plan_.StringOf(value.string).bytes);
            else
                key_cells_[c] = Cell(schema.columns[c].type, value);
        }
        return key_cells_;
    }

    void StoreStream(const PlannedRow& row, const CellValue& value) {
        if (value.kind == CellValue::Kind::kBinary && value.data)
            db_.streams().Put(row.stream_name, value.data);
        else
            db_.streams().Remove(row.stream_name);
    }

    db::Database& db_;
    const TransformPlan& plan_;
    std::shared_ptr<db::Table> table_;
    bool streams_table_ = false;
    std::vector<uint32_t> key_cells_;
};

// Opening worked; a planning failure is a misfit, never an open failure.
Status Misfit(Status s) {
    if (s.kind() == Status::Kind::kNotFound || s.kind() == Status::Kind::kIo)
        return Status::Corrupt(s.message());
    return s;
}

}  // namespace

Status ApplyPlan(db::Database& db, const TransformSource& source, TransformPlan& plan) {
    Applier applier(db, plan);
    if (Status s = applier.ApplySchema(); !s.ok()) return s;
    return PlanRows(db, source, plan, applier);
}

Status ApplyTransform(db::Database& db, const std::string& source_name, int conditions) {
    if (db.read_only()) return Status::InvalidArgument("the database is read-only");
    auto source = TransformSource::Open(db, source_name);
    if (!source.ok()) return source.status();
    return ApplySource(db, *source, conditions);
}

Status ApplySource(db::Database& db, const TransformSource& source, int conditions) {
    if (db.read_only()) return Status::InvalidArgument("the database is read-only");
    auto plan = PlanTransform(db, source, conditions);
    if (!plan.ok()) return Misfit(plan.status());
    if (plan->view) return Misfit(FillTransformView(db, source, *plan));
    Checker checker;
    if (Status s = PlanRows(db, source, *plan, checker); !s.ok()) return Misfit(s);
    return ApplyPlan(db, source, *plan);
}

}  // namespace msi::transform
