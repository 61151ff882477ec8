// The one shape of both programs' entry point,
//
//   int RunCommandLine(const std::vector<std::string>& arguments,
//                      std::ostream& out, std::ostream& err);
//
// which main() calls with the arguments after the program name and the
// standard streams, and tests call in-process: parse the arguments; answer a
// usage problem (standard error, status 2) or --help, --version and
// --format list (standard output, status 0); otherwise run the command.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "general_options.h"
#include "option_parser.h"
#include "program.h"

namespace cli {

// `Options` derives from GeneralOptions. `parse` reads the arguments (a usage
// problem: none); `run` runs what was parsed and returns the exit status.
template <class Options>
int RunProgram(const Program& program, const std::vector<std::string>& arguments, std::ostream& out,
               std::ostream& err,
               std::optional<Options> (*parse)(const std::vector<std::string>&, UsageProblem&),
               int (*run)(const Options&, std::ostream&, std::ostream&)) {
    UsageProblem problem;
    const std::optional<Options> options = parse(arguments, problem);
    if (!options) return UsageError(program, problem.text, err, problem.command);
    if (options->action != GeneralOptions::Action::kRun)
        return AnswerGeneralAction(program, options->action, options->help, out);
    return run(*options, out, err);
}

}  // namespace cli
