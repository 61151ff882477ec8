#include "core/archive.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>

#include "core/exceptions.h"

namespace {

[[noreturn]] void ThrowFileError(int err, const std::string& path) {
    AfxThrowFileException(CFileException::CauseFromErrno(err), err, path);
}

// Plain POSIX calls rather than streams: they give the errno of the failure,
// and a directory given as the file fails here with EISDIR instead of inside
// a stream that would throw an exception of its own.
std::string ReadWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowFileError(errno, path);
    std::string bytes;
    char chunk[65536];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            int err = errno;
            ::close(fd);
            ThrowFileError(err, path);
        }
        if (got == 0) break;
        bytes.append(chunk, static_cast<size_t>(got));
    }
    ::close(fd);
    return bytes;
}

// Writes a temporary file beside the target, flushes it to the disk and
// renames it over the target: the target is either the old file or the
// complete new one, never a half-written mixture.
void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    const std::string temp_path = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) ThrowFileError(errno, path);
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(temp_path.c_str());
        ThrowFileError(err, path);
    };
    for (size_t written = 0; written < bytes.size();) {
        ssize_t put = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) fail(errno);
        written += static_cast<size_t>(put);
    }
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(temp_path.c_str());
        ThrowFileError(err, path);
    }
    if (::rename(temp_path.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(temp_path.c_str());
        ThrowFileError(err, path);
    }
}

}  // namespace

CArchive::CArchive(Mode mode, std::string bytes, std::string file_name)
    : mode_(mode), buffer_(std::move(bytes)), file_name_(std::move(file_name)) {}

CArchive CArchive::Storing() {
    return CArchive(store, {}, {});
}

CArchive CArchive::Loading(std::string bytes) {
    return CArchive(load, std::move(bytes), {});
}

CArchive CArchive::StoringToFile(std::string path) {
    return CArchive(store, {}, std::move(path));
}

CArchive CArchive::LoadingFromFile(const std::string& path) {
    return CArchive(load, ReadWholeFile(path), path);
}

void CArchive::Close() {
    if (closed_) return;
    closed_ = true;
    if (mode_ == store && !file_name_.empty()) WriteFileAtomically(file_name_, buffer_);
}

void CArchive::RequireStoring() const {
    if (mode_ != store) AfxThrowArchiveException(CArchiveException::readOnly, file_name_);
    if (closed_)
        AfxThrowArchiveException(CArchiveException::genericException, file_name_,
                                 "The archive is closed.");
}

void CArchive::RequireLoading(size_t size) const {
    if (mode_ != load) AfxThrowArchiveException(CArchiveException::writeOnly, file_name_);
    // Compared against what is left, so a huge size from damaged data cannot overflow.
    if (size > Remaining()) AfxThrowArchiveException(CArchiveException::endOfFile, file_name_);
}

template <typename T>
void CArchive::PutLittleEndian(T value) {
    using U = std::make_unsigned_t<T>;
    U bits = static_cast<U>(value);
    char bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    Write(bytes, sizeof(T));
}

template <typename T>
T CArchive::GetLittleEndian() {
    using U = std::make_unsigned_t<T>;
    unsigned char bytes[sizeof(T)];
    Read(bytes, sizeof(T));
    U bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        bits |= static_cast<U>(static_cast<U>(bytes[i]) << (8 * i));
    return static_cast<T>(bits);
}

void CArchive::Write(const void* data, size_t size) {
    RequireStoring();
    buffer_.append(static_cast<const char*>(data), size);
}

void CArchive::Read(void* data, size_t size) {
    RequireLoading(size);
    if (size != 0) std::memcpy(data, buffer_.data() + read_pos_, size);
    read_pos_ += size;
}

