#include "idt/text_source.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace msi::idt {

namespace {

constexpr size_t kBlockSize = size_t{1} << 16;

void DropCarriageReturns(std::string& line) {
    std::erase(line, '\r');
}

}  // namespace

Status TextSource::Error(std::string_view message) const {
    return Status::Corrupt(name() + ":" + std::to_string(line_number_) + ": " +
                           std::string(message));
}

Result<bool> StringTextSource::ReadLine(std::string& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    const bool last = end == std::string::npos;
    if (last) end = text_.size();
    ++line_number_;
    if (end - pos_ > max_line_ + 1) return Error("line is longer than the limit");
    line.assign(text_, pos_, end - pos_);
    pos_ = last ? end : end + 1;
    DropCarriageReturns(line);
    return true;
}

Result<std::unique_ptr<FileTextSource>> FileTextSource::Open(const std::string& path,
                                                             std::string name, size_t max_line) {
    return Open(storage::Folder(), path, path, std::move(name), max_line);
}

Result<std::unique_ptr<FileTextSource>> FileTextSource::Open(const storage::Folder& folder,
                                                             const std::string& file,
                                                             const std::string& path,
                                                             std::string name, size_t max_line) {
    // An archive that is a symbolic link could make an import read a file
    // outside the folder it was given, as a binary cell's file could, so
    // both are refused. O_NONBLOCK keeps a FIFO from stopping the open until
    // a writer comes; the type check then refuses it.
    const int fd =
        ::openat(folder.fd(), file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ELOOP) return Status::InvalidArgument(path + " is a symbolic link");
        return Status::Io("cannot open " + path + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::InvalidArgument(path + " is not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::unique_ptr<FileTextSource>(new FileTextSource(fd, std::move(name), max_line));
}

FileTextSource::~FileTextSource() {
    ::close(fd_);
}

Status FileTextSource::Fill() {
    // Keep only the unread part so the buffer never grows beyond one line
    // plus one block.
    buffer_.erase(0, pos_);
    pos_ = 0;
    const size_t old = buffer_.size();
    buffer_.resize(old + kBlockSize);
    ssize_t n;
    do {
        n = ::read(fd_, buffer_.data() + old, kBlockSize);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        buffer_.resize(old);
        return Status::Io(name_ + ": read failed: " + std::strerror(errno));
    }
    buffer_.resize(old + static_cast<size_t>(n));
    if (n == 0) eof_ = true;
    return Status::Ok();
}

Result<bool> FileTextSource::ReadLine(std::string& line) {
    size_t searched = pos_;
    for (;;) {
        const size_t end = buffer_.find('\n', searched);
        if (end != std::string::npos) {
            ++line_number_;
            if (end - pos_ > max_line_ + 1) return Error("line is longer than the limit");
            line.assign(buffer_, pos_, end - pos_);
            pos_ = end + 1;
            DropCarriageReturns(line);
            return true;
        }
        if (buffer_.size() - pos_ > max_line_ + 1) {
            ++line_number_;
            return Error("line is longer than the limit");
        }
        if (eof_) {
            if (pos_ >= buffer_.size()) return false;
            ++line_number_;
            line.assign(buffer_, pos_, std::string::npos);
            pos_ = buffer_.size();
            DropCarriageReturns(line);
            return true;
        }
        searched = buffer_.size() - pos_;  // offset after Fill moves the unread part to 0
        if (Status s = Fill(); !s.ok()) return s;
    }
}

}  // namespace msi::idt
