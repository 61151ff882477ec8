// Where a Tablesmith command tells its outcome: one call per message, with
// the message-box icon type (MB_ICONINFORMATION for a success, MB_ICONSTOP
// for a failure). The dialog and the command line hand the commands a sink
// of their own, so both run the same code and say the same things.
#pragma once

#include <string>

namespace tablesmith {

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // One message, shown before the command goes on (a box is modal).
    virtual void Tell(const std::string& text, unsigned icon_type) = 0;
    // A message whose fixed text says too little, with the real cause in one
    // line: the system's words for an error, the table that failed. The
    // command line prints it under the text, a dialog in the box's details.
    // A sink that has no place for it tells the text alone; an empty detail
    // is none.
    virtual void TellWithDetail(const std::string& text, unsigned icon_type,
                                const std::string& detail) {
        (void)detail;
        Tell(text, icon_type);
    }
};

// Shows each message through AfxMessageBox: a real box when the program has
// an application object (with the detail behind its details button), the
// text on standard output when it has none. Remembers whether anything was a
// failure, for exit codes.
class MessageBoxSink : public MessageSink {
  public:
    void Tell(const std::string& text, unsigned icon_type) override;
    void TellWithDetail(const std::string& text, unsigned icon_type,
                        const std::string& detail) override;
    bool SawStop() const { return saw_stop_; }

  private:
    bool saw_stop_ = false;
};

}  // namespace tablesmith
