#include "db/view.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <unordered_set>

#include "db/join.h"
#include "sql/parser.h"

namespace msi::db {

using format::ColumnType;

namespace {

sql::ColumnKind KindOf(ColumnType type) {
    if (type.IsBinary()) return sql::ColumnKind::kBinary;
    if (type.IsString()) return sql::ColumnKind::kString;
    return sql::ColumnKind::kInteger;
}

}  // namespace

View::CellKind View::CellKindOf(ColumnType type) {
    if (type.IsBinary()) return CellKind::kBinary;
    if (type.IsString()) return CellKind::kString;
    return CellKind::kInteger;
}

namespace {}  // namespace

std::vector<sql::FieldValue> ParameterValues(const Record* params, int count) {
    std::vector<sql::FieldValue> values(static_cast<size_t>(std::max(count, 0)));
    if (!params) return values;
    for (int i = 0; i < count; ++i) {
        const uint32_t field = static_cast<uint32_t>(i + 1);
        switch (params->KindOf(field)) {
            case Record::Kind::kInteger:
                values[i] = params->GetInteger(field);
                break;
            case Record::Kind::kString:
                values[i] = params->GetString(field);
                break;
            default:
                break;  // null, missing and stream fields compare as null
        }
    }
    return values;
}

Result<std::unique_ptr<View>> View::Open(std::shared_ptr<Database> db, std::string_view query) {
    auto statement = sql::Parse(query);
    if (!statement.ok()) return Status::InvalidArgument(statement.status().message());
    std::unique_ptr<View> view(new View());
    view->db_ = std::move(db);
    view->statement_ = std::move(statement).value();
    if (Status s = view->Prepare(); !s.ok()) return s;
    return view;
}

// Resolves names against the schema and binds the condition.
Status View::Prepare() {
    std::vector<std::string> names;
    const sql::Condition* where = nullptr;
    if (auto* select = std::get_if<sql::SelectStatement>(&statement_.body)) {
        names = select->tables;
        if (select->where) where = &*select->where;
    } else if (auto* insert = std::get_if<sql::InsertStatement>(&statement_.body)) {
        names = {insert->table};
    } else if (auto* update = std::get_if<sql::UpdateStatement>(&statement_.body)) {
        names = {update->table};
        if (update->where) where = &*update->where;
    } else if (auto* del = std::get_if<sql::DeleteStatement>(&statement_.body)) {
        names = {del->table};
        if (del->where) where = &*del->where;
    } else if (auto* drop = std::get_if<sql::DropTableStatement>(&statement_.body)) {
        if (!db_->HasTable(drop->table))
            return Status::InvalidArgument("unknown table " + drop->table);
        return Status::Ok();
    } else if (auto* alter = std::get_if<sql::AlterTableStatement>(&statement_.body)) {
        if (!db_->HasTable(alter->table) || IsSystemTable(alter->table))
            return Status::InvalidArgument("unknown table " + alter->table);
        return Status::Ok();
    } else {
        return Status::Ok();  // CREATE TABLE is checked when it runs
    }

    if (Status s = BindTables(names, where); !s.ok()) return s;
    return ResolveFields();
}

Status View::BindTables(const std::vector<std::string>& names, const sql::Condition* where) {
    tables_.clear();
    all_columns_.clear();
    all_column_map_.clear();
    for (size_t t = 0; t < names.size(); ++t) {
        if (!db_->HasTable(names[t])) return Status::InvalidArgument("unknown table " + names[t]);
        auto table = db_->GetTable(names[t]);
        if (!table.ok()) return table.status();
        for (size_t c = 0; c < (*table)->schema().columns.size(); ++c) {
            const auto& column = (*table)->schema().columns[c];
            all_columns_.push_back({names[t], column.name, KindOf(column.type)});
            all_column_map_.push_back({t, c, CellKindOf(column.type)});
        }
        tables_.push_back(std::move(table).value());
    }
    if (where) {
        auto bound = sql::Bind(*where, all_columns_);
        if (!bound.ok()) return Status::InvalidArgument(bound.status().message());
        where_.emplace(std::move(bound).value());
    }
    return Status::Ok();
}

Status View::Resolve(const sql::ColumnRef& ref, Column& out) const {
    auto index = sql::ResolveColumn(ref, all_columns_);
    if (!index.ok()) return Status::InvalidArgument(index.status().message());
    out = all_column_map_[static_cast<size_t>(*index)];
    return Status::Ok();
}

Status View::ResolveFields() {
    selected_.clear();
    constants_.clear();
    order_by_.clear();
    auto add = [&](const sql::ColumnRef& ref, std::vector<Column>& to) -> Status {
        Column c{};
        if (Status s = Resolve(ref, c); !s.ok()) return s;
        to.push_back(c);
        return Status::Ok();
    };
    if (auto* select = std::get_if<sql::SelectStatement>(&statement_.body)) {
        if (select->columns.empty()) selected_ = all_column_map_;
        for (const auto& item : select->columns) {
            if (item.constant) {
                selected_.push_back({Column::kConstant, constants_.size()});
                constants_.push_back(*item.constant);
            } else if (Status s = add(item.column, selected_); !s.ok()) {
                return s;
            }
        }
        for (const auto& ref : select->order_by)
            if (Status s = add(ref, order_by_); !s.ok()) return s;
    } else if (auto* insert = std::get_if<sql::InsertStatement>(&statement_.body)) {
        for (const auto& ref : insert->columns)
            if (Status s = add(ref, selected_); !s.ok()) return s;
    } else if (auto* update = std::get_if<sql::UpdateStatement>(&statement_.body)) {
        for (const auto& assignment : update->assignments)
            if (Status s = add(assignment.column, selected_); !s.ok()) return s;
    } else {
        selected_ = all_column_map_;
    }
    return Status::Ok();
}

Status View::Execute(const Record* params) {
    results_.clear();
    cursor_ = 0;
    executed_ = false;
    const auto values = ParameterValues(params, statement_.parameter_count);
    Status s;
    if (std::holds_alternative<sql::SelectStatement>(statement_.body)) {
        // Tables may have been made, dropped or reloaded since Open.
        if (s = Prepare(); !s.ok()) return s;
        s = ExecuteSelect(values);
    } else if (std::holds_alternative<sql::InsertStatement>(statement_.body)) {
        s = ExecuteInsert(params, values);
    } else if (std::holds_alternative<sql::UpdateStatement>(statement_.body)) {
        s = ExecuteUpdate(params, values);
    } else if (std::holds_alternative<sql::DeleteStatement>(statement_.body)) {
        s = ExecuteDelete(values);
    } else {
        s = ExecuteSchema();
    }
    if (s.ok()) executed_ = true;
    return s;
}

Status View::ExecuteSelect(const std::vector<sql::FieldValue>& params) {
    const auto& select = std::get<sql::SelectStatement>(statement_.body);
    if (tables_.size() == 1 && !where_) {
        // Every row of one table, in its stored order: what the search below
        // would find, without listing the rows by number first.
        results_ = tables_[0]->rows();
    } else {
        std::vector<std::pair<size_t, size_t>> map;
        for (const auto& c : all_column_map_) map.emplace_back(c.table, c.column);
        auto found = FindJoinedRows(*db_, tables_, map, where_ ? &*where_ : nullptr, params);
        if (!found.ok()) return found.status();
        results_.reserve(found->size());
        for (size_t i = 0; i < found->size(); ++i)
            results_.push_back(tables_[i % tables_.size()]->rows()[(*found)[i]]);
    }

    if (!order_by_.empty()) SortResults();
    if (select.distinct) KeepDistinctResults();
    return Status::Ok();
}

size_t View::ResultCount() const {
    return tables_.empty() ? 0 : results_.size() / tables_.size();
}

std::span<const RowPtr> View::ResultRows(size_t position) const {
    return std::span<const RowPtr>(results_).subspan(position * tables_.size(), tables_.size());
}

void View::KeepDistinctResults() {
    // A result is a repeat when its selected cells equal an earlier one's;
    // equal cells are equal values (one pool id per string). The first of
    // each kind stays, in place.
    struct CellsHash {
        size_t operator()(const std::vector<uint32_t>& cells) const {
            uint64_t h = 0xcbf29ce484222325ull;
            for (uint32_t cell : cells) h = (h ^ cell) * 0x100000001b3ull;
            return static_cast<size_t>(h);
        }
    };
    std::unordered_set<std::vector<uint32_t>, CellsHash> seen;
    RowList unique;
    for (size_t r = 0; r < ResultCount(); ++r) {
        const auto rows = ResultRows(r);
        std::vector<uint32_t> key;
        for (const Column& c : selected_)
            if (!c.constant()) key.push_back(rows[c.table]->cells[c.column]);
        if (!seen.insert(std::move(key)).second) continue;
        unique.insert(unique.end(), rows.begin(), rows.end());
    }
    results_ = std::move(unique);
}

void View::SortResults() {
    static_assert(kMaxJoinRows <= UINT32_MAX, "result positions are 32-bit");
    // The sort keys are copied into one flat array first, so that comparing
    // two results reads neighbouring memory instead of following two pointers
    // per cell: with a few hundred thousand rows that is most of the sort.
    // Strings order by pool id; integers by signed value, which the unsigned
    // order of the cell with its sign bit flipped gives.
    const size_t width = order_by_.size();
    const size_t count = ResultCount();
    std::vector<uint32_t> keys(count * width);
    for (size_t k = 0; k < width; ++k) {
        const Column& c = order_by_[k];
        const uint32_t flip =
            tables_[c.table]->schema().columns[c.column].type.IsInteger() ? 0x80000000u : 0;
        for (size_t r = 0; r < count; ++r)
            keys[r * width + k] = ResultRows(r)[c.table]->cells[c.column] ^ flip;
    }
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&keys, width](uint32_t a, uint32_t b) {
        const auto first = keys.begin();
        return std::lexicographical_compare(first + a * width, first + (a + 1) * width,
                                            first + b * width, first + (b + 1) * width);
    });
    RowList sorted;
    sorted.reserve(results_.size());
    for (uint32_t position : order) {
        const auto rows = ResultRows(position);
        sorted.insert(sorted.end(), rows.begin(), rows.end());
    }
    results_ = std::move(sorted);
}

