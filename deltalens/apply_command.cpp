#include "apply_command.h"

#include "msi_db_mgr.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"

namespace deltalens {

namespace {

// Rows ordered by table, then by row key, as the installer orders them.
constexpr const char* kChangesQuery = "SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`";
// MsiDbMgr's mode 1: changes stay in memory until a commit, which never comes.
constexpr int kTransactedMode = 1;

// Fields 0 to 4 of the record as texts, into `row`. A field that cannot be
// read keeps what was read (as a rule nothing): the row still counts.
void ReadChangeRow(const CMsiRecord& record, ChangeRow& row) {
    row.resize(kChangeColumnCount);
    for (int field = 0; field < kChangeColumnCount; ++field) {
        row[static_cast<std::size_t>(field)].clear();
        record.GetString(static_cast<std::uint32_t>(field), row[static_cast<std::size_t>(field)]);
    }
}

}  // namespace

// A query that cannot be opened or run hands over nothing and tells nothing:
// the installer makes no _TransformView for a transform without table
// changes, and that is no change, not an error.
void ListTransformView(CMsiDatabase* database, const TakeChange& take_change) {
    CMsiView view;
    if (!view.Open(database, kChangesQuery) || !view.Execute(0)) return;
    CMsiRecord record;
    ChangeRow row;
    while (view.Fetch(record)) {
        ReadChangeRow(record, row);
        take_change(row);
    }
}

ApplyOutcome ApplyTransformView(const std::string& package_path, const std::string& transform_path,
                                const TakeChange& take_change, diag::OutcomeSink& sink) {
    return ApplyTransformView(package_path, transform_path, 0, take_change, sink);
}

ApplyOutcome ApplyTransformView(const std::string& package_path, const std::string& transform_path,
                                int error_conditions, const TakeChange& take_change,
                                diag::OutcomeSink& sink) {
    // The manager's destructor closes the database without a commit and every
    // installer handle left (invariants 1 and 3).
    MsiDbMgr manager;
    if (!manager.Open(package_path.c_str(), transform_path.c_str(), kTransactedMode, true)) {
        sink.Stop(kOpenErrorText, manager.GetFailureText());
        return ApplyOutcome::kOpenFailed;
    }

    CMsiDatabase* database = manager.GetDatabase();
    const UINT result = database->ApplyTransform(
        transform_path, error_conditions | MSITRANSFORM_ERROR_VIEWTRANSFORM);
    ApplyOutcome outcome = ApplyOutcome::kListed;
    if (result != ERROR_SUCCESS) {
        sink.Stop(TransformErrorText(result),
                  TransformFailureCause(result, database->GetFailureText()));
        outcome = ApplyOutcome::kTransformFailed;
    } else {
        ListTransformView(database, take_change);
    }
    MsiCloseAllHandles();
    return outcome;
}

}  // namespace deltalens
