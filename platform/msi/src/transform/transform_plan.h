// A transform decoded against one target database, checked before anything
// changes: which tables it creates and drops, which columns it adds, and what
// every row record does to the target (insert, update, delete, or nothing
// when a suppressed conflict makes it void).
//
// Planning reads the target (it loads the tables the transform touches) but
// changes none of its data. PlanTransform decides the schema part;
// PlanRows then decides the row records one at a time and hands each to a
// sink (the apply, transform_apply.h, or the view, transform_view.h), which
// acts on it at once. No record is kept: a transform of millions of records
// takes the memory of one, plus what the sink keeps. Planning the same plan
// twice gives the same rows, so the apply checks every record in a first
// pass and changes the database only in a second.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
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

// One record as planned. The sink sees it only during its call: the planner
// reuses it for the next record.
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
    // The transform's row records for the table (held by the source), or
    // null when it has none.
    const std::vector<uint8_t>* stream = nullptr;
};

// A string of the transform's pool, converted on first use: text in the
// process code page, and bytes in the code page the target's pool will have.
// Both view the transform's pool where it holds them as they are, else
// TransformPlan::converted.
struct PlannedString {
    std::string_view text;
    std::string_view bytes;
    // False in a view for text the target's code page has no form for:
    // `bytes` is empty, and the view shows the text as it is (a view writes
    // nothing; only an apply must store the text).
    bool storable = true;
};

struct TransformPlan {
    // A string whose text and target bytes are its bytes in the transform.
    static constexpr uint32_t kAsStored = 0xFFFFFFFF;

    bool view = false;
    int conditions = 0;
    uint32_t code_page = 0;  // the target pool's code page after the apply
    bool code_page_changes = false;
    std::vector<PlannedTable> tables;
    // The strings records use, by transform string id: 0 while not converted,
    // kAsStored, else the place of its conversion in `strings` plus one.
    std::vector<uint32_t> string_slots;
    std::deque<PlannedString> strings;
    std::deque<std::string> converted;  // texts and bytes `strings` view
    const format::StringPool* transform_pool = nullptr;

    // A string the planner converted.
    PlannedString StringOf(uint32_t id) const {
        const uint32_t slot = string_slots[id];
        if (slot != kAsStored) return strings[slot - 1];
        const std::string_view bytes = *transform_pool->Lookup(id);
        return {bytes, bytes};
    }
};

// Decodes and checks the transform's schema part against `target`: code
// page, _Tables, _Columns, and the tables its row streams name. Fails with
// kCorrupt for damaged or foreign records, kExists/kNotFound for a conflict
// the conditions do not suppress, kUnsupported for a code page clash.
// With kViewTransform set no conflict is an error: the view shows them.
Result<TransformPlan> PlanTransform(db::Database& target, const TransformSource& source,
                                    int conditions);

// Receives the planned row records.
class RowSink {
  public:
    virtual ~RowSink() = default;
    // Once per table of the plan, in plan order, before its records.
    virtual Status BeginTable(const PlannedTable& table) = 0;
    // Each record of the table's stream, in stream order.
    virtual Status Take(const PlannedTable& table, const PlannedRow& row) = 0;
};

// Plans the row records of every table that keeps its rows (not dropped) in
// plan order, and hands each to `sink`; stops at the first failure, the
// planner's or the sink's. Fails as PlanTransform does for damaged records
// and conflicts. The plan's string cache fills as it goes.
Status PlanRows(db::Database& target, const TransformSource& source, TransformPlan& plan,
                RowSink& sink);

}  // namespace msi::transform
