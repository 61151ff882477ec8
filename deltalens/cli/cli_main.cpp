#include "cli_main.h"

#include <optional>
#include <ostream>

#include "apply_command.h"
#include "chain_command.h"
#include "change_writer.h"
#include "cli_options.h"
#include "deferred_interrupts.h"
#include "deltalens_version.h"
#include "diff_command.h"
#include "exit_status.h"
#include "make_transform_command.h"
#include "message_printer.h"
#include "program.h"
#include "report_variant.h"
#include "save_applied_command.h"
#include "stream_digest.h"
#include "entry_point.h"
#include "win32/debug.h"

namespace deltalens {

namespace {

constexpr ::cli::Program kProgram = {kProgramName, kVersion};

// The viewer's reports write no trace of their own; these lines say what the
// program did, for --trace.
void TraceLine(const std::string& text) {
    const std::string line = std::string(kProgramName) + ": " + text + "\n";
    OutputDebugStringA(line.c_str());
}

// False when the list written did not arrive whole (a full disk, a closed pipe).
bool Delivered(std::ostream& out, std::ostream& err) {
    out.flush();
    if (out) return true;
    err << kProgramName << ": error: cannot write the change list\n";
    return false;
}

// Prints the changes a command hands over: tsv and json each as it comes,
// so that a long listing is never held whole; an aligned table waits for the
// end (the row writer keeps it). The output starts with the first change, or
// with Finish: a run that fails prints no list at all.
class ChangePrinter {
  public:
    // `first_column` (or none) names a column before the five.
    ChangePrinter(::cli::OutputFormat format, std::ostream& out, const char* first_column = nullptr)
        : format_(format), out_(out), first_column_(first_column) {}

    TakeChange Taker() {
        return [this](const ChangeRow& change) { Writer().Add(change); };
    }
    TakeUnitChange UnitTaker() {
        return [this](const std::string& unit, const ChangeRow& change) {
            Writer().Add(unit, change);
        };
    }
    // The number of changes handed over so far.
    size_t Count() const { return writer_ ? writer_->count() : 0; }
    // Ends the list (an aligned table is written only now).
    void Finish() { Writer().Finish(); }

  private:
    ChangeWriter& Writer() {
        if (!writer_ && first_column_) writer_.emplace(format_, out_, first_column_);
        if (!writer_) writer_.emplace(format_, out_);
        return *writer_;
    }

