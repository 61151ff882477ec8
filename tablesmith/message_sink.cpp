#include "message_sink.h"

#include "core/message_box.h"

namespace tablesmith {

void MessageBoxSink::Tell(const std::string& text, unsigned icon_type) {
    TellWithDetail(text, icon_type, "");
}

void MessageBoxSink::TellWithDetail(const std::string& text, unsigned icon_type,
                                    const std::string& detail) {
    if ((icon_type & MB_ICONMASK) == MB_ICONSTOP) saw_stop_ = true;
    fw::MessageBoxWithDetail(text, MB_OK | icon_type, detail);
}

}  // namespace tablesmith
