// Where the Tablesmith commands tell their outcome when they run from the
// command line: each message printed as a line (or a few), information on
// standard output, stop and warning messages on standard error, with the
// cause a command gives on a line of its own. Remembers whether anything was
// a failure, for the exit status.
#pragma once

#include <iosfwd>

#include "message_sink.h"

namespace tablesmith::cli {

class CliSink : public MessageSink {
  public:
    CliSink(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    void Tell(const std::string& text, unsigned icon_type) override;
    void TellWithDetail(const std::string& text, unsigned icon_type,
                        const std::string& detail) override;
    bool SawFailure() const { return saw_failure_; }

  private:
    std::ostream& out_;
    std::ostream& err_;
    bool saw_failure_ = false;
};

}  // namespace tablesmith::cli
