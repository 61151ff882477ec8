// The system message table: English texts of Windows error codes.
#pragma once

#include "win32/types.h"

namespace win32 {
// The text of a Windows error code, ending in "\r\n" as the system's message
// table stores it; nullptr for a code we hold no text for.
const char* SystemMessageText(DWORD code);
}  // namespace win32
