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

#include "outcome.h"

namespace cli {

void PrintMessage(std::string_view text, bool failure, std::string_view detail, std::ostream& out,
                  std::ostream& err);

// The command lines' sink for a command's outcomes: information on `out`,
// warnings and stops on `err`, each as PrintMessage writes it. Remembers
// whether anything went to `err`, for the exit status.
class PrintedOutcomes : public diag::OutcomeSink {
  public:
    PrintedOutcomes(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    void Tell(const diag::Outcome& outcome) override;
    bool SawFailure() const { return saw_failure_; }

  private:
    std::ostream& out_;
    std::ostream& err_;
    bool saw_failure_ = false;
};

}  // namespace cli