    ::cli::OutputFormat format_;
    std::ostream& out_;
    const char* first_column_;
    std::optional<ChangeWriter> writer_;
};

int RunApply(const CliOptions& options, std::ostream& out, std::ostream& err) {
    ::cli::PrintedOutcomes sink(out, err);
    const int conditions = options.error_conditions.value_or(0);
    ChainSettings chain{options.package_path, options.transform_paths, options.only_transform,
                        conditions};
    if (chain.transforms.empty()) chain.transforms.push_back(options.transform_path);
    const bool units = ListsUnits(chain);
    ChangePrinter printer(options.format, out, units ? "Transform" : nullptr);
    TraceLine("applying " + options.transform_path + " to " + options.package_path);
    const ApplyOutcome outcome =
        units ? ListTransformChain(chain, printer.UnitTaker(), sink)
              : ApplyTransformViewDescribed(options.package_path, options.transform_path,
                                            conditions, printer.Taker(), sink);
    if (outcome != ApplyOutcome::kListed) {
        TraceLine("nothing listed");
        return ::cli::kExitFailure;
    }
    TraceLine("listed " + std::to_string(printer.Count()) + " changes");
    printer.Finish();
    return Delivered(out, err) ? ::cli::kExitSuccess : ::cli::kExitFailure;
}

int RunDiff(const CliOptions& options, std::ostream& out, std::ostream& err) {
    const int trouble = options.exit_code ? ::cli::kExitDiffTrouble : ::cli::kExitFailure;
    ::cli::PrintedOutcomes sink(out, err);
    ChangePrinter printer(options.format, out);
    TraceLine("comparing " + options.old_package + " with " + options.new_package);
    DiffResult result;
    {
        // The transform lives in a temporary folder until the listing is done.
        const ::cli::DeferredInterrupts deferred;
        result = DiffPackages(options.old_package, options.new_package, printer.Taker(), sink,
                              {options.ignore, options.summary});
    }
    if (result.outcome != DiffResult::Outcome::kListed) return trouble;
    TraceLine("listed " + std::to_string(printer.Count()) + " changes" +
              (result.differs ? "" : " (the packages are the same)"));
    printer.Finish();
    if (!Delivered(out, err)) return trouble;
    if (options.exit_code && result.differs) return ::cli::kExitDiffers;
    return ::cli::kExitSuccess;
}

int RunMakeTransform(const CliOptions& options, std::ostream& out, std::ostream& err) {
    MakeTransformSettings settings;
    settings.old_package = options.old_package;
    settings.new_package = options.new_package;
    settings.transform = options.transform_path;
    settings.error_conditions = options.error_conditions.value_or(0);
    settings.validation = options.validation;
    settings.replace = options.force;
    TraceLine("writing the transform from " + options.old_package + " to " + options.new_package +
              " to " + options.transform_path);
    // The transform is written under a temporary name until it is whole; an
    // interrupt that arrives meanwhile stops the run before the rename.
    const ::cli::DeferredInterrupts deferred;
    settings.stop_requested = [&deferred] { return deferred.Pending(); };
    ::cli::PrintedOutcomes sink(out, err);
    switch (MakeTransformFile(settings, sink)) {
        case MakeTransformOutcome::kWritten:
            return ::cli::kExitSuccess;
        case MakeTransformOutcome::kStopped:
            TraceLine("interrupted: nothing written");
            return ::cli::kExitInterrupted;
        case MakeTransformOutcome::kSame:
        case MakeTransformOutcome::kFailed:
            break;
    }
    return ::cli::kExitFailure;
}

int RunSaveApplied(const CliOptions& options, std::ostream& out, std::ostream& err) {
    SaveAppliedSettings settings;
    settings.package = options.package_path;
    settings.transforms = options.transform_paths;
    settings.output = options.output_path;
    settings.replace = options.force;
    TraceLine("writing " + options.package_path + " with " +
              std::to_string(options.transform_paths.size()) + " transforms applied to " +
              options.output_path);
    // As make-transform: an interrupt during the writing stops before the rename.
    const ::cli::DeferredInterrupts deferred;
    settings.stop_requested = [&deferred] { return deferred.Pending(); };
    ::cli::PrintedOutcomes sink(out, err);
    switch (SaveAppliedPackage(settings, sink)) {
        case SaveAppliedOutcome::kWritten:
            return ::cli::kExitSuccess;
        case SaveAppliedOutcome::kStopped:
            TraceLine("interrupted: nothing written");
            return ::cli::kExitInterrupted;
        case SaveAppliedOutcome::kFailed:
            break;
    }
    return ::cli::kExitFailure;
}

// What was parsed runs here; cli/entry_point.h answers the rest.
int RunCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    if (options.trace) win32::EnableDebugStderr();
    switch (options.command) {
        case CliOptions::Command::kApply:
            return RunApply(options, out, err);
        case CliOptions::Command::kDiff:
            return RunDiff(options, out, err);
        case CliOptions::Command::kMakeTransform:
            return RunMakeTransform(options, out, err);
        case CliOptions::Command::kSaveApplied:
            return RunSaveApplied(options, out, err);
    }
    return ::cli::kExitFailure;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    VSB_SetReportVariant(VSB_VARIANT_DELTALENS);
    return ::cli::RunProgram<CliOptions>(kProgram, arguments, out, err, ParseArguments, RunCommand);
}

}  // namespace deltalens
