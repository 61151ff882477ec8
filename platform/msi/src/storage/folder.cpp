#include "storage/folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace msi::storage {

namespace {

std::shared_ptr<const int> Own(int fd) {
    return std::shared_ptr<const int>(new int(fd), [](const int* owned) {
        ::close(*owned);
        delete owned;
    });
}

}  // namespace

Result<Folder> Folder::FromDescriptor(int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return Status::Io(std::string("cannot keep the folder: ") + std::strerror(errno));
    Folder folder;
    folder.fd_ = Own(copy);
    return folder;
}

Result<Folder> Folder::Sub(const std::string& name, bool make) const {
    // Private to the user unless the umask is stricter still: what the
    // engine puts in a folder of its own (the streams of binary cells) need
    // not be readable by anyone else.
    if (make && ::mkdirat(fd(), name.c_str(), 0700) != 0 && errno != EEXIST)
        return Status::Io("cannot make " + name + ": " + std::strerror(errno));
    // O_NOFOLLOW: a link there could point anywhere.
    const int sub = ::openat(fd(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) {
        const int err = errno;
        if (err == ENOTDIR || err == ELOOP) return Status::Io(name + " exists and is not a folder");
        const std::string text = "cannot open folder " + name + ": " + std::strerror(err);
        return err == ENOENT ? Status::NotFound(text) : Status::Io(text);
    }
    Folder folder;
    folder.fd_ = Own(sub);
    return folder;
}

}  // namespace msi::storage
