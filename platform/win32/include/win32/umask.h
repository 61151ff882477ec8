// The process's file-mode creation mask, for code that creates a file
// privately and then gives it the mode a plain open would have.
#pragma once

namespace win32 {

// Safe from any thread; every reader in the program goes through it (see
// files.cpp for why umask() alone is not safe).
unsigned ProcessUmask();

}  // namespace win32
