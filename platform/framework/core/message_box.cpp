#include "core/message_box.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>

namespace {

struct MessageBoxState {
    std::mutex mutex;
    fw::MessageBoxHandler handler;
    std::string app_name;  // empty: derive it from the program file
};

MessageBoxState& State() {
    static MessageBoxState state;
    return state;
}

std::atomic<bool> application_object_present{false};

std::string ProgramFileStem() {
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return program.stem().string();
}

}  // namespace

int AfxMessageBox(const std::string& text, unsigned type, unsigned /*help_id*/) {
    return fw::MessageBoxWithDetail(text, type, {});
}

std::string AfxGetAppName() {
    {
        std::lock_guard lock(State().mutex);
        if (!State().app_name.empty()) return State().app_name;
    }
    return ProgramFileStem();
}

namespace fw {

int MessageBoxWithDetail(const std::string& text, unsigned type, const std::string& detail) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(State().mutex);
        handler = State().handler;
    }
    // Called outside the lock: a handler may itself show another box.
    if (handler) return handler(text, type, detail);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    if (!detail.empty()) {
        std::fwrite(detail.data(), 1, detail.size(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return IDOK;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(State().mutex);
    std::swap(State().handler, handler);
    return handler;
}

bool HasApplicationObject() {
    return application_object_present.load();
}

void SetApplicationObjectPresent(bool present) {
    application_object_present.store(present);
}

void SetAppName(std::string name) {
    std::lock_guard lock(State().mutex);
    State().app_name = std::move(name);
}

}  // namespace fw
