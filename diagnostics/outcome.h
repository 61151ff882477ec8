// How a command of either tool tells what came of it: one call per piece of
// news, saying what kind of news it is, its text, and the real cause behind
// a fixed text where the command knows one. The command never decides how
// the news shows; the sink it is handed does. The dialogs' sink shows boxes
// (the kind picks the icon), the command lines' sink prints lines (the kind
// picks the stream), tests record what was told. So dialog and command line
// run the same code and say the same words.
#pragma once

#include <string>

namespace diag {

enum class OutcomeKind {
    kInformation,  // a result: what was done
    kWarning,      // something the user should know; the command went on
    kStop,         // a step failed
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::kInformation;
    std::string text;
    // The cause in the words of whoever knew it (the system's text for an
    // error, the table that failed), for a text whose words are fixed; ""
    // when there is none to give.
    std::string cause;
};

class OutcomeSink {
  public:
    virtual ~OutcomeSink() = default;
    // One piece of news, shown before the command goes on (a box is modal).
    virtual void Tell(const Outcome& outcome) = 0;

    void Inform(std::string text) { Tell({OutcomeKind::kInformation, std::move(text), {}}); }
    void Warn(std::string text, std::string cause = {}) {
        Tell({OutcomeKind::kWarning, std::move(text), std::move(cause)});
    }
    void Stop(std::string text, std::string cause = {}) {
        Tell({OutcomeKind::kStop, std::move(text), std::move(cause)});
    }
};

}  // namespace diag
