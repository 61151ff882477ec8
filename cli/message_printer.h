// A command's message as a command-line program shows it, where a dialog
// would show a message box: information on standard output (it is the
// command's result), a failure on standard error, so that a pipe never
// swallows one. The text is written as the command tells it, control
// characters escaped (EscapeMessage); when the command knows the real cause
// behind a fixed text, one more line follows:
//
//     Can't open MSI Database in Transaction mode!
//     cause: cannot open /tmp/x.msi: No such file or directory
#pragma once

#include <iosfwd>
#include <string_view>

namespace cli {

void PrintMessage(std::string_view text, bool failure, std::string_view detail, std::ostream& out,
                  std::ostream& err);

}  // namespace cli
