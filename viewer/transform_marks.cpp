#include "transform_marks.h"

#include <filesystem>
#include <map>

namespace viewer {

namespace {

struct DroppedTable {
    std::vector<ColumnInfo> columns;
    std::vector<std::vector<std::string>> rows;
};

class TransformMarks : public RowMarks {
  public:
    TransformMarks(ChangeMarks changes, std::string title,
                   std::map<std::string, DroppedTable> dropped)
        : changes_(std::move(changes)), title_(std::move(title)), dropped_(std::move(dropped)) {}

    std::string Title() const override { return title_; }
    std::string StatusText() const override { return changes_.SummaryText(); }

    TableMark MarkOfTable(const std::string& table) const override {
        const TableChanges* changes = changes_.FindTable(table);
        if (changes == nullptr) return TableMark::kNone;
        if (changes->dropped) return TableMark::kDropped;
        return changes->added ? TableMark::kAdded : TableMark::kNone;
    }
    int ChangeCount(const std::string& table) const override {
        const TableChanges* changes = changes_.FindTable(table);
        return changes == nullptr ? 0 : static_cast<int>(changes->change_count);
    }
    std::vector<std::string> DroppedTables() const override {
        std::vector<std::string> names;
        for (const auto& entry : dropped_) names.push_back(entry.first);
        return names;
    }
    std::vector<ColumnInfo> DroppedTableColumns(const std::string& table) const override {
        auto it = dropped_.find(table);
        return it == dropped_.end() ? std::vector<ColumnInfo>{} : it->second.columns;
    }
    bool IsColumnAdded(const std::string& table, const std::string& column) const override {
        const TableChanges* changes = changes_.FindTable(table);
        return changes != nullptr && changes->IsAddedColumn(column);
    }

    RowMark MarkOfRow(const std::string& table,
                      const std::vector<std::string>& key) const override {
        const TableChanges* changes = changes_.FindTable(table);
        if (changes == nullptr) return RowMark::kNone;
        if (changes->dropped) return RowMark::kDeleted;
        const RowChanges* row = changes->FindRow(RowKeyText(key));
        if (row == nullptr) return RowMark::kNone;
        switch (row->mark) {
            case RowChange::kInserted:
                return RowMark::kInserted;
            case RowChange::kDeleted:
                return RowMark::kDeleted;
            case RowChange::kChanged:
                break;
        }
        return RowMark::kChanged;
    }
    std::optional<CellChange> ChangeOfCell(const std::string& table,
                                           const std::vector<std::string>& key,
                                           const std::string& column) const override {
        const TableChanges* changes = changes_.FindTable(table);
        const RowChanges* row = changes ? changes->FindRow(RowKeyText(key)) : nullptr;
        const CellEdit* cell = row ? row->FindCell(column) : nullptr;
        if (cell == nullptr) return std::nullopt;
        return CellChange{cell->before, cell->after};
    }
    std::vector<std::vector<std::string>> ExtraRows(const std::string& table) const override {
        if (auto it = dropped_.find(table); it != dropped_.end()) return it->second.rows;
        std::vector<std::vector<std::string>> rows;
        if (const TableChanges* changes = changes_.FindTable(table))
            for (const RowChanges& row : changes->rows)
                if (row.mark == RowChange::kDeleted && !row.values.empty())
                    rows.push_back(row.values);
        return rows;
    }

  private:
    ChangeMarks changes_;
    std::string title_;
    std::map<std::string, DroppedTable> dropped_;
};

// "AcroRead-rcs.mst", or the names of a chain joined by " + ".
std::string TitleOf(const std::vector<std::string>& transforms) {
    std::string title;
    for (const std::string& transform : transforms) {
        if (!title.empty()) title += " + ";
        title += std::filesystem::path(transform).filename().string();
    }
    return title;
}

}  // namespace

std::unique_ptr<RowMarks> MakeTransformMarks(MSIHANDLE database,
                                             const std::vector<std::string>& transforms,
                                             diag::OutcomeSink& sink) {
    ChangeMarks changes;
    // A dropped table's rows are read while the database still has them.
    std::map<std::string, DroppedTable> dropped;
    const auto keep_dropped = [&](const std::vector<TableChanges>& tables) {
        for (const TableChanges& table : tables) {
            if (!table.dropped || dropped.count(table.name) != 0) continue;
            DroppedTable& kept = dropped[table.name];
            if (std::optional<TableRows> rows = TableRows::Read(database, table.name, nullptr)) {
                kept.columns = rows->Columns();
                for (std::size_t row = 0; row < rows->RowCount(); ++row)
                    kept.rows.push_back(rows->RowCells(row));
            }
        }
    };
    if (!changes.MarkIn(database, transforms, sink, keep_dropped)) return nullptr;
    return std::make_unique<TransformMarks>(std::move(changes), TitleOf(transforms),
                                            std::move(dropped));
}

}  // namespace viewer
