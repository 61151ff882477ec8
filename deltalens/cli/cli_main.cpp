#include "cli_main.h"

#include <optional>
#include <ostream>

#include "apply_command.h"
#include "change_columns.h"
#include "change_writer.h"
#include "cli_options.h"
#include "core/message_box.h"
#include "deferred_interrupts.h"
#include "deltalens_version.h"
#include "diff_command.h"
#include "entry_list.h"
#include "exit_status.h"
#include "make_transform_command.h"
#include "message_printer.h"
#include "string_array_entry.h"
#include "program.h"
#include "report_variant.h"
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

// Without a window a message is a line (and its cause a second one): a
// stop message on standard error, anything else on standard output.
ApplyFeedback PrintingFeedback(std::ostream& out, std::ostream& err) {
    ApplyFeedback feedback;
    feedback.tell_with_detail = [&out, &err](const std::string& text, unsigned type,
                                             const std::string& detail) {
        const unsigned icon = type & MB_ICONMASK;
        ::cli::PrintMessage(text, icon == MB_ICONSTOP || icon == MB_ICONEXCLAMATION, detail, out,
                            err);
    };
    return feedback;
}

// False when the list written did not arrive whole (a full disk, a closed pipe).
bool Delivered(std::ostream& out, std::ostream& err) {
    out.flush();
    if (out) return true;
    err << kProgramName << ": error: cannot write the change list\n";
    return false;
}

// Writes the list; false when it did not arrive whole.
bool WriteList(const CEntryList& changes, const CliOptions& options, std::ostream& out,
               std::ostream& err) {
    WriteChanges(changes, options.format, out);
    return Delivered(out, err);
}

int RunApply(const CliOptions& options, std::ostream& out, std::ostream& err) {
    CEntryList changes;
    NameChangeColumns(changes);
    ApplyFeedback feedback = PrintingFeedback(out, err);
    // tsv and json print each change as it comes, so a long listing is never
    // held whole; an aligned table needs every row first.
    std::optional<ChangeWriter> stream;
    if (options.format != ::cli::OutputFormat::kTable) {
        feedback.take_change = [&](const CStringArrayEntry& change) {
            if (!stream) stream.emplace(changes, options.format, out);
            stream->Add(change);
        };
    }
    TraceLine("applying " + options.transform_path + " to " + options.package_path);
    const ApplyOutcome outcome =
        ApplyTransformView(options.package_path, options.transform_path, changes, feedback);
    if (outcome != ApplyOutcome::kListed) {
        TraceLine("nothing listed");
        return ::cli::kExitFailure;
    }
    if (options.format == ::cli::OutputFormat::kTable) {
        TraceLine("listed " + std::to_string(changes.GetCount()) + " changes");
        return WriteList(changes, options, out, err) ? ::cli::kExitSuccess : ::cli::kExitFailure;
    }
    if (!stream) stream.emplace(changes, options.format, out);  // no change: the empty list
    TraceLine("listed " + std::to_string(stream->count()) + " changes");
    stream->Finish();
    return Delivered(out, err) ? ::cli::kExitSuccess : ::cli::kExitFailure;
}

int RunDiff(const CliOptions& options, std::ostream& out, std::ostream& err) {
    const int trouble = options.exit_code ? ::cli::kExitDiffTrouble : ::cli::kExitFailure;
    CEntryList changes;
    NameChangeColumns(changes);
    TraceLine("comparing " + options.old_package + " with " + options.new_package);
    DiffResult result;
    {
        // The transform lives in a temporary folder until the listing is done.
        const ::cli::DeferredInterrupts deferred;
        result = DiffPackages(options.old_package, options.new_package, changes,
                              PrintingFeedback(out, err));
    }
    if (result.outcome != DiffResult::Outcome::kListed) return trouble;
    TraceLine("listed " + std::to_string(changes.GetCount()) + " changes" +
              (result.differs ? "" : " (the packages are the same)"));
    if (!WriteList(changes, options, out, err)) return trouble;
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
    // The transform is written under a temporary name until it is whole.
    const ::cli::DeferredInterrupts deferred;
    const MakeTransformOutcome outcome = MakeTransformFile(settings, PrintingFeedback(out, err));
    return outcome == MakeTransformOutcome::kWritten ? ::cli::kExitSuccess : ::cli::kExitFailure;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    VSB_SetReportVariant(VSB_VARIANT_DELTALENS);

    UsageProblem problem;
    const std::optional<CliOptions> options = ParseArguments(arguments, problem);
    if (!options) return ::cli::UsageError(kProgram, problem.text, err, problem.command);
    if (options->action != CliOptions::Action::kRun) {
        const std::string help = options->command_named
                                     ? CommandUsageText(kProgramName, options->command)
                                     : UsageText(kProgramName);
        return ::cli::AnswerGeneralAction(kProgram, options->action, help, out);
    }
    if (options->trace) win32::EnableDebugStderr();
    switch (options->command) {
        case CliOptions::Command::kApply:
            return RunApply(*options, out, err);
        case CliOptions::Command::kDiff:
            return RunDiff(*options, out, err);
        case CliOptions::Command::kMakeTransform:
            return RunMakeTransform(*options, out, err);
    }
    return ::cli::kExitFailure;
}

}  // namespace deltalens
