// The message parameter types of the window functions, with their Windows
// sizes on an LP64 system.
#pragma once

#include <cstdint>

#include "core/position.h"
#include "win32/types.h"

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// A WM_COMMAND's first parameter: the control's id in the low word, the
// notification code in the high word (0 for a click or a menu item).
#define LOWORD(value) static_cast<WORD>(static_cast<std::uintptr_t>(value) & 0xFFFFu)
#define HIWORD(value) static_cast<WORD>((static_cast<std::uintptr_t>(value) >> 16) & 0xFFFFu)
#define MAKEWPARAM(low, high)                      \
    static_cast<WPARAM>((static_cast<WORD>(low)) | \
                        (static_cast<std::uintptr_t>(static_cast<WORD>(high)) << 16))
