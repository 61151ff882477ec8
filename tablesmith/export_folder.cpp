#include "export_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_services.h"
#include "messages.h"
#include "path_functions.h"
#include "win32/umask.h"

namespace tablesmith {

namespace {

// What unfinished files end in: ".tmp-" and the six characters mkstemp puts
// for its "XXXXXX".
constexpr const char kUnfinishedMark[] = ".tmp-";
constexpr std::size_t kUnfinishedMarkSize = sizeof kUnfinishedMark - 1;
constexpr std::size_t kUniqueSize = 6;

std::function<void(const std::string&)>& FolderCheckedHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

std::string CheckFolderStat(const std::string& folder, const struct stat& st) {
    if (!S_ISDIR(st.st_mode)) return FillMessage(kFolderNotAFolder, {folder});
    if (st.st_uid != ::geteuid()) return FillMessage(kFolderNotOwned, {folder});
    // Without the sticky bit, anyone who may write to the folder may also
    // replace the files in it, between our writing and Generate's reading.
    const bool others_write = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (others_write && (st.st_mode & S_ISVTX) == 0)
        return FillMessage(kFolderOpenToOthers, {folder});
    return std::string();
}

// The checks of CheckFolderStat on what `fd` opened, not on what `path`
// names now. On a problem the descriptor is closed and the problem returned.
std::string CheckOpenedFolder(int fd, const std::string& path) {
    struct stat st {};
    std::string problem = ::fstat(fd, &st) != 0
                              ? FillMessage(kCantUseFolder, {path, std::strerror(errno)})
                              : CheckFolderStat(path, st);
    if (!problem.empty()) ::close(fd);
    return problem;
}

}  // namespace

std::string PackageTitle(const std::string& msi_file) {
    std::string title;
    VSB_SplitPath(msi_file, nullptr, &title, nullptr);
    return title;
}

std::string ExportFolderName(const std::string& title) {
    std::string name = title;
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return name;
}

std::string ExportFolderOf(const std::string& msi_file) {
    const std::string temp_dir = VSB_GetTempDir();
    if (temp_dir.empty()) return std::string();
    return FileInFolder(temp_dir, ExportFolderName(PackageTitle(msi_file)));
}

std::string FileInFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

ExportFolder::~ExportFolder() {
    Close();
}

ExportFolder::ExportFolder(ExportFolder&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

ExportFolder& ExportFolder::operator=(ExportFolder&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

void ExportFolder::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::string ExportFolder::Open(const std::string& path) {
    Close();
    // O_NOFOLLOW: a link at the path is refused, not followed. O_PATH: the
    // descriptor only names the folder, so a folder of the user's own that
    // the umask left without read access still opens; listing opens it
    // again for reading.
    const int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) return kExportFirst;
        // A link or a file there: told as what it is, not by the errno.
        struct stat st {};
        if ((error == ELOOP || error == ENOTDIR) && ::lstat(path.c_str(), &st) == 0)
            return FillMessage(kFolderNotAFolder, {path});
        return FillMessage(kCantUseFolder, {path, std::strerror(error)});
    }
    if (std::string problem = CheckOpenedFolder(fd, path); !problem.empty()) return problem;
    fd_ = fd;
    path_ = path;
    // A copy runs, so that the hook may replace itself.
    if (const auto hook = FolderCheckedHook()) hook(path);
    return std::string();
}

std::string ExportFolder::Make(const std::string& path, bool* created) {
    if (created != nullptr) *created = false;
    struct stat st {};
    // The mode asks for 0700; mkdir applies the umask on top, so a stricter
    // umask still has its way. Someone who makes the folder first (EEXIST)
    // gets their folder checked like any other.
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
        if (::mkdir(path.c_str(), 0700) == 0) {
            if (created != nullptr) *created = true;
        } else if (errno != EEXIST) {
            return FillMessage(kCantCreateFolder, {path, std::strerror(errno)});
        }
    }
    return Open(path);
}

