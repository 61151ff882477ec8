#include "message_printer.h"

#include <ostream>
#include <string>

#include "text_escape.h"

namespace cli {

void PrintMessage(std::string_view text, bool failure, std::string_view detail, std::ostream& out,
                  std::ostream& err) {
    std::ostream& stream = failure ? err : out;
    std::string lines = EscapeMessage(text) + "\n";
    if (!detail.empty()) {
        // One line, whatever the cause holds.
        std::string cause = EscapeMessage(detail);
        for (std::size_t at = cause.find('\n'); at != std::string::npos; at = cause.find('\n', at))
            cause.replace(at, 1, "; ");
        lines += "cause: " + cause + "\n";
    }
    stream << lines;
    stream.flush();
}

void PrintedOutcomes::Tell(const diag::Outcome& outcome) {
    const bool failure = outcome.kind != diag::OutcomeKind::kInformation;
    if (failure) saw_failure_ = true;
    PrintMessage(outcome.text, failure, outcome.cause, out_, err_);
}

}  // namespace cli
