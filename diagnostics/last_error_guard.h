// Keeps the thread's last-error value as it was on entry. The report and trace
// operations call FormatMessageA, which sets the last error when it finds no
// text; callers read GetLastError() before they report and must find it
// unchanged afterwards (for example to report it a second time).
#pragma once

#include <windows.h>

namespace diag {

class LastErrorGuard {
  public:
    LastErrorGuard() : saved_(GetLastError()) {}
    ~LastErrorGuard() { SetLastError(saved_); }
    LastErrorGuard(const LastErrorGuard&) = delete;
    LastErrorGuard& operator=(const LastErrorGuard&) = delete;

  private:
    DWORD saved_;
};

}  // namespace diag
