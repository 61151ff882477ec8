// A package opened read-only for the viewer: its tables with their row
// counts, each table's rows read when first asked for and kept, and the
// transform's marks when one is shown. No Qt here: the models and the
// window sit above it, and tests and the benchmark use it directly.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "outcome.h"
#include "row_marks.h"
#include "table_rows.h"

namespace viewer {

struct TableEntry {
    std::string name;
    std::size_t rows = 0;
    bool system = false;   // _Tables, _Columns, _Streams, _Storages, _Validation
    bool readable = true;  // false: `failure` says why
    std::string failure;
};

class PackageView {
  public:
    // Opens `path` read-only (with transforms transacted, never committed)
    // and lists its tables; with transforms, `make_marks` applies them first. None when the package
    // (or a transform) does not open, told to `sink` as a stop with the cause.
    static std::unique_ptr<PackageView> Open(const std::string& path,
                                             const std::vector<std::string>& transforms,
                                             const MarksMaker& make_marks, diag::OutcomeSink& sink);
    ~PackageView();
    PackageView(const PackageView&) = delete;
    PackageView& operator=(const PackageView&) = delete;

    const std::string& Path() const { return path_; }
    MSIHANDLE Database() const { return database_; }
    // Every table, ordered by name.
    const std::vector<TableEntry>& Tables() const { return tables_; }
    // The index of the table of that name in Tables(), or none.
    std::optional<std::size_t> FindTable(const std::string& name) const;
    // The table's rows, read on first use (with the marks' extra rows);
    // null when the table cannot be read (its entry then says why).
    const TableRows* Rows(std::size_t table);
    const RowMarks* Marks() const { return marks_.get(); }

  private:
    PackageView() = default;
    void ListTables();

    std::string path_;
    MSIHANDLE database_ = 0;
    std::unique_ptr<RowMarks> marks_;
    std::vector<TableEntry> tables_;
    std::map<std::size_t, std::unique_ptr<TableRows>> rows_;
};

// Whether the table is one of the installer's own.
bool IsSystemTable(const std::string& name);

}  // namespace viewer