void View::FillRecord(Record& record, std::span<const RowPtr> rows) const {
    for (size_t i = 0; i < selected_.size(); ++i) {
        const Column& c = selected_[i];
        const uint32_t field = static_cast<uint32_t>(i + 1);
        if (c.kind == CellKind::kConstant) {
            record.SetString(field, constants_[c.column]);
            continue;
        }
        const Row& row = *rows[c.table];
        const uint32_t cell = row.cells[c.column];
        switch (c.kind) {
            case CellKind::kInteger:
                record.SetInteger(field, static_cast<int32_t>(cell));  // the null cell stores null
                break;
            case CellKind::kString:
                if (cell == 0) {
                    record.SetNull(field);
                } else {
                    auto text = db_->TextView(cell);
                    record.SetString(field, text.ok() ? *text : std::string_view());
                }
                break;
            case CellKind::kBinary:
                if (cell == 0) {
                    record.SetNull(field);
                } else {
                    record.SetStream(field, db_->CellStream(*tables_[c.table], row, c.column));
                }
                break;
            case CellKind::kConstant:
                break;
        }
    }
}

Result<std::shared_ptr<Record>> View::Fetch() {
    if (!executed_ || !std::holds_alternative<sql::SelectStatement>(statement_.body))
        return Status::InvalidArgument("view not executed");
    // Positions are compared rather than counted: a division per fetched
    // row costs more than the rest of finding it.
    const size_t width = tables_.size();
    while (width != 0 && (cursor_ + 1) * width <= results_.size()) {
        const std::span<const RowPtr> rows(results_.data() + cursor_ * width, width);
        ++cursor_;
        bool erased = false;
        for (const auto& row : rows) erased |= row->erased;
        if (erased) continue;  // deleted since the view ran
        std::shared_ptr<Record> record = RecordToFill();
        FillRecord(*record, rows);
        // The installer puts a non-zero integer in field 0 of every row it
        // hands out; scripts test it to tell a row from an empty record.
        record->SetInteger(0, 1);
        SetOrigin(*record, rows);
        return record;
    }
    cursor_ = 0;  // the next fetch starts over, as the installer's does
    return Status::NotFound("no more rows");
}

