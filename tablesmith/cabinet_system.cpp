#include "cabinet_system.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"

namespace tablesmith {

namespace {

// Stream reads go through the installer, and decompressed blocks out to the
// file, in pieces of this size: few enough calls, and a buffer small enough
// to stay in the processor's cache while the kernel copies into or out of it
// (a megabyte made those copies cost as much again as everything else).
constexpr std::size_t kStreamPiece = 1u << 16;
constexpr std::size_t kWritePiece = 1u << 16;

// libmspack's warnings (a salvaged block, a bad name) are not ours to print:
// the failures that matter come back as error codes.
void IgnoreMessage(mspack_file*, const char*, ...) {}

}  // namespace

// One file libmspack holds open; it only ever sees a pointer to this.
class CabinetSystem::OpenFile {
  public:
    virtual ~OpenFile() = default;
    virtual int Read(void* buffer, int bytes) = 0;
    virtual int Write(const void*, int) { return -1; }
    // The position from the start; -1 when it cannot be reached.
    virtual int Seek(off_t offset, int mode) = 0;
    virtual off_t Tell() = 0;

  protected:
    // The absolute position `offset` and `mode` ask for, given the current
    // position and the size; -1 when it lies outside the file.
    static off_t Target(off_t offset, int mode, off_t position, off_t size) {
        const off_t target = mode == MSPACK_SYS_SEEK_START ? offset
                             : mode == MSPACK_SYS_SEEK_CUR ? position + offset
                                                           : size + offset;
        return target < 0 || target > size ? -1 : target;
    }
};

// A stream of the package, read forwards through a fetched row. The installer
// reads a record's stream from its position onwards only, so a seek backwards
// fetches the row again; libmspack reads a cabinet almost only forwards.
class CabinetSystem::StreamFile : public OpenFile {
  public:
    StreamFile(CMsiDatabase& database, std::mutex& engine, std::string stream)
        : database_(database), engine_(engine), stream_(std::move(stream)) {}
    ~StreamFile() override {
        const std::lock_guard lock(engine_);
        row_.Close();
        view_.Close();
    }

    bool Start() {
        const std::lock_guard lock(engine_);
        view_.Close();
        position_ = 0;
        buffered_ = used_ = 0;
        CMsiRecord name;
        if (!name.Create(1) || !name.SetString(0, stream_)) return false;
        if (!view_.Open(&database_, "SELECT `Data` FROM `_Streams` WHERE `Name` = ?") ||
            !view_.Execute(name.GetHandle()) || !view_.Fetch(row_))
            return false;
        size_ = static_cast<off_t>(MsiRecordDataSize(row_.GetHandle(), 1));
        return true;
    }

    int Read(void* buffer, int bytes) override {
        auto* out = static_cast<char*>(buffer);
        int done = 0;
        while (done < bytes) {
            if (used_ == buffered_ && !Fill()) return done == 0 && failed_ ? -1 : done;
            const std::size_t count =
                std::min<std::size_t>(static_cast<std::size_t>(bytes - done), buffered_ - used_);
            std::memcpy(out + done, piece_.data() + used_, count);
            used_ += count;
            done += static_cast<int>(count);
            position_ += static_cast<off_t>(count);
        }
        return done;
    }

    int Seek(off_t offset, int mode) override {
        const off_t target = Target(offset, mode, position_, size_);
        if (target < 0) return -1;
        // Within the piece in hand, in either direction.
        const off_t piece_start = position_ - static_cast<off_t>(used_);
        if (target >= piece_start && target <= piece_start + static_cast<off_t>(buffered_)) {
            used_ = static_cast<std::size_t>(target - piece_start);
            position_ = target;
            return 0;
        }
        if (target < position_ && !Start()) return -1;
        while (position_ < target) {
            if (used_ == buffered_ && !Fill()) return -1;
            const std::size_t skip = std::min<std::size_t>(
                static_cast<std::size_t>(target - position_), buffered_ - used_);
            used_ += skip;
            position_ += static_cast<off_t>(skip);
        }
        return 0;
    }

    off_t Tell() override { return position_; }

  private:
    // The next piece of the stream; false at its end or on a failed read.
    bool Fill() {
        piece_.resize(kStreamPiece);
        DWORD count = kStreamPiece;
        const std::lock_guard lock(engine_);
        if (MsiRecordReadStream(row_.GetHandle(), 1, piece_.data(), &count) != ERROR_SUCCESS) {
            failed_ = true;
            return false;
        }
        buffered_ = count;
        used_ = 0;
        return count != 0;
    }

    CMsiDatabase& database_;
    std::mutex& engine_;
    std::string stream_;
    CMsiView view_;
    CMsiRecord row_;
    std::vector<char> piece_;
    std::size_t buffered_ = 0;
    std::size_t used_ = 0;
    off_t position_ = 0;
    off_t size_ = 0;
    bool failed_ = false;
};

// A cabinet file beside the package, through the descriptor it was found by.
class CabinetSystem::DescriptorFile : public OpenFile {
  public:
    explicit DescriptorFile(int fd) : fd_(fd) {}
    int Read(void* buffer, int bytes) override {
        for (;;) {
            const ssize_t n = ::pread(fd_, buffer, static_cast<std::size_t>(bytes), position_);
            if (n < 0 && errno == EINTR) continue;
            if (n > 0) position_ += n;
            return static_cast<int>(n);
        }
    }
    int Seek(off_t offset, int mode) override {
        const off_t size = ::lseek(fd_, 0, SEEK_END);
        const off_t target = Target(offset, mode, position_, size);
        if (target < 0) return -1;
        position_ = target;
        return 0;
    }
    off_t Tell() override { return position_; }

