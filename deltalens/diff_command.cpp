#include "diff_command.h"

#include "entry_list.h"
#include "message_text.h"
#include "msi_database.h"
#include "msi_engine.h"
#include "msiquery.h"
#include "scratch_folder.h"

namespace deltalens {

namespace {

// Writes the transform from OLD to NEW into `transform`. kListed with
// `differs` false when the two are the same (no file is made then).
DiffResult Generate(const std::string& old_package, const std::string& new_package,
                    const std::string& transform, const ApplyFeedback& feedback) {
    DiffResult result;
    CMsiDatabase old_database;
    CMsiDatabase new_database;
    for (auto [database, path] :
         {std::pair{&old_database, &old_package}, std::pair{&new_database, &new_package}}) {
        if (!database->Open(*path, MSIDBOPEN_READONLY)) {
            TellFeedback(feedback, FillMessage(kCantOpenPackageFormat, {*path}), kStopIcon,
                         msi::LastFailureText());
            result.outcome = DiffResult::Outcome::kOpenFailed;
            return result;
        }
    }
    const UINT generated = MsiDatabaseGenerateTransformA(
        new_database.GetHandle(), old_database.GetHandle(), transform.c_str(), 0, 0);
    if (generated == ERROR_NO_DATA) {
        result.outcome = DiffResult::Outcome::kListed;
        return result;
    }
    if (generated != ERROR_SUCCESS) {
        TellFeedback(feedback, FillMessage(kCantCompareFormat, {old_package, new_package}),
                     kStopIcon, msi::LastFailureText());
        return result;
    }
    result.outcome = DiffResult::Outcome::kListed;
    result.differs = true;
    return result;
}

}  // namespace

DiffResult DiffPackages(const std::string& old_package, const std::string& new_package,
                        CEntryList& changes, const ApplyFeedback& feedback) {
    // Apply empties the list itself; a run that ends before it must too.
    changes.RemoveAll();
    if (feedback.refresh) feedback.refresh();

    std::string why;
    const ScratchFolder scratch("deltalens-diff-", why);
    if (scratch.path().empty()) {
        TellFeedback(feedback, kNoScratchFolder, kStopIcon, why);
        return {};
    }
    const std::string transform = scratch.path() + "/old-to-new.mst";
    DiffResult result = Generate(old_package, new_package, transform, feedback);
    MsiCloseAllHandles();
    if (result.outcome != DiffResult::Outcome::kListed || !result.differs) return result;

    switch (ApplyTransformView(old_package, transform, changes, feedback)) {
        case ApplyOutcome::kListed:
            break;
        case ApplyOutcome::kOpenFailed:
            result.outcome = DiffResult::Outcome::kOpenFailed;
            break;
        case ApplyOutcome::kTransformFailed:
            result.outcome = DiffResult::Outcome::kFailed;
            break;
    }
    return result;
}

}  // namespace deltalens
