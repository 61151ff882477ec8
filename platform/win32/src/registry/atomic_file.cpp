#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace win32 {
namespace {

// ENOENT while opening a file means its folder is missing when the folder
// part does not exist; Windows tells those apart (2 against 3).
DWORD OpenError(int err, const std::string& path) {
    if (err != ENOENT) return ErrorFromErrno(err);
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty() && !std::filesystem::is_directory(parent, ec)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Renaming over a symbolic link would replace the link, not the file the
// user keeps elsewhere; resolve it first.
std::string ResolveLinks(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

}  // namespace

DWORD ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return OpenError(errno, path);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return ERROR_ACCESS_DENIED;
    }
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            DWORD error = ErrorFromErrno(errno);
            ::close(fd);
            bytes.clear();
            return error;
        }
        if (n == 0) break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return ERROR_SUCCESS;
}

void CreatePrivateFolder(const std::string& folder) {
    std::error_code ec;
    if (std::filesystem::create_directories(folder, ec))
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
}

DWORD ReplaceFileAtomically(const std::string& path, const std::string& bytes, bool create_folder) {
    const std::string target = ResolveLinks(path);
    std::filesystem::path parent = std::filesystem::path(target).parent_path();
    if (create_folder && !parent.empty()) CreatePrivateFolder(parent.string());

    // Keep the old file's permissions; a new file gets the usual 0666 & ~umask.
    mode_t mode = 0666;
    struct stat st;
    bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed) mode = st.st_mode & 07777;

    static std::atomic<unsigned> counter{0};
    const std::string temp =
        target + ".new" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, existed ? 0600 : mode);
    if (fd < 0) return OpenError(errno, temp);
    if (existed) ::fchmod(fd, mode);

    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int saved_errno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved_errno = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        saved_errno = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return ErrorFromErrno(saved_errno);
    }
    return ERROR_SUCCESS;
}

}  // namespace win32
