#include "package_view.h"

#include <algorithm>
#include <cctype>

#include "message_fill.h"
#include "msi_engine.h"
#include "msi_scoped_handle.h"
#include "msiquery.h"
#include "viewer_messages.h"

namespace viewer {

namespace {

// The installer's own tables that _Tables does not list; _Validation is
// stored as an ordinary table and comes with the others.
constexpr const char* kHiddenSystemTables[] = {"_Tables", "_Columns", "_Streams", "_Storages"};

std::vector<std::string> StoredTableNames(MSIHANDLE database) {
    std::vector<std::string> names;
    CMsiScopedHandle view;
    if (MsiDatabaseOpenViewA(database, "SELECT `Name` FROM `_Tables`", view.GetHandleSlot()) !=
            ERROR_SUCCESS ||
        MsiViewExecute(view.Get(), 0) != ERROR_SUCCESS)
        return names;
    CMsiScopedHandle record;
    char buffer[256];
    while (MsiViewFetch(view.Get(), record.GetHandleSlot()) == ERROR_SUCCESS) {
        DWORD size = sizeof buffer;
        if (MsiRecordGetStringA(record.Get(), 1, buffer, &size) == ERROR_SUCCESS)
            names.emplace_back(buffer, size);
    }
    return names;
}

// Without regard to ASCII case, ties in byte order: the order Tablesmith's
// table list uses, so both show a package's tables alike.
bool NameBefore(const std::string& a, const std::string& b) {
    auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char x = lower(a[i]), y = lower(b[i]);
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace

bool IsSystemTable(const std::string& name) {
    return name == "_Validation" ||
           std::find(std::begin(kHiddenSystemTables), std::end(kHiddenSystemTables), name) !=
               std::end(kHiddenSystemTables);
}

std::unique_ptr<PackageView> PackageView::Open(const std::string& path,
                                               const std::vector<std::string>& transforms,
                                               const MarksMaker& make_marks,
                                               diag::OutcomeSink& sink) {
    std::unique_ptr<PackageView> view(new PackageView);
    view->path_ = path;
    // Read-only without transforms. With them transacted, never committed:
    // the installer applies a transform only to a database it may change,
    // and the changes stay in this handle's memory; the file is not written.
    LPCSTR mode = transforms.empty() ? MSIDBOPEN_READONLY : MSIDBOPEN_TRANSACT;
    if (MsiOpenDatabaseA(path.c_str(), mode, &view->database_) != ERROR_SUCCESS) {
        view->database_ = 0;
        sink.Stop(diag::FillMessage(kCantOpenPackage, {path}), msi::LastFailureText());
        return nullptr;
    }
    if (!transforms.empty()) {
        if (!make_marks) {
            sink.Stop(diag::FillMessage(kNoTransformSupport, {transforms.front()}));
            return nullptr;
        }
        view->marks_ = make_marks(view->database_, transforms, sink);
        if (!view->marks_) return nullptr;
    }
    view->ListTables();
    return view;
}

PackageView::~PackageView() {
    rows_.clear();
    if (database_ != 0) MsiCloseHandle(database_);
}

void PackageView::ListTables() {
    std::vector<std::string> names = StoredTableNames(database_);
    for (const char* name : kHiddenSystemTables) names.emplace_back(name);
    if (marks_)
        for (const std::string& dropped : marks_->DroppedTables()) names.push_back(dropped);
    std::sort(names.begin(), names.end(), NameBefore);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const std::string& name : names) {
        TableEntry entry;
        entry.name = name;
        entry.system = IsSystemTable(name);
        std::string failure;
        if (marks_ && marks_->MarkOfTable(name) == TableMark::kDropped) {
            entry.rows = 0;
        } else if (std::optional<std::size_t> count = TableRows::Count(database_, name, &failure)) {
            entry.rows = *count;
        } else {
            entry.readable = false;
            entry.failure = diag::FillMessage(kCantReadTable, {failure});
        }
        tables_.push_back(std::move(entry));
    }
}

std::optional<std::size_t> PackageView::FindTable(const std::string& name) const {
    for (std::size_t i = 0; i < tables_.size(); ++i)
        if (tables_[i].name == name) return i;
    return std::nullopt;
}

const TableRows* PackageView::Rows(std::size_t table) {
    if (table >= tables_.size() || !tables_[table].readable) return nullptr;
    auto found = rows_.find(table);
    if (found != rows_.end()) return found->second.get();
    std::string failure;
    const std::string& name = tables_[table].name;
    std::optional<TableRows> rows;
    if (marks_ && marks_->MarkOfTable(name) == TableMark::kDropped)
        rows = TableRows::Empty(name, marks_->DroppedTableColumns(name));
    else
        rows = TableRows::Read(database_, name, &failure);
    if (!rows) {
        tables_[table].readable = false;
        tables_[table].failure = diag::FillMessage(kCantReadTable, {failure});
        return nullptr;
    }
    if (marks_)
        for (const std::vector<std::string>& extra : marks_->ExtraRows(name)) rows->AddRow(extra);
    auto stored = std::make_unique<TableRows>(std::move(*rows));
    const TableRows* result = stored.get();
    rows_[table] = std::move(stored);
    return result;
}

}  // namespace viewer
