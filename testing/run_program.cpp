#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

extern char** environ;

namespace testing_support {
namespace {

// The process's environment with the options' changes.
std::vector<std::string> Environment(const std::vector<std::string>& changes) {
    std::map<std::string, std::string> entries;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        entries[entry.substr(0, entry.find('='))] = entry;
    }
    for (const std::string& change : changes) {
        const size_t equals = change.find('=');
        if (equals == std::string::npos)
            entries.erase(change);
        else
            entries[change.substr(0, equals)] = change;
    }
    std::vector<std::string> out;
    for (auto& [name, entry] : entries) out.push_back(entry);
    return out;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words) pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Feeds `input` to the program and collects both of its outputs until it
// closes them, without blocking on any one pipe while another is full.
void Exchange(int in, int out, int err, const std::string& input, RunResult& result) {
    size_t written = 0;
    if (input.empty()) {
        ::close(in);
        in = -1;
    }
    char buffer[65536];
    while (out >= 0 || err >= 0) {
        pollfd fds[3] = {{out, POLLIN, 0}, {err, POLLIN, 0}, {in, POLLOUT, 0}};
        if (::poll(fds, 3, -1) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buffer, size_t(n));
            } else {
                ::close(fds[i].fd);
                (i == 0 ? out : err) = -1;
            }
        }
        if (in >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(in, input.data() + written, input.size() - written);
            if (n > 0) written += size_t(n);
            if (n <= 0 || written == input.size()) {
                ::close(in);
                in = -1;
            }
        }
    }
    if (in >= 0) ::close(in);
}

}  // namespace

RunResult Run(const std::vector<std::string>& argv, const RunOptions& options) {
    RunResult result;
    if (argv.empty()) return result;
    // A program that exits without reading all of its input must fail its
    // own run, not end the test program with SIGPIPE.
    static const bool sigpipe_ignored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    (void)sigpipe_ignored;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return result;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return result;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!options.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());

    std::vector<std::string> words = argv;
    std::vector<std::string> environment = Environment(options.env);
    std::vector<char*> arg_pointers = Pointers(words);
    std::vector<char*> env_pointers = Pointers(environment);
    // The program itself gets SIGPIPE back as usual.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t default_signals;
    sigemptyset(&default_signals);
    sigaddset(&default_signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &default_signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, arg_pointers[0], &actions, &attributes,
                                       arg_pointers.data(), env_pointers.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned != 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        result.err = std::string("cannot run ") + argv[0] + ": " + std::strerror(spawned);
        return result;
    }
    Exchange(in[1], out[0], err[0], options.input, result);
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

bool HaveProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
    for (;;) {
        const size_t end = folders.find(':');
        const std::string_view folder = folders.substr(0, end);
        // An empty entry of PATH is the current folder.
        std::string candidate(folder.empty() ? std::string_view(".") : folder);
        candidate.append(1, '/').append(name);
        if (::access(candidate.c_str(), X_OK) == 0) return true;
        if (end == std::string_view::npos) return false;
        folders.remove_prefix(end + 1);
    }
}

std::string ShellLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        line += '\'';
        for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += '\'';
    }
    return line;
}

}  // namespace testing_support
