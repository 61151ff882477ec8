// A transform decoded against one target database, checked in full before
// anything changes: which tables it creates and drops, which columns it adds,
// and what every row record does to the target (insert, update, delete, or
// nothing when a suppressed conflict makes it void).
//
// Planning reads the target (it loads the tables the transform touches) but
// changes none of its data; the apply (transform_apply.h) and the view
// (transform_view.h) then work from the plan alone and cannot meet a
// malformed record half-way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/status.h"
#include "db/database.h"
#include "db/stream_source.h"
#include "transform/row_operation.h"
#include "transform/transform_source.h"

namespace msi::transform {

// The error conditions a caller may suppress, and the view flag.
enum Condition : int {
    kAddExistingRow = 0x0001,
    kDeleteMissingRow = 0x0002,
    kAddExistingTable = 0x0004,
    kDeleteMissingTable = 0x0008,
    kUpdateMissingRow = 0x0010,
    kChangeCodePage = 0x0020,
    kViewTransform = 0x0100,
};

// One cell as the transform gives it.
struct CellValue {
    enum class Kind { kNull, kInteger, kString, kBinary };
    Kind kind = Kind::kNull;
    int32_t number = 0;        // kInteger
    uint32_t string = 0;       // kString: id in the transform's pool
    db::StreamSourcePtr data;  // kBinary
};

struct PlannedRow {
    enum class Effect { kInsert, kUpdate, kDelete, kSkip };
    RowOperation::Kind kind = RowOperation::Kind::kDelete;  // as written
    Effect effect = Effect::kSkip;                          // what it does to the target
    std::vector<CellValue> values;                          // one per target column
    std::vector<bool> present;                              // columns the record carries
    // The key values as the _TransformView Row column shows them: joined by
    // TAB, a null key as a single blank.
    std::string row_text;
    // The stream name of the row's binary cells ("Table.key1.key2").
    std::string stream_name;
    // The target's row when it existed as planning reached the record.
    db::RowPtr current;
};

struct AddedColumn {
    db::ColumnSchema column;
    int32_t number = 0;  // 1-based column number after the add
};

struct PlannedTable {
    std::string name;
    bool create = false;                     // the transform adds the table (and it is not there)
    bool drop = false;                       // the transform drops it (and it is there)
    bool drop_missing = false;               // a drop of a table that is not there (view only)
    db::TableSchema schema;                  // after the transform's column adds
    std::vector<AddedColumn> added_columns;  // all columns for a created table
    std::vector<PlannedRow> rows;
};

// Strings of the transform's pool, converted once: text in the process code
// page, and bytes in the code page the target's pool will have.
struct PlannedString {
    bool converted = false;
    std::string text;
    std::string bytes;
};

struct TransformPlan {
    bool view = false;
    uint32_t code_page = 0;  // the target pool's code page after the apply
    bool code_page_changes = false;
    std::vector<PlannedTable> tables;
    std::vector<PlannedString> strings;  // by transform string id
};

// Decodes and checks the whole transform against `target`. Fails with
// kCorrupt for damaged or foreign records, kExists/kNotFound for a conflict
// the conditions do not suppress, kUnsupported for a code page clash.
// With kViewTransform set no conflict is an error: the view shows them.
Result<TransformPlan> PlanTransform(db::Database& target, const TransformSource& source,
                                    int conditions);

}  // namespace msi::transform
