#include "cli_sink.h"

#include "core/message_box.h"
#include "message_printer.h"

namespace tablesmith::cli {

void CliSink::Tell(const std::string& text, unsigned icon_type) {
    TellWithDetail(text, icon_type, "");
}

void CliSink::TellWithDetail(const std::string& text, unsigned icon_type,
                             const std::string& detail) {
    const unsigned icon = icon_type & MB_ICONMASK;
    const bool failure = icon == MB_ICONSTOP || icon == MB_ICONEXCLAMATION;
    if (failure) saw_failure_ = true;
    ::cli::PrintMessage(text, failure, detail, out_, err_);
}

}  // namespace tablesmith::cli
