// Wall-clock time of the phases inside one benchmark process (open, scan,
// apply, ...). The run script measures each process as a whole with its
// peak memory; these lines only say where inside it the time went.
#pragma once

#include <chrono>
#include <cstdio>

namespace bench {

class PhaseClock {
  public:
    PhaseClock() : start_(Clock::now()) {}

    // Prints "phase NAME SECONDS" for the time since the previous mark.
    void Mark(const char* name) {
        const auto now = Clock::now();
        std::printf("phase %s %.4f\n", name, std::chrono::duration<double>(now - start_).count());
        start_ = now;
    }

  private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_;
};

}  // namespace bench
