#include "save_applied_command.h"

#include <fstream>

#include "apply_command.h"
#include "diff_command.h"
#include "message_fill.h"
#include "msi_database.h"
#include "msi_scoped_handle.h"
#include "msiquery.h"
#include "output_file.h"
#include "transform_units.h"

namespace deltalens {

namespace {

constexpr OutputTexts kOutputTexts = {kOutputExistsFormat, kOutputIsInputFormat,
                                      kOutputNotFileFormat, kCantWriteOutputFormat};

// What a transform's own summary information says about applying it.
struct OwnTerms {
    int error_conditions = 0;    // the errors it suppresses
    std::string template_after;  // the package's platform;languages after it; "" none
};

OwnTerms ReadTerms(const std::string& transform) {
    OwnTerms terms;
    CMsiScopedHandle summary;
    if (MsiGetSummaryInformationA(0, transform.c_str(), 0, summary.GetHandleSlot()) !=
        ERROR_SUCCESS)
        return terms;  // applying will say what is wrong with the file
    UINT type = 0;
    INT value = 0;
    if (MsiSummaryInfoGetPropertyA(summary.Get(), PID_CHARCOUNT, &type, &value, nullptr, nullptr,
                                   nullptr) == ERROR_SUCCESS &&
        type == VT_I4)
        terms.error_conditions = value & 0xFFFF;
    // A language list can be long: asked for its size first.
    DWORD size = 0;
    if (MsiSummaryInfoGetPropertyA(summary.Get(), PID_LASTAUTHOR, &type, nullptr, nullptr, nullptr,
                                   &size) != ERROR_SUCCESS ||
        type != VT_LPSTR || size == 0)
        return terms;
    std::string text(size + 1, '\0');
    size = static_cast<DWORD>(text.size());
    if (MsiSummaryInfoGetPropertyA(summary.Get(), PID_LASTAUTHOR, &type, nullptr, nullptr,
                                   text.data(), &size) == ERROR_SUCCESS) {
        text.resize(size);
        terms.template_after = text;
    }
    return terms;
}

// A byte copy into the (existing, empty) temporary file, keeping its mode.
std::string CopyInto(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return "cannot read " + from;
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    out.flush();
    if (!out || in.bad()) return "cannot copy " + from + " to " + to;
    return "";
}

bool SetTemplate(CMsiDatabase& database, const std::string& value) {
    CMsiScopedHandle summary;
    return MsiGetSummaryInformationA(database.GetHandle(), nullptr, 1, summary.GetHandleSlot()) ==
               ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyA(summary.Get(), PID_TEMPLATE, VT_LPSTR, 0, nullptr,
                                      value.c_str()) == ERROR_SUCCESS &&
           MsiSummaryInfoPersist(summary.Get()) == ERROR_SUCCESS;
}

// Applies one unit, told when it fails.
bool ApplyOne(CMsiDatabase& database, const installer::TransformUnit& unit,
              const SaveAppliedSettings& settings, std::string& template_after,
              diag::OutcomeSink& sink) {
    // A transform file is applied with the errors its own summary
    // information suppresses; a patch's pair brings its own (ApplyUnit adds
    // them).
    OwnTerms terms;
    if (!unit.from_patch) terms = ReadTerms(unit.file);
    std::string failure;
    const UINT result = installer::ApplyUnit(database, unit, terms.error_conditions, failure);
    if (result != ERROR_SUCCESS) {
        sink.Stop(
            diag::FillMessage(kCantApplyFormat, {installer::DescribeUnit(unit), settings.package}),
            TransformFailureCause(result, failure));
        return false;
    }
    if (!terms.template_after.empty()) template_after = terms.template_after;
    return true;
}

// Applies every file's units to the copy at `path` and commits it; false
// told. A patch applies the pairs that fit the package as it stands then.
bool ApplyAll(const SaveAppliedSettings& settings,
              const std::vector<installer::TransformFile>& files, const std::string& path,
              diag::OutcomeSink& sink) {
    CMsiDatabase database;
    if (!database.Open(path, 1 /* transacted */)) {
        sink.Stop(diag::FillMessage(kCantOpenPackageFormat, {settings.package}),
                  database.GetFailureText());
        return false;
    }
    std::string template_after;
    for (const installer::TransformFile& file : files) {
        size_t applied = 0;
        std::string misfit_lines;
        for (const installer::TransformUnit& unit : file.units) {
            std::vector<msi::TransformMisfit> misfits;
            std::string failure;
            if (!installer::CheckFit(database, unit, misfits, failure)) {
                sink.Stop(diag::FillMessage(kCantReadTransformFormat, {file.path}), failure);
                return false;
            }
            if (!misfits.empty()) {
                misfit_lines += (misfit_lines.empty() ? "" : "\n") + unit.name + " " +
                                installer::DescribeMisfits(misfits);
                continue;
            }
            if (!ApplyOne(database, unit, settings, template_after, sink)) return false;
            ++applied;
        }
        if (file.is_patch && applied == 0) {
            sink.Stop(diag::FillMessage(kNoPairFitsFormat, {file.path, settings.package}),
                      misfit_lines);
            return false;
        }
    }
    if (!template_after.empty() && !SetTemplate(database, template_after)) {
        sink.Stop(diag::FillMessage(kCantWriteOutputFormat, {settings.output}),
                  "its summary information cannot be written");
        return false;
    }
    if (database.Commit() != ERROR_SUCCESS) {
        sink.Stop(diag::FillMessage(kCantWriteOutputFormat, {settings.output}),
                  database.GetFailureText());
        return false;
    }
    database.Shutdown();
    return true;
}

}  // namespace

SaveAppliedOutcome SaveAppliedPackage(const SaveAppliedSettings& settings,
                                      diag::OutcomeSink& sink) {
    std::vector<std::string> inputs = settings.transforms;
    inputs.insert(inputs.begin(), settings.package);
    if (RefuseOutput(settings.output, inputs, settings.replace, kOutputTexts, sink))
        return SaveAppliedOutcome::kFailed;
    CMsiDatabase check;
    if (check.VerifyPackage(settings.package) != ERROR_SUCCESS) {
        sink.Stop(diag::FillMessage(kCantOpenPackageFormat, {settings.package}),
                  check.GetFailureText());
        return SaveAppliedOutcome::kFailed;
    }
    // Every file is read before anything is written: a damaged patch stops
    // the run here.
    std::vector<installer::TransformFile> files;
    for (const std::string& path : settings.transforms) {
        installer::TransformFile file;
        std::string failure;
        if (!installer::ReadTransformFile(path, file, failure)) {
            sink.Stop(diag::FillMessage(kCantReadTransformFormat, {path}), failure);
            return SaveAppliedOutcome::kFailed;
        }
        files.push_back(std::move(file));
    }

    TemporaryOutput temporary(settings.output);
    if (temporary.path().empty()) {
        sink.Stop(diag::FillMessage(kCantWriteOutputFormat, {settings.output}), temporary.error());
        return SaveAppliedOutcome::kFailed;
    }
    if (const std::string why = CopyInto(settings.package, temporary.path()); !why.empty()) {
        sink.Stop(diag::FillMessage(kCantWriteOutputFormat, {settings.output}), why);
        return SaveAppliedOutcome::kFailed;
    }
    const bool applied = ApplyAll(settings, files, temporary.path(), sink);
    MsiCloseAllHandles();
    if (!applied) return SaveAppliedOutcome::kFailed;
    // The output may have changed while the package was written.
    if (RefuseOutput(settings.output, inputs, settings.replace, kOutputTexts, sink))
        return SaveAppliedOutcome::kFailed;
    if (settings.stop_requested && settings.stop_requested()) return SaveAppliedOutcome::kStopped;
    if (const std::string why = temporary.MoveTo(settings.output, settings.replace); !why.empty()) {
        sink.Stop(diag::FillMessage(kCantWriteOutputFormat, {settings.output}), why);
        return SaveAppliedOutcome::kFailed;
    }
    return SaveAppliedOutcome::kWritten;
}

}  // namespace deltalens
