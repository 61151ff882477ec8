// The message parameter types of the window functions, with their Windows
// sizes on an LP64 system.
#pragma once

#include <cstdint>

#include "core/position.h"
#include "win32/types.h"

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
