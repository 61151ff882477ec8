// The message boxes of a program with an application object: real modal
// boxes with an OK button (or the buttons the type asks for), the type's
// icon, the program's name as caption, and the detail behind a details
// button. AfxWinMain installs it as the message-box handler.
#pragma once

#include <string>

namespace fw {

int ShowWindowMessageBox(const std::string& text, unsigned type, const std::string& detail);

}  // namespace fw
