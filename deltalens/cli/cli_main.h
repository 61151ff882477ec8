// deltalens-cli as a function: reads the arguments, runs the command (the
// listing of a transform, diff or make-transform) and prints its result.
// main() only hands it the standard streams, so tests can run the whole
// program in-process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace deltalens {

inline constexpr const char* kProgramName = "deltalens-cli";

// `arguments` without the program name. Results go to `out`, failures and
// usage errors to `err`. Returns the exit status (cli/exit_status.h). The
// entry point of both programs has this shape (cli/entry_point.h).
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace deltalens
