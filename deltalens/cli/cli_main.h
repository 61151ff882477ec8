// deltalens-cli as a function: reads the arguments, runs the Apply command
// and prints the change list. main() only hands it the standard streams, so
// tests can run the whole program in-process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace deltalens {

inline constexpr const char* kProgramName = "deltalens-cli";

// `arguments` without the program name. Output and the Apply command's
// messages go to `out`, usage errors to `err`. Returns the exit status
// (exit_status.h).
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace deltalens
