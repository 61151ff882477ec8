#include "diff_command.h"

#include "message_fill.h"
#include "msi_database.h"
#include "msiquery.h"
#include "scratch_folder.h"
#include "stream_digest.h"
#include "summary_changes.h"

namespace deltalens {

namespace {

// Writes the transform from OLD to NEW into `transform`. kListed with
// `differs` false when the two are the same (no file is made then).
DiffResult Generate(const std::string& old_package, const std::string& new_package,
                    const std::string& transform, diag::OutcomeSink& sink) {
    DiffResult result;
    CMsiDatabase old_database;
    CMsiDatabase new_database;
    for (auto [database, path] :
         {std::pair{&old_database, &old_package}, std::pair{&new_database, &new_package}}) {
        if (!OpenPackage(*database, *path, sink)) {
            result.outcome = DiffResult::Outcome::kOpenFailed;
            return result;
        }
    }
    const UINT generated = new_database.GenerateTransform(old_database, transform);
    if (generated == ERROR_NO_DATA) {
        result.outcome = DiffResult::Outcome::kListed;
        return result;
    }
    if (generated != ERROR_SUCCESS) {
        sink.Stop(diag::FillMessage(kCantCompareFormat, {old_package, new_package}),
                  new_database.GetFailureText());
        return result;
    }
    result.outcome = DiffResult::Outcome::kListed;
    result.differs = true;
    return result;
}

// Whether a row is one the options leave out. A table name may hold a dot
// itself, so "A.B" leaves out table "A.B" as well as column B of table A.
bool Ignored(const DiffOptions& options, const ChangeRow& change) {
    for (const std::string& entry : options.ignore)
        if (entry == change[0] || entry == change[0] + "." + change[1]) return true;
    return false;
}

}  // namespace

bool OpenPackage(CMsiDatabase& database, const std::string& path, diag::OutcomeSink& sink) {
    // The engine opens a transform or a patch as a database too; only the
    // package check tells them apart.
    if (database.VerifyPackage(path) != ERROR_SUCCESS || !database.Open(path, MSIDBOPEN_READONLY)) {
        sink.Stop(diag::FillMessage(kCantOpenPackageFormat, {path}), database.GetFailureText());
        return false;
    }
    return true;
}

DiffResult DiffPackages(const std::string& old_package, const std::string& new_package,
                        const TakeChange& take_change, diag::OutcomeSink& sink,
                        const DiffOptions& options) {
    std::string why;
    const ScratchFolder scratch("deltalens-diff-", why);
    if (scratch.path().empty()) {
        sink.Stop(kNoScratchFolder, why);
        return {};
    }
    const std::string transform = scratch.path() + "/old-to-new.mst";
    DiffResult result = Generate(old_package, new_package, transform, sink);
    MsiCloseAllHandles();
    if (result.outcome != DiffResult::Outcome::kListed) return result;

    // Every row passes here on its way to the caller: counted, left out
    // where the options say so, described where it is a binary cell's.
    size_t rows_seen = 0;
    size_t rows_kept = 0;
    const TakeChange kept = [&](const ChangeRow& change) {
        ++rows_seen;
        if (Ignored(options, change)) return;
        ++rows_kept;
        take_change(change);
    };
    if (result.differs) {
        StreamDigests digests(old_package, new_package);
        const ApplyOutcome applied =
            ApplyTransformView(old_package, transform, digests.Describing(kept), sink);
        digests.Forget();  // the listing closed every handle
        switch (applied) {
            case ApplyOutcome::kListed:
                break;
            case ApplyOutcome::kOpenFailed:
                result.outcome = DiffResult::Outcome::kOpenFailed;
                return result;
            case ApplyOutcome::kTransformFailed:
                result.outcome = DiffResult::Outcome::kFailed;
                return result;
        }
        // A difference without rows (the code page alone) still counts; one
        // whose every row is left out does not.
        result.differs = rows_seen == 0 || rows_kept > 0;
    }
    if (options.summary) {
        for (const ChangeRow& change : SummaryChanges(old_package, new_package)) kept(change);
        result.differs = result.differs || rows_kept > 0;
    }
    return result;
}

}  // namespace deltalens
