// Pieces of the debug channel that its tests reach directly.
#pragma once

namespace win32 {
// True when the value of VSB_TRACE asks for the channel on standard error:
// any non-empty value but "0".
bool TraceRequestedByEnvironment(const char* value);
}  // namespace win32
