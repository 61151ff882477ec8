#include "apply_command.h"

#include <memory>
#include <unordered_set>
#include <vector>

#include "change_columns.h"
#include "core/message_box.h"
#include "entry_list.h"
#include "message_text.h"
#include "msi_db_mgr.h"
#include "msi_engine.h"
#include "msi_error_text.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"
#include "string_array_entry.h"

namespace deltalens {

namespace {

// Rows ordered by table, then by row key, as the installer orders them.
constexpr const char* kChangesQuery = "SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`";
// MsiDbMgr's mode 1: changes stay in memory until a commit, which never comes.
constexpr int kTransactedMode = 1;

void Refresh(const ApplyFeedback& feedback) {
    if (feedback.refresh) feedback.refresh();
}

// Empties the list. The rows are taken out first and destroyed only after the
// refresh: a list control keeps every entry it shows as item data, so it must
// have let go of them before they are deleted.
void EmptyChangeList(CEntryList& changes, const ApplyFeedback& feedback) {
    std::vector<std::unique_ptr<CObject>> taken;
    if (changes.m_bOwnsObjects) {
        // One object listed twice is still one object to delete.
        std::unordered_set<CObject*> seen;
        for (POSITION position = changes.GetHeadPosition(); position != nullptr;) {
            CObject* object = changes.GetNext(position);
            if (object != nullptr && seen.insert(object).second) taken.emplace_back(object);
        }
    }
    // The framework list's own RemoveAll forgets the nodes and deletes nothing.
    changes.CObList::RemoveAll();
    Refresh(feedback);
}

// One change row: fields 0 to 4 of the record as texts. A field that cannot
// be read keeps what was read (as a rule nothing): the row still counts.
std::unique_ptr<CStringArrayEntry> MakeChangeRow(const CMsiRecord& record) {
    auto row = std::make_unique<CStringArrayEntry>();
    std::string text;
    for (int field = 0; field < kChangeColumnCount; ++field) {
        record.GetString(static_cast<std::uint32_t>(field), text);
        row->SetFieldText(field, text.c_str());
    }
    return row;
}

// Reads _TransformView into the list. A query that cannot be opened or run
// lists nothing and tells nothing: the installer makes no _TransformView for
// a transform without table changes, and that is an empty list, not an error.
void ListChanges(CMsiDatabase* database, CEntryList& changes, const ApplyFeedback& feedback) {
    CMsiView view;
    if (!view.Open(database, kChangesQuery) || !view.Execute(0)) return;
    CMsiRecord record;
    while (view.Fetch(record)) {
        std::unique_ptr<CStringArrayEntry> row = MakeChangeRow(record);
        if (feedback.take_change) {
            feedback.take_change(*row);
            continue;
        }
        // The list owns what it accepts; a refused row is deleted here.
        if (changes.AddEntry(row.get())) row.release();
        Refresh(feedback);
    }
}

}  // namespace

void TellFeedback(const ApplyFeedback& feedback, const std::string& text, unsigned type,
                  const std::string& detail) {
    if (feedback.tell_with_detail) {
        feedback.tell_with_detail(text, type, detail);
    } else if (feedback.tell) {
        feedback.tell(text, type);
    } else {
        fw::MessageBoxWithDetail(text, type, detail);
    }
}

std::string TransformFailureCause(unsigned result, const std::string& reason) {
    std::string meaning;
    switch (result) {
        case ERROR_INSTALL_TRANSFORM_FAILURE:
            meaning = "the transform does not fit this package";
            break;
        case ERROR_OPEN_FAILED:
            meaning = "the transform cannot be opened";
            break;
        default:
            meaning = VSB_MsiErrorText(result);
    }
    return reason.empty() ? meaning : meaning + ": " + reason;
}

std::string TransformErrorText(unsigned result) {
    return FillMessage(kTransformErrorFormat, {std::to_string(static_cast<int>(result))});
}

ApplyOutcome ApplyTransformView(const std::string& package_path, const std::string& transform_path,
                                CEntryList& changes, const ApplyFeedback& feedback) {
    EmptyChangeList(changes, feedback);

    // The manager's destructor closes the database without a commit and every
    // installer handle left (invariants 1 and 3).
    MsiDbMgr manager;
    if (!manager.Open(package_path.c_str(), transform_path.c_str(), kTransactedMode, true)) {
        TellFeedback(feedback, kOpenErrorText, kStopIcon, msi::LastFailureText());
        return ApplyOutcome::kOpenFailed;
    }

    const UINT result =
        MsiDatabaseApplyTransformA(manager.GetDatabase()->GetHandle(), transform_path.c_str(),
                                   MSITRANSFORM_ERROR_VIEWTRANSFORM);
    ApplyOutcome outcome = ApplyOutcome::kListed;
    if (result != ERROR_SUCCESS) {
        TellFeedback(feedback, TransformErrorText(result), kStopIcon,
                     TransformFailureCause(result, msi::LastFailureText()));
        outcome = ApplyOutcome::kTransformFailed;
    } else {
        ListChanges(manager.GetDatabase(), changes, feedback);
    }
    MsiCloseAllHandles();
    return outcome;
}

}  // namespace deltalens