std::string ExportFolder::MakeIn(const ExportFolder& parent, const std::string& name) {
    Close();
    const std::string path = parent.Show(name);
    if (::mkdirat(parent.fd(), name.c_str(), 0700) != 0 && errno != EEXIST)
        return FillMessage(kCantCreateFolder, {path, std::strerror(errno)});
    const int fd =
        ::openat(parent.fd(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR) return FillMessage(kFolderNotAFolder, {path});
        return FillMessage(kCantUseFolder, {path, std::strerror(errno)});
    }
    if (std::string problem = CheckOpenedFolder(fd, path); !problem.empty()) return problem;
    fd_ = fd;
    path_ = path;
    return std::string();
}

bool ExportFolder::Stat(const std::string& name, struct stat& st) const {
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    return ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

int ExportFolder::OpenForReading(const std::string& name) const {
    if (fd_ < 0) {
        errno = EBADF;
        return -1;
    }
    // O_NONBLOCK: a FIFO would otherwise hold the open until a writer came.
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::vector<std::string> ExportFolder::Names() const {
    std::vector<std::string> names;
    if (fd_ < 0) return names;
    const int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return names;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool ExportFolder::Remove(const std::string& name) const {
    return ::unlinkat(fd_, name.c_str(), 0) == 0;
}

bool ExportFolder::Rename(const std::string& from, const std::string& to) const {
    return ::renameat(fd_, from.c_str(), fd_, to.c_str()) == 0;
}

int ExportFolder::CreateUnfinished(const std::string& name, mode_t mode, std::string& temp) const {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if (fd_ < 0) {
        errno = EBADF;
        return -1;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[kUniqueSize] = {};
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) return -1;
        temp = name + kUnfinishedMark;
        for (const unsigned char byte : random) temp += kLetters[byte % (sizeof kLetters - 1)];
        // Made 0600 and given its mode once made: the creation mask of
        // open would apply the umask, but so does the line below, and the
        // file is never open to others while it fills.
        const int fd =
            ::openat(fd_, temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::fchmod(fd, mode & ~win32::ProcessUmask());
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

FolderFileWriter::FolderFileWriter(const ExportFolder& folder, std::string name, mode_t mode)
    : folder_(folder), name_(std::move(name)) {
    fd_ = folder_.CreateUnfinished(name_, mode, temp_);
    if (fd_ < 0) {
        error_ = errno;
        temp_.clear();  // a name tried, perhaps someone else's file
    }
}

FolderFileWriter::~FolderFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) folder_.Remove(temp_);
}

int FolderFileWriter::Write(const char* data, std::size_t count) {
    if (fd_ < 0) return error_ != 0 ? error_ : EBADF;
    while (count > 0) {
        const ssize_t written = ::write(fd_, data, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        count -= static_cast<std::size_t>(written);
    }
    return 0;
}

int FolderFileWriter::SetModified(time_t modified) {
    if (fd_ < 0) return error_ != 0 ? error_ : EBADF;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
    return ::futimens(fd_, times) == 0 ? 0 : errno;
}

int FolderFileWriter::Commit() {
    if (fd_ < 0) return error_ != 0 ? error_ : EBADF;
    const int fd = fd_;
    fd_ = -1;
    // A full disk can show only at close on some file systems.
    if (::close(fd) != 0) return errno;
    if (!folder_.Rename(temp_, name_)) return errno;
    committed_ = true;
    return 0;
}

void SetFolderCheckedHook(std::function<void(const std::string&)> hook) {
    FolderCheckedHook() = std::move(hook);
}

bool IsUnfinishedFileName(const std::string& name) {
    const std::size_t tail = kUnfinishedMarkSize + kUniqueSize;
    return name.size() > tail &&
           name.compare(name.size() - tail, kUnfinishedMarkSize, kUnfinishedMark) == 0;
}

}  // namespace tablesmith
