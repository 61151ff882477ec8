// The process-wide debug output channel.
//
// On Windows the text goes to an attached debugger and vanishes when none
// listens. Here one sink plays the debugger: none by default, standard error
// when VSB_TRACE=1 is set or the CLI asks for --trace, a test's collector while
// a TraceCapture lives.
#include "win32/debug.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "debug_channel_internal.h"

namespace win32 {
namespace {

void WriteToStderr(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

struct Channel {
    // Recursive so that a sink that traces (or swaps the sink) from inside its
    // own call does not deadlock the thread that holds the lock.
    std::recursive_mutex mutex;
    // Shared so that replacing the sink while it runs does not destroy the
    // function object under its own feet.
    std::shared_ptr<DebugSink> sink;
};

Channel& TheChannel() {
    // Built on first use, so the environment is read after main() may have set
    // it and static initialisation order across libraries does not matter.
    static Channel* channel = [] {
        auto* c = new Channel;  // never destroyed: tracing may happen during exit
        if (TraceRequestedByEnvironment(std::getenv("VSB_TRACE"))) {
            c->sink = std::make_shared<DebugSink>(WriteToStderr);
        }
        return c;
    }();
    return *channel;
}

}  // namespace

bool TraceRequestedByEnvironment(const char* value) {
    if (value == nullptr || *value == '\0') return false;
    return std::strcmp(value, "0") != 0;
}

DebugSink SetDebugSink(DebugSink sink) {
    Channel& channel = TheChannel();
    std::lock_guard lock(channel.mutex);
    DebugSink previous = channel.sink ? *channel.sink : DebugSink{};
    channel.sink = sink ? std::make_shared<DebugSink>(std::move(sink)) : nullptr;
    return previous;
}

void EnableDebugStderr() {
    SetDebugSink(WriteToStderr);
}

}  // namespace win32

extern "C" void OutputDebugStringA(LPCSTR lpOutputString) {
    if (lpOutputString == nullptr) return;
    win32::Channel& channel = win32::TheChannel();
    // Held while the sink runs, so lines from several threads never interleave
    // and a collecting sink needs no lock of its own.
    std::lock_guard lock(channel.mutex);
    std::shared_ptr<win32::DebugSink> sink = channel.sink;
    if (sink) (*sink)(std::string_view(lpOutputString));
}
