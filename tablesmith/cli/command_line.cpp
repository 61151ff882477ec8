#include "command_line.h"

#include <unistd.h>

#include <iterator>
#include <ostream>

#include "cli_options.h"
#include "dump_command.h"
#include "exit_status.h"
#include "file_facts.h"
#include "info_output.h"
#include "export_command.h"
#include "extract_command.h"
#include "generate_command.h"
#include "message_printer.h"
#include "messages.h"
#include "package_tables.h"
#include "patch_transforms.h"
#include "program.h"
#include "row_writer.h"
#include "entry_point.h"
#include "text_escape.h"
#include "tablesmith_version.h"
#include "terminal_progress.h"
#include "validate_command.h"
#include "win32/debug.h"

namespace tablesmith::cli {

namespace {

constexpr ::cli::Program kProgram = {"tablesmith-cli", tablesmith::kVersion};

int ExitFor(bool ok, const ::cli::PrintedOutcomes& sink) {
    return ok && !sink.SawFailure() ? ::cli::kExitSuccess : ::cli::kExitFailure;
}

// A patch has no tables of interest to list: its transform pairs are what
// it holds, with the products they are for.
int RunPatchTransforms(const CliOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<std::vector<std::string>> rows;
    std::string failure;
    if (!ListPatchTransforms(options.package, rows, failure)) {
        ::cli::PrintMessage(std::string(kProgram.name) + ": can't read patch " + options.package,
                            true, failure, out, err);
        return ::cli::kExitFailure;
    }
    ::cli::RowWriter writer(options.format,
                            {std::begin(kPatchTransformColumns), std::end(kPatchTransformColumns)},
                            out);
    for (const auto& row : rows) writer.Add(row);
    writer.Finish();
    return ::cli::kExitSuccess;
}

// A transform's tables, with how it changes each.
int RunTransformTables(const std::vector<TransformTableFact>& tables, const CliOptions& options,
                       std::ostream& out) {
    ::cli::RowWriter writer(options.format, {"Table", "Change"}, out);
    for (const TransformTableFact& table : tables) writer.Add({table.table, table.change});
    writer.Finish();
    if (options.format == ::cli::OutputFormat::kTable)
        out << FillMessage(kTableCount, {std::to_string(tables.size())}) << "\n";
    return ::cli::kExitSuccess;
}

int RunTables(const CliOptions& options, std::ostream& out, std::ostream& err) {
    if (IsPatch(options.package)) return RunPatchTransforms(options, out, err);
    {
        ::cli::PrintedOutcomes sink(out, err);
        std::vector<TransformTableFact> changes;
        bool is_transform = false;
        const bool read = ReadTransformTableFacts(options.package, changes, is_transform, sink);
        if (is_transform)
            return read ? RunTransformTables(changes, options, out) : ::cli::kExitFailure;
    }
    bool opened = false;
    std::string failure;
    const std::vector<std::string> tables = ListPackageTables(options.package, &opened, &failure);
    if (!opened) {
        ::cli::PrintMessage(std::string(kProgram.name) + ": can't open package " + options.package,
                            true, failure, out, err);
        return ::cli::kExitFailure;
    }
    if (options.format == ::cli::OutputFormat::kTable) {
        // The dialog's list and its count label, without the header a table
        // of several columns needs.
        for (const std::string& table : tables) out << ::cli::EscapeCell(table) << "\n";
        out << FillMessage(kTableCount, {std::to_string(tables.size())}) << "\n";
        return ::cli::kExitSuccess;
    }
    ::cli::RowWriter writer(options.format, {"Table"}, out);
    for (const std::string& table : tables) writer.Add({table});
    writer.Finish();
    return ::cli::kExitSuccess;
}

int RunExportCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    ExportSettings settings;
    settings.msi_file = options.package;
    // The dialog's list holds the tables of the package as it was browsed;
    // here the package is browsed just before.
    if (options.all) settings.tables = ListPackageTables(options.package);
    settings.selected_table = options.table.value_or("");
    settings.export_all = options.all;
    settings.export_cab = options.cabs || options.only_cabs;
    settings.only_cab = options.only_cabs;
    settings.folder = options.folder.value_or("");

    ::cli::PrintedOutcomes sink(out, err);
    TerminalProgress progress(stderr);
    const bool on_terminal = isatty(STDERR_FILENO) != 0;
    const bool ok = RunExport(settings, sink, on_terminal ? &progress : nullptr);
    return ExitFor(ok, sink);
}

int RunGenerateCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    GenerateSettings settings;
    settings.msi_file = options.package;
    settings.tables = ListPackageTables(options.package);
    settings.folder = options.folder.value_or("");
    ::cli::PrintedOutcomes sink(out, err);
    const bool ok = RunGenerate(settings, sink);
    return ExitFor(ok, sink);
}

