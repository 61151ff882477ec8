#include "message_sink.h"

#include "core/message_box.h"

namespace tablesmith {

void MessageBoxSink::Tell(const std::string& text, unsigned icon_type) {
    if ((icon_type & MB_ICONMASK) == MB_ICONSTOP) saw_stop_ = true;
    AfxMessageBox(text, MB_OK | icon_type);
}

}  // namespace tablesmith
