// Runs one command and writes what it cost to a file:
//
//   process_timer STATS COMMAND [ARG...]
//
// STATS gets one line, "WALL CPU PEAK_KB": the wall seconds from just before
// the start to just after the child is reaped, its user + system seconds,
// and its peak resident set. The command inherits standard input, output
// and error, so the caller redirects them as it likes. The exit status is
// the command's (127 when it cannot be started, 128 + N when signal N ended it).
//
// Timing a wrapper such as /usr/bin/time from the shell would count the
// wrapper's own start-up, about a millisecond here, as the measured
// program's: too much for runs of a few milliseconds.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

double Seconds(const timespec& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: process_timer STATS COMMAND [ARG...]\n");
        return 2;
    }
    FILE* stats = std::fopen(argv[1], "w");
    if (stats == nullptr) {
        std::fprintf(stderr, "process_timer: %s: %s\n", argv[1], std::strerror(errno));
        return 2;
    }
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child < 0) {
        std::fprintf(stderr, "process_timer: fork: %s\n", std::strerror(errno));
        return 2;
    }
    if (child == 0) {
        std::fclose(stats);
        execvp(argv[2], argv + 2);
        std::fprintf(stderr, "process_timer: %s: %s\n", argv[2], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::fprintf(stderr, "process_timer: wait: %s\n", std::strerror(errno));
            return 2;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    std::fprintf(stats, "%.6f %.6f %ld\n", Seconds(end) - Seconds(start),
                 Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss);
    std::fclose(stats);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
