#include "save_applied_command.h"

#include <fstream>

#include "apply_command.h"
#include "diff_command.h"
#include "message_fill.h"
#include "msi_database.h"
#include "msi_scoped_handle.h"
#include "msiquery.h"
#include "output_file.h"

namespace deltalens {

namespace {

constexpr OutputTexts kOutputTexts = {kOutputExistsFormat, kOutputIsInputFormat,
                                      kOutputNotFileFormat, kCantWriteOutputFormat};

// What a transform's own summary information says about applying it.
struct TransformTerms {
    int error_conditions = 0;    // the errors it suppresses
    std::string template_after;  // the package's platform;languages after it; "" none
};

TransformTerms ReadTerms(const std::string& transform) {
    TransformTerms terms;
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

// Applies every transform to the copy at `path` and commits it; false told.
bool ApplyAll(const SaveAppliedSettings& settings, const std::string& path,
              diag::OutcomeSink& sink) {
    CMsiDatabase database;
    if (!database.Open(path, 1 /* transacted */)) {
        sink.Stop(diag::FillMessage(kCantOpenPackageFormat, {settings.package}),
                  database.GetFailureText());
        return false;
    }
    std::string template_after;
    for (const std::string& transform : settings.transforms) {
        const TransformTerms terms = ReadTerms(transform);
        const UINT result = database.ApplyTransform(transform, terms.error_conditions);
        if (result != ERROR_SUCCESS) {
            sink.Stop(diag::FillMessage(kCantApplyFormat, {transform, settings.package}),
                      TransformFailureCause(result, database.GetFailureText()));
            return false;
        }
        if (!terms.template_after.empty()) template_after = terms.template_after;
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

    TemporaryOutput temporary(settings.output);
    if (temporary.path().empty()) {
        sink.Stop(diag::FillMessage(kCantWriteOutputFormat, {settings.output}), temporary.error());
        return SaveAppliedOutcome::kFailed;
    }
    if (const std::string why = CopyInto(settings.package, temporary.path()); !why.empty()) {
        sink.Stop(diag::FillMessage(kCantWriteOutputFormat, {settings.output}), why);
        return SaveAppliedOutcome::kFailed;
    }
    const bool applied = ApplyAll(settings, temporary.path(), sink);
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
