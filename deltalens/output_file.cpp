#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "message_fill.h"
#include "win32/umask.h"

namespace deltalens {

namespace {

// What a file that is not a regular one is, in words.
const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "not a regular file";
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The folder a new file named `target` goes into.
std::string FolderOf(const std::string& target) {
    const size_t slash = target.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : target.substr(0, slash);
}

}  // namespace

bool RefuseOutput(const std::string& target, const std::vector<std::string>& inputs, bool replace,
                  const OutputTexts& texts, diag::OutcomeSink& sink) {
    // The kernel resolves every name, so each way of naming an input comes
    // out as its device and inode.
    struct stat at_target {};
    if (::stat(target.c_str(), &at_target) == 0) {
        for (const std::string& input : inputs) {
            struct stat st {};
            if (::stat(input.c_str(), &st) == 0 && SameFile(st, at_target)) {
                sink.Stop(diag::FillMessage(texts.is_input, {target, input}),
                          "the two names lead to one file, which the output would replace");
                return true;
            }
        }
    }
    struct stat entry {};
    if (::lstat(target.c_str(), &entry) == 0) {
        if (!replace) {
            sink.Stop(diag::FillMessage(texts.exists, {target}),
                      "it is replaced only when asked to (--force)");
            return true;
        }
        if (!S_ISREG(entry.st_mode)) {
            sink.Stop(diag::FillMessage(texts.not_file, {target, KindOf(entry.st_mode)}),
                      "only a regular file is replaced");
            return true;
        }
    }
    if (::access(FolderOf(target).c_str(), W_OK | X_OK) != 0) {
        sink.Stop(diag::FillMessage(texts.cant_write, {target}), std::strerror(errno));
        return true;
    }
    return false;
}

TemporaryOutput::TemporaryOutput(const std::string& target) {
    std::string name = target + ".tmp-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error_ = std::strerror(errno);
        return;
    }
    // The engine keeps the mode of the file it rewrites: give it the one a
    // new file gets under the umask (mkstemp makes it private).
    ::fchmod(fd, 0666 & ~win32::ProcessUmask());
    ::close(fd);
    path_ = name;
}

TemporaryOutput::~TemporaryOutput() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

std::string TemporaryOutput::MoveTo(const std::string& target, bool replace) {
    if (replace) {
        if (::rename(path_.c_str(), target.c_str()) != 0) return std::strerror(errno);
    } else {
        // link refuses an existing name, where rename would replace it.
        if (::link(path_.c_str(), target.c_str()) != 0) return std::strerror(errno);
        ::unlink(path_.c_str());
    }
    path_.clear();
    return "";
}

}  // namespace deltalens
