#include "change_marks.h"

#include <algorithm>
#include <map>

#include "message_fill.h"
#include "msi_database.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"
#include "transform_failure.h"

namespace viewer {

namespace {

constexpr const char* kFreeChanges = "ALTER TABLE `_TransformView` FREE";
constexpr const char* kChangesQuery = "SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`";
// The installer builds _TransformView only in a database it may change;
// transacted mode keeps every change in memory until a commit, which never comes.
constexpr int kTransactedMode = 1;

// The markers the installer writes in the Column field of _TransformView.
constexpr const char* kInsertMarker = "INSERT";
constexpr const char* kDeleteMarker = "DELETE";
constexpr const char* kCreateMarker = "CREATE";
constexpr const char* kDropMarker = "DROP";

struct ViewRow {
    std::string table;
    std::string column;
    std::string row;
    std::string data;
    std::string current;
};

void ReadViewRow(const CMsiRecord& record, ViewRow& out) {
    std::string* fields[] = {&out.table, &out.column, &out.row, &out.data, &out.current};
    for (std::uint32_t field = 0; field < 5; ++field) {
        fields[field]->clear();
        record.GetString(field, *fields[field]);
    }
}

// The row of `rows` (ordered by key) with `key`, or null; for both constnesses.
template <typename Rows>
auto RowWithKey(Rows& rows, const std::string& key) -> decltype(&rows.front()) {
    auto it =
        std::lower_bound(rows.begin(), rows.end(), key,
                         [](const RowChanges& row, const std::string& k) { return row.key < k; });
    return it != rows.end() && it->key == key ? &*it : nullptr;
}

// The installer lists a row's changes together (ordered by table, then
// key), so a row is as a rule the last one of its table.
RowChanges& RowOf(TableChanges& table, const std::string& key) {
    if (table.rows.empty() || table.rows.back().key != key) {
        table.rows.emplace_back();
        table.rows.back().key = key;
    }
    return table.rows.back();
}

// Orders a table's rows by key and joins any row listed in two places, so
// that FindRow can search and each row has one entry whatever the order the
// installer gave.
void SortRows(TableChanges& table) {
    auto by_key = [](const RowChanges& a, const RowChanges& b) { return a.key < b.key; };
    if (std::is_sorted(table.rows.begin(), table.rows.end(), by_key)) {
        const auto same = std::adjacent_find(
            table.rows.begin(), table.rows.end(),
            [](const RowChanges& a, const RowChanges& b) { return a.key == b.key; });
        if (same == table.rows.end()) return;
    }
    std::stable_sort(table.rows.begin(), table.rows.end(), by_key);
    std::vector<RowChanges> joined;
    for (RowChanges& row : table.rows) {
        if (joined.empty() || joined.back().key != row.key) {
            joined.push_back(std::move(row));
            continue;
        }
        RowChanges& into = joined.back();
        if (row.mark != RowChange::kChanged) into.mark = row.mark;
        // A later part's value of a cell is the one the package ends with.
        for (CellEdit& cell : row.cells) {
            auto same = std::find_if(into.cells.begin(), into.cells.end(),
                                     [&](const CellEdit& c) { return c.column == cell.column; });
            if (same == into.cells.end())
                into.cells.push_back(std::move(cell));
            else
                same->after = std::move(cell.after);
        }
    }
    table.rows = std::move(joined);
}

// One row of _TransformView into its table's marks. The texts are copied,
// not moved: the record's reader leaves each text with room for a long
// field, which would stay with every mark, and the copies fit. The installer orders
// rows by table and key but not by column, so an INSERT or DELETE marker may
// come after the cells of its row: the marker decides the row's mark.
void AddViewRow(const ViewRow& row, TableChanges& table) {
    ++table.change_count;
    if (row.row.empty()) {  // schema rows have no key
        if (row.column == kCreateMarker)
            table.added = true;
        else if (row.column == kDropMarker)
            table.dropped = true;
        else
            table.added_columns.push_back(row.column);
        return;
    }
    RowChanges& changes = RowOf(table, row.row);
    if (row.column == kInsertMarker) {
        changes.mark = RowChange::kInserted;
    } else if (row.column == kDeleteMarker) {
        changes.mark = RowChange::kDeleted;
    } else {
        changes.cells.push_back({row.column, row.current, row.data});
    }
}

bool HasDeletedRows(const TableChanges& table) {
    return std::any_of(table.rows.begin(), table.rows.end(),
                       [](const RowChanges& row) { return row.mark == RowChange::kDeleted; });
}

std::uint32_t KeyCount(CMsiDatabase& database, const std::string& table) {
    CMsiRecord keys;
    if (MsiDatabaseGetPrimaryKeysA(database.GetHandle(), table.c_str(), keys.GetHandleSlot()) !=
        ERROR_SUCCESS)
        return 0;
    return keys.GetFieldCount();
}

std::string CellText(const CMsiRecord& record, std::uint32_t field, bool binary) {
    if (binary)
        return "[" + std::to_string(MsiRecordDataSize(record.GetHandle(), field + 1)) + " bytes]";
    std::string text;
    record.GetString(field, text);
    return text;
}

// The package's values of the rows the transforms delete, read in one pass
// over the table: the grid shows them struck through. A table that cannot
// be read leaves its deleted rows without values.
void ReadDeletedRows(CMsiDatabase& database, TableChanges& table) {
    if (table.name.find('`') != std::string::npos) return;
    const std::uint32_t key_count = KeyCount(database, table.name);
    CMsiView view;
    if (key_count == 0 || !view.Open(&database, "SELECT * FROM `" + table.name + "`") ||
        !view.Execute(0))
        return;
    const std::uint32_t column_count = view.GetFieldCount();
    std::vector<bool> binary(column_count);
    for (std::uint32_t column = 0; column < column_count; ++column) {
        std::string type;
        view.GetFieldType(static_cast<int>(column), type);
        binary[column] = !type.empty() && (type[0] == 'v' || type[0] == 'V');
    }
    CMsiRecord record;
    std::vector<std::string> key(key_count);
    while (view.Fetch(record)) {
        for (std::uint32_t field = 0; field < key_count; ++field)
            key[field] = CellText(record, field, binary[field]);
        RowChanges* row = RowWithKey(table.rows, RowKeyText(key));
        if (row == nullptr || row->mark != RowChange::kDeleted) continue;
        row->values.resize(column_count);
        for (std::uint32_t field = 0; field < column_count; ++field)
            row->values[field] = CellText(record, field, binary[field]);
    }
}

// The cause of a failed apply as Deltalens tells it: a transform file's
// fault in the engine's words, a patch's with the pair that failed.
void StopApply(CMsiDatabase& database, const installer::TransformUnit& unit, UINT result,
               const std::string& failure, diag::OutcomeSink& sink) {
    sink.Stop(installer::TransformErrorText(result),
              installer::TransformFailureCause(
                  result, unit.from_patch ? failure : database.GetFailureText()));
}

// A database object over a handle the caller keeps: the wrappers' calls work
// on it, and destroying it leaves the handle open.
class BorrowedDatabase : public CMsiDatabase {
  public:
    explicit BorrowedDatabase(MSIHANDLE handle) {
        m_hHandle = handle;
        SetFlags(kOpenFlag, true);
    }
    ~BorrowedDatabase() override { m_hHandle = 0; }
};

}  // namespace

const CellEdit* RowChanges::FindCell(const std::string& column) const {
    for (const CellEdit& cell : cells)
        if (cell.column == column) return &cell;
    return nullptr;
}

const RowChanges* TableChanges::FindRow(const std::string& key) const {
    return RowWithKey(rows, key);
}

bool TableChanges::IsAddedColumn(const std::string& column) const {
    return std::find(added_columns.begin(), added_columns.end(), column) != added_columns.end();
}

bool ChangeMarks::Mark(const std::string& package, const std::vector<std::string>& transforms,
                       diag::OutcomeSink& sink) {
    tables_.clear();
    change_count_ = 0;
    CMsiDatabase database;
    // A transform or a patch opens as a database too, but is no package.
    if (database.VerifyPackage(package) != ERROR_SUCCESS ||
        !database.Open(package, kTransactedMode)) {
        sink.Stop(installer::kOpenErrorText, database.GetFailureText());
        return false;
    }
    return MarkOpen(database, transforms, sink, {});
}

bool ChangeMarks::MarkIn(MSIHANDLE database, const std::vector<std::string>& transforms,
                         diag::OutcomeSink& sink, const BeforeApply& before_apply) {
    tables_.clear();
    change_count_ = 0;
    BorrowedDatabase borrowed(database);
    return MarkOpen(borrowed, transforms, sink, before_apply);
}

bool ChangeMarks::MarkOpen(CMsiDatabase& database, const std::vector<std::string>& transforms,
                           diag::OutcomeSink& sink, const BeforeApply& before_apply) {
    // Every file is read before anything is applied; a pair's fit is checked
    // when its turn comes, against the package as the units before it left it.
    std::vector<installer::TransformFile> files;
    for (const std::string& path : transforms) {
        installer::TransformFile file;
        std::string failure;
        if (!installer::ReadTransformFile(path, file, failure)) {
            sink.Stop(diag::FillMessage(installer::kUnreadableFormat, {path}), failure);
            return false;
        }
        files.push_back(std::move(file));
    }
    std::map<std::string, std::size_t> index;
    for (const installer::TransformFile& file : files) {
        std::size_t fitting = 0;
        std::string misfit_lines;
        for (const installer::TransformUnit& unit : file.units) {
            std::vector<msi::TransformMisfit> misfits;
            std::string failure;
            if (!installer::CheckFit(database, unit, misfits, failure)) {
                sink.Stop(diag::FillMessage(installer::kUnreadableFormat, {file.path}), failure);
                return Forget();
            }
            if (!misfits.empty()) {
                if (!misfit_lines.empty()) misfit_lines += '\n';
                misfit_lines += unit.name + " " + installer::DescribeMisfits(misfits);
                continue;
            }
            for (const std::string& part : unit.storages)
                if (!MarkPart(database, unit, part, index, sink, before_apply)) return Forget();
            ++fitting;
        }
        // Marking nothing for a patch made for another product would look
        // like a patch that changes nothing.
        if (file.is_patch && fitting == 0) {
            sink.Stop(diag::FillMessage(installer::kNoFitFormat, {file.path}), misfit_lines);
            return Forget();
        }
    }
    std::sort(tables_.begin(), tables_.end(),
              [](const TableChanges& a, const TableChanges& b) { return a.name < b.name; });
    // Each deleted row's values get a cell for every column its table has at the end.
    for (TableChanges& table : tables_) {
        if (table.dropped || !HasDeletedRows(table) || table.name.find('`') != std::string::npos)
            continue;
        CMsiView view;
        if (!view.Open(&database, "SELECT * FROM `" + table.name + "`")) continue;
        const std::size_t columns = view.GetFieldCount();
        for (RowChanges& row : table.rows)
            if (row.mark == RowChange::kDeleted && !row.values.empty()) row.values.resize(columns);
    }
    return true;
}

bool ChangeMarks::Forget() {
    tables_.clear();
    change_count_ = 0;
    return false;
}

bool ChangeMarks::MarkPart(CMsiDatabase& database, const installer::TransformUnit& unit,
                           const std::string& part, std::map<std::string, std::size_t>& index,
                           diag::OutcomeSink& sink, const BeforeApply& before_apply) {
    std::string failure;
    UINT result =
        installer::ApplyUnitPart(database, unit, part, MSITRANSFORM_ERROR_VIEWTRANSFORM, failure);
    if (result != ERROR_SUCCESS) {
        StopApply(database, unit, result, failure, sink);
        return false;
    }
    // The installer makes no _TransformView for transforms without table
    // changes: then the query fails and there is nothing to mark.
    std::vector<std::size_t> touched;
    CMsiView view;
    if (view.Open(&database, kChangesQuery) && view.Execute(0)) {
        CMsiRecord record;
        ViewRow row;
        while (view.Fetch(record)) {
            ReadViewRow(record, row);
            auto [it, added] = index.try_emplace(row.table, tables_.size());
            if (added) {
                tables_.emplace_back();
                tables_.back().name = row.table;
            }
            if (touched.empty() || touched.back() != it->second) touched.push_back(it->second);
            AddViewRow(row, tables_[it->second]);
            ++change_count_;
        }
        view.Close();
        // Read, the list has served: freed, it costs no memory, no reader of
        // the database's tables meets it, and the next part's list is its own.
        if (view.Open(&database, kFreeChanges)) view.Execute(0);
    }
    view.Close();
    for (const std::size_t at : touched) {
        TableChanges& table = tables_[at];
        SortRows(table);
        if (!table.added && !table.dropped && HasDeletedRows(table))
            ReadDeletedRows(database, table);
    }
    if (before_apply) before_apply(tables_);
    // Then for real (in memory, never committed), so that the next part is
    // viewed against the package as this one leaves it, as Deltalens lists a
    // chain. Viewing found that the part fits; what a real apply would refuse
    // (a row added twice, a missing row deleted) the view listed all the same.
    constexpr int kSuppressEveryError =
        MSITRANSFORM_ERROR_ADDEXISTINGROW | MSITRANSFORM_ERROR_DELMISSINGROW |
        MSITRANSFORM_ERROR_ADDEXISTINGTABLE | MSITRANSFORM_ERROR_DELMISSINGTABLE |
        MSITRANSFORM_ERROR_UPDATEMISSINGROW | MSITRANSFORM_ERROR_CHANGECODEPAGE;
    result = installer::ApplyUnitPart(database, unit, part, kSuppressEveryError, failure);
    if (result != ERROR_SUCCESS) {
        StopApply(database, unit, result, failure, sink);
        return false;
    }
    return true;
}

const TableChanges* ChangeMarks::FindTable(const std::string& name) const {
    auto it =
        std::lower_bound(tables_.begin(), tables_.end(), name,
                         [](const TableChanges& t, const std::string& n) { return t.name < n; });
    return it != tables_.end() && it->name == name ? &*it : nullptr;
}

std::string ChangeMarks::SummaryText() const {
    const std::size_t tables = tables_.size();
    return GroupedNumber(change_count_) + (change_count_ == 1 ? " change in " : " changes in ") +
           GroupedNumber(tables) + (tables == 1 ? " table" : " tables");
}

std::string RowKeyText(const std::vector<std::string>& key_values) {
    std::string text;
    for (std::size_t i = 0; i < key_values.size(); ++i) {
        if (i > 0) text += '\t';
        text += key_values[i].empty() ? std::string(" ") : key_values[i];
    }
    return text;
}

std::string GroupedNumber(std::size_t number) {
    const std::string digits = std::to_string(number);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

}  // namespace viewer
