#include "child_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace deltalens_bench {

ChildRun RunChild(const std::vector<std::string>& arguments, const std::string& output_path) {
    ChildRun run;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return run;
    if (child == 0) {
        const int out = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || dup2(out, STDOUT_FILENO) < 0) _exit(127);
        close(out);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    // wait4 gives this child's own usage; RUSAGE_CHILDREN would be the
    // maximum over every child reaped so far.
    pid_t reaped = 0;
    do {
        reaped = wait4(child, &status, 0, &usage);
    } while (reaped < 0 && errno == EINTR);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (reaped != child) return run;
    run.exited = WIFEXITED(status);
    if (run.exited) run.status = WEXITSTATUS(status);
    run.peak_kib = usage.ru_maxrss;
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    run.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return run;
}

}  // namespace deltalens_bench
