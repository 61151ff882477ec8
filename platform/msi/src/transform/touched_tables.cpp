// The tables a transform touches, read from the transform file alone: its
// _Tables and _Columns streams have a fixed layout, so which tables it adds,
// drops or widens is known without a target; the row records of any other
// table need the target's column widths, so for those only their presence
// is told.
#include <map>
#include <string>
#include <vector>

#include "api/last_failure.h"
#include "msi_engine.h"
#include "transform/row_operation.h"
#include "transform/transform_source.h"

namespace msi {

namespace {

constexpr const char* kTablesStream = "_Tables";
constexpr const char* kColumnsStream = "_Columns";

class TouchedTables {
  public:
    explicit TouchedTables(const transform::TransformSource& source) : source_(source) {}

    Result<std::vector<TransformTableChange>> Read() {
        if (Status s = ReadTables(); !s.ok()) return s;
        if (Status s = ReadColumns(); !s.ok()) return s;
        for (const auto& [name, stream] : source_.table_streams()) {
            if (name == kTablesStream || name == kColumnsStream) continue;
            TransformTableChange& entry = Entry(name);
            // A table the transform adds brings its rows; that is no change
            // of rows that were there.
            if (!entry.added) entry.rows_changed = true;
        }
        std::vector<TransformTableChange> tables;
        for (auto& [name, entry] : by_name_) tables.push_back(std::move(entry));
        return tables;
    }

  private:
    TransformTableChange& Entry(const std::string& name) {
        TransformTableChange& entry = by_name_[name];
        entry.table = name;
        return entry;
    }

    Result<std::string> Text(uint32_t id) const {
        auto text = source_.pool().LookupText(id);
        if (!text.ok()) return text.status();
        return *text;
    }

    Status ReadTables() {
        auto it = source_.table_streams().find(kTablesStream);
        if (it == source_.table_streams().end()) return Status::Ok();
        const uint8_t sizes[] = {source_.string_ref_size()};
        transform::RowOperationReader reader(it->second, sizes, 1);
        transform::RowOperation op;
        for (;;) {
            auto more = reader.Next(op);
            if (!more.ok()) return Status::Corrupt("_Tables: " + more.status().message());
            if (!*more) return Status::Ok();
            auto name = Text(op.cells[0]);
            if (!name.ok()) return Status::Corrupt("_Tables: " + name.status().message());
            if (name->empty()) return Status::Corrupt("_Tables: a table without a name");
            TransformTableChange& entry = Entry(*name);
            if (op.kind == transform::RowOperation::Kind::kAdd)
                entry.added = true;
            else if (op.kind == transform::RowOperation::Kind::kDelete)
                entry.dropped = true;
            else
                return Status::Corrupt("_Tables: an update record");
        }
    }

    Status ReadColumns() {
        auto it = source_.table_streams().find(kColumnsStream);
        if (it == source_.table_streams().end()) return Status::Ok();
        const uint8_t ref = source_.string_ref_size();
        const uint8_t sizes[] = {ref, 2, ref, 2};
        transform::RowOperationReader reader(it->second, sizes, 2);
        transform::RowOperation op;
        for (;;) {
            auto more = reader.Next(op);
            if (!more.ok()) return Status::Corrupt("_Columns: " + more.status().message());
            if (!*more) return Status::Ok();
            if (op.kind != transform::RowOperation::Kind::kAdd) continue;
            auto table = Text(op.cells[0]);
            if (!table.ok()) return Status::Corrupt("_Columns: " + table.status().message());
            TransformTableChange& entry = Entry(*table);
            if (!entry.added) entry.columns_added = true;
        }
    }

    const transform::TransformSource& source_;
    std::map<std::string, TransformTableChange> by_name_;
};

}  // namespace

UINT ReadTransformTables(LPCSTR path, std::vector<TransformTableChange>& tables) {
    api::ClearLastFailure();
    tables.clear();
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    auto source = transform::TransformSource::OpenFile(path);
    if (!source.ok()) {
        api::NoteLastFailure(source.status());
        const Status::Kind kind = source.status().kind();
        if (kind == Status::Kind::kNotFound || kind == Status::Kind::kIo) return ERROR_OPEN_FAILED;
        if (kind == Status::Kind::kUnsupported) return ERROR_INSTALL_PACKAGE_INVALID;
        return ERROR_INSTALL_TRANSFORM_FAILURE;
    }
    auto read = TouchedTables(*source).Read();
    if (!read.ok()) {
        api::NoteLastFailure(read.status());
        return ERROR_INSTALL_TRANSFORM_FAILURE;
    }
    tables = std::move(*read);
    return ERROR_SUCCESS;
}

}  // namespace msi