// Findings on standard output as rows; trouble on standard error. Exit 0
// nothing found, 1 findings, 2 the package could not be read.
int RunValidateCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    ValidateSettings settings;
    settings.msi_file = options.package;
    settings.tables = options.tables;
    ::cli::PrintedOutcomes sink(out, err);
    ::cli::RowWriter writer(options.format, ValidationFindingColumns(), out);
    const ValidateReport report = RunValidate(
        settings, sink, [&](const ValidationFinding& f) { writer.Add(ValidationFindingCells(f)); });
    // 2 is the trouble status scripts know from diff --exit-code.
    if (report.outcome == ValidateReport::Outcome::kUnreadable) return ::cli::kExitDiffTrouble;
    writer.Finish();
    // The count closes the table format only: the other formats are read by
    // programs, which count the rows themselves.
    if (options.format == ::cli::OutputFormat::kTable)
        out << report.findings << (report.findings == 1 ? " finding" : " findings") << " in "
            << report.tables << (report.tables == 1 ? " table" : " tables") << "\n";
    return report.outcome == ValidateReport::Outcome::kValid ? ::cli::kExitSuccess
                                                             : ::cli::kExitFailure;
}

int RunExtractCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    ::cli::PrintedOutcomes sink(out, err);
    if (options.list) {
        FilePlan plan;
        if (!ReadPackagePlan(options.package, options.patterns, plan, sink))
            return ::cli::kExitFailure;
        ::cli::RowWriter writer(
            options.format,
            {"File", "Path", "Size", "Component", "Directory", "Cabinet", "Sequence"}, out);
        for (const PlannedFile& file : plan.files) {
            if (!file.selected) continue;
            // An uncompressed file's bytes come from the source tree, not a cabinet.
            writer.Add({file.key, file.problem.empty() ? file.path : "", std::to_string(file.size),
                        file.component, file.directory,
                        file.compressed ? CabinetOf(plan, file) : "",
                        std::to_string(file.sequence)});
        }
        writer.Finish();
        return ::cli::kExitSuccess;
    }
    ExtractSettings settings;
    settings.msi_file = options.package;
    settings.folder = options.folder.value_or("");
    settings.patterns = options.patterns;
    TerminalProgress progress(stderr);
    const bool on_terminal = isatty(STDERR_FILENO) != 0;
    // A warning (two files on one path) is news, not a failure: the status
    // says whether every file was written.
    const bool ok = RunExtract(settings, sink, on_terminal ? &progress : nullptr);
    return ok ? ::cli::kExitSuccess : ::cli::kExitFailure;
}

int RunInfo(const CliOptions& options, std::ostream& out, std::ostream& err) {
    ::cli::PrintedOutcomes sink(out, err);
    FileFacts facts;
    const bool read = ReadFileFacts(options.package, facts, sink);
    // A package with a damaged table still has facts to tell; one that
    // does not open has none.
    if (!facts.opened) return ::cli::kExitFailure;
    WriteFileFacts(facts, options.package, options.format, out);
    return ExitFor(read, sink);
}

int RunDumpCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    DumpSettings settings;
    settings.msi_file = options.package;
    ParseDumpFormat(options.dump_format, settings.format);
    settings.tables = options.tables;
    settings.folder = options.folder.value_or("");
    settings.streams = options.streams;
    ::cli::PrintedOutcomes sink(out, err);
    const bool ok = RunDump(settings, out, sink);
    return ExitFor(ok, sink);
}

// What was parsed runs here; cli/entry_point.h answers the rest.
int RunCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    if (options.trace) win32::EnableDebugStderr();
    int status = ::cli::kExitFailure;
    switch (options.command) {
        case Command::kTables:
            status = RunTables(options, out, err);
            break;
        case Command::kExport:
            status = RunExportCommand(options, out, err);
            break;
        case Command::kGenerate:
            status = RunGenerateCommand(options, out, err);
            break;
        case Command::kValidate:
            status = RunValidateCommand(options, out, err);
            break;
        case Command::kExtract:
            status = RunExtractCommand(options, out, err);
            break;
        case Command::kInfo:
            status = RunInfo(options, out, err);
            break;
        case Command::kDump:
            status = RunDumpCommand(options, out, err);
            break;
        case Command::kNone:
            break;
    }
    out.flush();
    if (!out) {
        // A full disk or a closed pipe: what was asked for did not arrive whole.
        err << kProgram.name << ": error: cannot write to standard output\n";
        return ::cli::kExitFailure;
    }
    return status;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    return ::cli::RunProgram<CliOptions>(kProgram, arguments, out, err, ParseArguments, RunCommand);
}

}  // namespace tablesmith::cli
