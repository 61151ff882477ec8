// What this engine offers beyond the installer's interface, for tests and
// tools of this project (not part of the installer's documented surface).
#pragma once

#include <cstddef>

namespace msi {

// How many installer handles of any kind are open in the process. Tests use
// it to check that an operation leaves no handle behind.
size_t OpenHandleCount();

}  // namespace msi
