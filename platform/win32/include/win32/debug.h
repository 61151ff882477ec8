// The process-wide debug output channel (what a debugger would show).
// Silent by default; VSB_TRACE=1 in the environment (any value but empty or
// "0"), or EnableDebugStderr(), sends every line to standard error; tests
// attach a sink and read the lines. Thread-safe: each text reaches the sink whole.
#pragma once

#include <functional>
#include <string_view>

#include "win32/types.h"

extern "C" void OutputDebugStringA(LPCSTR lpOutputString);

namespace win32 {
using DebugSink = std::function<void(std::string_view text)>;
// Replaces the sink; returns the previous one. An empty sink silences the channel.
DebugSink SetDebugSink(DebugSink sink);
// Sends the channel to standard error (the CLIs' --trace).
void EnableDebugStderr();
}  // namespace win32
