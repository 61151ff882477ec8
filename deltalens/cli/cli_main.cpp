#include "cli_main.h"

#include <ostream>

#include "apply_command.h"
#include "change_columns.h"
#include "change_writer.h"
#include "cli_options.h"
#include "entry_list.h"
#include "exit_status.h"
#include "report_variant.h"
#include "win32/debug.h"

namespace deltalens {

namespace {

// The viewer's reports write no trace of their own; these lines say what the
// program did, for --trace.
void TraceLine(const std::string& text) {
    const std::string line = std::string(kProgramName) + ": " + text + "\n";
    OutputDebugStringA(line.c_str());
}

int UsageError(const std::string& error, std::ostream& err) {
    err << kProgramName << ": error: " << error << "\n"
        << "run '" << kProgramName << " --help' for usage\n";
    return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    VSB_SetReportVariant(VSB_VARIANT_DELTALENS);

    std::string error;
    const std::optional<CliOptions> options = ParseArguments(arguments, error);
    if (!options) return UsageError(error, err);
    switch (options->action) {
        case CliOptions::Action::kHelp:
            out << UsageText(kProgramName);
            return kExitSuccess;
        case CliOptions::Action::kVersion:
            out << VersionText() << "\n";
            return kExitSuccess;
        case CliOptions::Action::kListFormats:
            for (OutputFormat format : AllOutputFormats()) out << OutputFormatName(format) << "\n";
            return kExitSuccess;
        case CliOptions::Action::kApply:
            break;
    }
    if (options->trace) win32::EnableDebugStderr();

    CEntryList changes;
    NameChangeColumns(changes);
    ApplyFeedback feedback;
    // Without a window the messages are plain lines on standard output, as
    // the framework's message box writes them.
    feedback.tell = [&out](const std::string& text, unsigned) { out << text << "\n"; };
    TraceLine("applying " + options->transform_path + " to " + options->package_path);
    const ApplyOutcome outcome =
        ApplyTransformView(options->package_path, options->transform_path, changes, feedback);
    if (outcome != ApplyOutcome::kListed) {
        TraceLine("nothing listed");
        return kExitFailure;
    }
    TraceLine("listed " + std::to_string(changes.GetCount()) + " changes");

    WriteChanges(changes, options->format, out);
    out.flush();
    if (!out) {
        // A full disk or a closed pipe: the list did not arrive whole.
        err << kProgramName << ": error: cannot write the change list\n";
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace deltalens