  private:
    int fd_;  // owned by CabinetSystem: libmspack opens a cabinet many times
    off_t position_ = 0;
};

// libmspack hands over each decompressed block (32 KiB at most) on its own;
// they are gathered into pieces of kWritePiece, a write call each. A failure when the
// last piece is written at close is kept for the caller, as any other.
class CabinetSystem::OutputFile : public OpenFile {
  public:
    explicit OutputFile(CabinetSystem& owner) : owner_(owner) { piece_.reserve(kWritePiece); }
    ~OutputFile() override { Flush(); }
    int Read(void*, int) override { return -1; }
    int Write(const void* buffer, int bytes) override {
        if (owner_.output_ == nullptr || owner_.write_error_ != 0) return -1;
        const auto* data = static_cast<const char*>(buffer);
        piece_.insert(piece_.end(), data, data + bytes);
        if (piece_.size() >= kWritePiece && !Flush()) return -1;
        written_ += static_cast<std::uint64_t>(bytes);
        if (owner_.written_) owner_.written_(written_);
        return bytes;
    }
    int Seek(off_t, int) override { return -1; }
    off_t Tell() override { return static_cast<off_t>(written_); }

  private:
    bool Flush() {
        if (piece_.empty() || owner_.output_ == nullptr || owner_.write_error_ != 0)
            return owner_.write_error_ == 0;
        owner_.write_error_ = owner_.output_->Write(piece_.data(), piece_.size());
        piece_.clear();
        return owner_.write_error_ == 0;
    }

    CabinetSystem& owner_;
    std::vector<char> piece_;
    std::uint64_t written_ = 0;
};

mspack_file* CabinetSystem::Open(mspack_system* self, const char* name, int mode) {
    CabinetSystem& owner = *reinterpret_cast<System*>(self)->owner;
    const std::string key = name;
    std::unique_ptr<OpenFile> file;
    if (mode == MSPACK_SYS_OPEN_WRITE) {
        if (key == kOutputName && owner.output_ != nullptr)
            file = std::make_unique<OutputFile>(owner);
    } else if (mode == MSPACK_SYS_OPEN_READ) {
        if (const auto stream = owner.streams_.find(key); stream != owner.streams_.end()) {
            auto reader =
                std::make_unique<StreamFile>(owner.database_, owner.engine_, stream->second);
            if (reader->Start()) file = std::move(reader);
        } else if (const auto fd = owner.files_.find(key); fd != owner.files_.end()) {
            file = std::make_unique<DescriptorFile>(fd->second);
        }
    }
    return reinterpret_cast<mspack_file*>(file.release());
}

CabinetSystem::OpenFile* CabinetSystem::Of(mspack_file* file) {
    return reinterpret_cast<OpenFile*>(file);
}

CabinetSystem::CabinetSystem(CMsiDatabase& database, std::mutex& engine)
    : database_(database), engine_(engine) {
    mspack_system& base = system_.base;
    base.open = &CabinetSystem::Open;
    base.close = [](mspack_file* file) { delete Of(file); };
    base.read = [](mspack_file* file, void* buffer, int bytes) {
        return Of(file)->Read(buffer, bytes);
    };
    base.write = [](mspack_file* file, void* buffer, int bytes) {
        return Of(file)->Write(buffer, bytes);
    };
    base.seek = [](mspack_file* file, off_t offset, int mode) {
        return Of(file)->Seek(offset, mode) == 0 ? 0 : -1;
    };
    base.tell = [](mspack_file* file) { return Of(file)->Tell(); };
    base.message = &IgnoreMessage;
    base.alloc = [](mspack_system*, size_t bytes) { return std::malloc(bytes); };
    base.free = [](void* block) { std::free(block); };
    base.copy = [](void* from, void* to, size_t bytes) { std::memmove(to, from, bytes); };
    base.null_ptr = nullptr;
    system_.owner = this;
}

CabinetSystem::~CabinetSystem() {
    for (const auto& [name, fd] : files_) ::close(fd);
}

const char* CabinetSystem::StreamName(const std::string& stream) {
    const auto entry = streams_.insert_or_assign("stream:" + stream, stream).first;
    shown_[entry->first] = "#" + stream;
    return entry->first.c_str();
}

const char* CabinetSystem::FileName(int fd, const std::string& shown) {
    const auto entry = files_.insert_or_assign("file:" + std::to_string(fd), fd).first;
    shown_[entry->first] = shown;
    return entry->first.c_str();
}

std::string CabinetSystem::Shown(const std::string& name) const {
    const auto shown = shown_.find(name);
    return shown == shown_.end() ? name : shown->second;
}

void CabinetSystem::SetOutput(FolderFileWriter* writer,
                              std::function<void(std::uint64_t)> written) {
    output_ = writer;
    written_ = std::move(written);
    write_error_ = 0;
}

}  // namespace tablesmith