CArchive& CArchive::operator<<(bool value) {
    return *this << static_cast<uint8_t>(value ? 1 : 0);
}
CArchive& CArchive::operator<<(int8_t value) {
    PutLittleEndian(value);
    return *this;
}
CArchive& CArchive::operator<<(uint8_t value) {
    PutLittleEndian(value);
    return *this;
}
CArchive& CArchive::operator<<(int16_t value) {
    PutLittleEndian(value);
    return *this;
}
CArchive& CArchive::operator<<(uint16_t value) {
    PutLittleEndian(value);
    return *this;
}
CArchive& CArchive::operator<<(int32_t value) {
    PutLittleEndian(value);
    return *this;
}
CArchive& CArchive::operator<<(uint32_t value) {
    PutLittleEndian(value);
    return *this;
}
CArchive& CArchive::operator<<(int64_t value) {
    PutLittleEndian(value);
    return *this;
}
CArchive& CArchive::operator<<(uint64_t value) {
    PutLittleEndian(value);
    return *this;
}
CArchive& CArchive::operator<<(float value) {
    return *this << std::bit_cast<uint32_t>(value);
}
CArchive& CArchive::operator<<(double value) {
    return *this << std::bit_cast<uint64_t>(value);
}

CArchive& CArchive::operator<<(const std::string& value) {
    if (value.size() > 0xFFFFFFFFu) {
        AfxThrowArchiveException(CArchiveException::genericException, file_name_,
                                 "A text is too long for the archive.");
    }
    *this << static_cast<uint32_t>(value.size());
    Write(value.data(), value.size());
    return *this;
}

CArchive& CArchive::operator<<(const char* value) {
    return *this << std::string(value != nullptr ? value : "");
}

CArchive& CArchive::operator>>(bool& value) {
    uint8_t byte = 0;
    *this >> byte;
    if (byte > 1)
        AfxThrowArchiveException(CArchiveException::genericException, file_name_,
                                 "A truth value is neither 0 nor 1.");
    value = byte == 1;
    return *this;
}
CArchive& CArchive::operator>>(int8_t& value) {
    value = GetLittleEndian<int8_t>();
    return *this;
}
CArchive& CArchive::operator>>(uint8_t& value) {
    value = GetLittleEndian<uint8_t>();
    return *this;
}
CArchive& CArchive::operator>>(int16_t& value) {
    value = GetLittleEndian<int16_t>();
    return *this;
}
CArchive& CArchive::operator>>(uint16_t& value) {
    value = GetLittleEndian<uint16_t>();
    return *this;
}
CArchive& CArchive::operator>>(int32_t& value) {
    value = GetLittleEndian<int32_t>();
    return *this;
}
CArchive& CArchive::operator>>(uint32_t& value) {
    value = GetLittleEndian<uint32_t>();
    return *this;
}
CArchive& CArchive::operator>>(int64_t& value) {
    value = GetLittleEndian<int64_t>();
    return *this;
}
CArchive& CArchive::operator>>(uint64_t& value) {
    value = GetLittleEndian<uint64_t>();
    return *this;
}

CArchive& CArchive::operator>>(float& value) {
    value = std::bit_cast<float>(GetLittleEndian<uint32_t>());
    return *this;
}

CArchive& CArchive::operator>>(double& value) {
    value = std::bit_cast<double>(GetLittleEndian<uint64_t>());
    return *this;
}

CArchive& CArchive::operator>>(std::string& value) {
    uint32_t size = GetLittleEndian<uint32_t>();
    // Checked before allocating: a damaged length must not reserve memory.
    RequireLoading(size);
    value.assign(buffer_.data() + read_pos_, size);
    read_pos_ += size;
    return *this;
}

void CArchive::WriteCount(uint32_t count) {
    *this << count;
}

uint32_t CArchive::ReadCount(size_t min_element_bytes) {
    uint32_t count = GetLittleEndian<uint32_t>();
    if (min_element_bytes > 0 && count > Remaining() / min_element_bytes) {
        AfxThrowArchiveException(CArchiveException::badIndex, file_name_,
                                 "A count exceeds what the remaining bytes can hold.");
    }
    return count;
}

void CArchive::WriteString(const std::string& text) {
    Write(text.data(), text.size());
}

bool CArchive::ReadString(std::string& line) {
    if (mode_ != load) AfxThrowArchiveException(CArchiveException::writeOnly, file_name_);
    line.clear();
    if (Remaining() == 0) return false;
    size_t end = buffer_.find('\n', read_pos_);
    size_t next = end == std::string::npos ? buffer_.size() : end + 1;
    if (end == std::string::npos) end = buffer_.size();
    if (end > read_pos_ && buffer_[end - 1] == '\r' && end < buffer_.size()) --end;
    line.assign(buffer_, read_pos_, end - read_pos_);
    read_pos_ = next;
    return true;
}