std::shared_ptr<Record> View::RecordToFill() {
    const auto fields = static_cast<uint32_t>(selected_.size());
    // The record of the previous fetch is filled again once nobody else holds
    // it (a caller that reads row after row has closed its handle by now):
    // its fields keep their strings' storage, so a long scan allocates
    // nothing per row. The fence makes the other holder's last use of it
    // happen before the reuse, whichever thread that holder was.
    if (last_record_ && last_record_.use_count() == 1 && last_record_->FieldCount() == fields) {
        std::atomic_thread_fence(std::memory_order_acquire);
        return last_record_;
    }
    last_record_ = std::make_shared<Record>(fields);
    return last_record_;
}

void View::SetOrigin(Record& record, std::span<const RowPtr> rows) const {
    // A view of one table, the common case of long scans, keeps the row
    // itself: no allocation per fetched record.
    if (rows.size() == 1) {
        record.SetOrigin(this, rows[0]);
    } else {
        record.SetOrigin(this, std::make_shared<Rows>(rows.begin(), rows.end()));
    }
}

std::optional<View::Rows> View::OriginRows(const Record& record) const {
    if (record.origin_view() != this || !record.origin_row()) return std::nullopt;
    Rows rows = tables_.size() == 1 ? Rows{std::static_pointer_cast<Row>(record.origin_row())}
                                    : *static_cast<const Rows*>(record.origin_row().get());
    for (const auto& row : rows)
        if (row->erased) return std::nullopt;
    return rows;
}

ValidationFinding View::NextError(bool advance) {
    if (error_cursor_ >= errors_.size()) {
        // Past the last finding the reader hears "no error" once and then
        // starts over.
        if (advance) error_cursor_ = 0;
        return {};
    }
    ValidationFinding error = errors_[error_cursor_];
    if (advance) ++error_cursor_;
    return error;
}

Status View::Close() {
    results_.clear();
    last_record_.reset();
    cursor_ = 0;
    executed_ = false;
    return Status::Ok();
}

Result<std::shared_ptr<Record>> View::ColumnInfo(bool types) const {
    auto record = std::make_shared<Record>(static_cast<uint32_t>(selected_.size()));
    for (size_t i = 0; i < selected_.size(); ++i) {
        const uint32_t field = static_cast<uint32_t>(i + 1);
        if (selected_[i].constant()) {
            // A constant has no name; the installer types it "f0".
            if (types) record->SetString(field, "f0");
            continue;
        }
        const auto& column = tables_[selected_[i].table]->schema().columns[selected_[i].column];
        record->SetString(field, types ? column.type.InfoString() : column.name);
    }
    return record;
}

}  // namespace msi::db
