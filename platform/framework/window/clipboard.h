// The clipboard's text.
#pragma once

#include <string>

namespace fw {

void SetClipboardText(const std::string& text);
std::string GetClipboardText();

}  // namespace fw
