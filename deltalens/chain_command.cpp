#include "chain_command.h"

#include <utility>

#include "message_fill.h"
#include "msi_db_mgr.h"
#include "msi_view.h"
#include "msiquery.h"
#include "stream_digest.h"
#include "transform_units.h"

namespace deltalens {

namespace {

// MsiDbMgr's mode 1: changes stay in memory until a commit, which never comes.
constexpr int kTransactedMode = 1;

// _TransformView gathers the rows of every view-mode apply until it is
// freed; each unit's rows are read alone.
void FreeTransformView(CMsiDatabase* database) {
    CMsiView view;
    if (view.Open(database, "ALTER TABLE `_TransformView` FREE")) view.Execute(0);
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

class ChainRun {
  public:
    ChainRun(const ChainSettings& settings, diag::OutcomeSink& sink)
        : settings_(settings), sink_(sink) {}

    ApplyOutcome Run(const TakeUnitChange& take_change) {
        if (!ReadFiles()) return ApplyOutcome::kTransformFailed;
        // The manager's destructor closes the database without a commit and
        // every installer handle left (invariants 1 and 3).
        MsiDbMgr manager;
        if (!manager.Open(settings_.package.c_str(), nullptr, kTransactedMode, true)) {
            sink_.Stop(kOpenErrorText, manager.GetFailureText());
            return ApplyOutcome::kOpenFailed;
        }
        database_ = manager.GetDatabase();
        for (const installer::TransformFile& file : files_)
            if (!ApplyFile(file)) return ApplyOutcome::kTransformFailed;
        for (const auto& [unit, change] : changes_) take_change(unit, change);
        return ApplyOutcome::kListed;
    }

  private:
    bool Picked(const installer::TransformUnit& unit) const {
        return settings_.only_unit.empty() || unit.name == settings_.only_unit;
    }

    bool ReadFiles() {
        std::vector<std::string> names;
        for (const std::string& path : settings_.transforms) {
            installer::TransformFile file;
            std::string failure;
            if (!installer::ReadTransformFile(path, file, failure)) {
                sink_.Stop(diag::FillMessage(kUnreadableFormat, {path}), failure);
                return false;
            }
            for (const auto& unit : file.units) names.push_back(unit.name);
            files_.push_back(std::move(file));
        }
        if (settings_.only_unit.empty()) return true;
        for (const auto& name : names)
            if (name == settings_.only_unit) return true;
        sink_.Stop(diag::FillMessage(kNoSuchUnitFormat,
                                     {settings_.only_unit, Joined(settings_.transforms, ", ")}),
                   "the transforms there: " + Joined(names, ", "));
        return false;
    }

    bool ApplyFile(const installer::TransformFile& file) {
        size_t applied = 0;
        std::vector<std::string> misfit_lines;
        for (const installer::TransformUnit& unit : file.units) {
            if (!Picked(unit)) continue;
            std::vector<msi::TransformMisfit> misfits;
            std::string failure;
            if (!installer::CheckFit(*database_, unit, misfits, failure)) {
                sink_.Stop(diag::FillMessage(kUnreadableFormat, {file.path}), failure);
                return false;
            }
            if (!misfits.empty()) {
                misfit_lines.push_back(unit.name + " " + installer::DescribeMisfits(misfits));
                continue;
            }
            for (const std::string& part : unit.storages)
                if (!ApplyPart(unit, part)) return false;
            ++applied;
        }
        // A patch none of whose (picked) pairs fits lists nothing by mistake;
        // it says what each pair expected.
        if (file.is_patch && applied == 0) {
            sink_.Stop(diag::FillMessage(kNoFitFormat, {file.path}), Joined(misfit_lines, "\n"));
            return false;
        }
        return true;
    }

    // Lists one transform in view mode, then applies it for the next.
    bool ApplyPart(const installer::TransformUnit& unit, const std::string& part) {
        std::string failure;
        const int conditions = settings_.error_conditions;
        UINT result = installer::ApplyUnitPart(
            *database_, unit, part, conditions | MSITRANSFORM_ERROR_VIEWTRANSFORM, failure);
        if (result == ERROR_SUCCESS) {
            const TakeChange keep = [&](const ChangeRow& change) {
                changes_.emplace_back(unit.name, change);
            };
            // A transform file's binary cells show their bytes, as a single
            // listing shows them; a patch's transforms live inside it.
            if (unit.from_patch) {
                ListTransformView(database_, keep);
            } else {
                StreamDigests digests(database_->GetHandle(), unit.file);
                ListTransformView(database_, digests.Describing(keep));
            }
            FreeTransformView(database_);
            result = installer::ApplyUnitPart(*database_, unit, part, conditions, failure);
        }
        if (result == ERROR_SUCCESS) return true;
        sink_.Stop(TransformErrorText(result), TransformFailureCause(result, failure));
        return false;
    }

    const ChainSettings& settings_;
    diag::OutcomeSink& sink_;
    std::vector<installer::TransformFile> files_;
    CMsiDatabase* database_ = nullptr;
    std::vector<std::pair<std::string, ChangeRow>> changes_;
};

}  // namespace

bool ListsUnits(const ChainSettings& settings) {
    if (settings.transforms.size() != 1 || !settings.only_unit.empty()) return true;
    installer::TransformFile file;
    std::string failure;
    // A transform file is not opened here; a patch that cannot be read goes
    // the chain's way, which names the file and the fault.
    return !installer::ReadTransformFile(settings.transforms.front(), file, failure) ||
           file.is_patch;
}

ApplyOutcome ListTransformChain(const ChainSettings& settings, const TakeUnitChange& take_change,
                                diag::OutcomeSink& sink) {
    ChainRun run(settings, sink);
    const ApplyOutcome outcome = run.Run(take_change);
    MsiCloseAllHandles();
    return outcome;
}

ApplyOutcome ListTransformChainInColumns(const ChainSettings& settings,
                                         const TakeChange& take_change, diag::OutcomeSink& sink) {
    std::vector<std::pair<std::string, ChangeRow>> changes;
    const ApplyOutcome outcome = ListTransformChain(
        settings,
        [&changes](const std::string& unit, const ChangeRow& change) {
            changes.emplace_back(unit, change);
        },
        sink);
    bool several = false;
    for (const auto& [unit, change] : changes) several = several || unit != changes.front().first;
    for (auto& [unit, change] : changes) {
        if (several && !change.empty()) change.front() = unit + ": " + change.front();
        take_change(change);
    }
    return outcome;
}

}  // namespace deltalens
