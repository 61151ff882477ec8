#include "cabinet_file_match.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "cabinet_export.h"
#include "export_folder.h"
#include "messages.h"

namespace tablesmith {

namespace {

// The start of a cabinet file's header (CFHEADER), little-endian:
//   OFFSET  SIZE  MEANING
//   0       4     signature "MSCF"
//   4       4     reserved
//   8       4     cbCabinet: the size of the whole cabinet file in bytes
constexpr char kCabinetSignature[] = {'M', 'S', 'C', 'F'};
constexpr std::size_t kSizeOffset = 8;
constexpr std::size_t kHeadSize = kSizeOffset + 4;

// An open file of the folder that is closed whatever happens. Opened without
// following a link and without waiting on a FIFO: fd() < 0 when it could
// not be opened, with the reason in error().
class FolderFile {
  public:
    FolderFile(const ExportFolder& folder, const std::string& name)
        : fd_(folder.OpenForReading(name)), error_(fd_ < 0 ? errno : 0) {}
    ~FolderFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderFile(const FolderFile&) = delete;
    FolderFile& operator=(const FolderFile&) = delete;
    int fd() const { return fd_; }
    int error() const { return error_; }

  private:
    int fd_;
    int error_;
};

// Reads the first bytes of the file; fewer when it is shorter.
std::size_t ReadHead(int fd, unsigned char* head, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, head + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool BeginsWithCabinetSignature(const ExportFolder& folder, const std::string& name) {
    FolderFile file(folder, name);
    struct stat st {};
    if (file.fd() < 0 || ::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    unsigned char head[sizeof kCabinetSignature];
    return ReadHead(file.fd(), head, sizeof head) == sizeof head &&
           std::memcmp(head, kCabinetSignature, sizeof head) == 0;
}

}  // namespace

std::map<std::string, std::string> CabinetFileNames(const std::vector<std::string>& stream_names) {
    std::map<std::string, std::string> lower_owner;  // lower-cased name -> stream that has it
    for (const std::string& stream : stream_names) {
        const std::string lower = LowerAscii(stream);
        auto [it, inserted] = lower_owner.emplace(lower, stream);
        if (!inserted && stream == lower) it->second = stream;
    }
    std::map<std::string, std::string> files;
    for (const std::string& stream : stream_names) {
        const std::string lower = LowerAscii(stream);
        files[stream] = lower_owner[lower] == stream ? lower : stream;
    }
    return files;
}

std::string FindCabinetFile(const ExportFolder& folder, const std::string& name) {
    // A name with a separator would look outside the folder.
    if (!IsPlainFileName(name)) return std::string();
    // Any entry but a folder counts, links and FIFOs included: the whole-
    // cabinet check refuses those with a message naming them, where passing
    // over them would only say the cabinet is missing.
    auto usable = [&folder](const std::string& candidate) {
        if (IsUnfinishedFileName(candidate)) return false;
        struct stat st {};
        return folder.Stat(candidate, st) && !S_ISDIR(st.st_mode);
    };
    if (usable(name)) return name;
    const std::string wanted = LowerAscii(name);
    if (usable(wanted)) return wanted;

    std::string best;
    for (const std::string& candidate : folder.Names()) {
        if (LowerAscii(candidate) == wanted && usable(candidate) &&
            (best.empty() || candidate < best))
            best = candidate;
    }
    return best;
}

bool HoldsCabinetFile(const ExportFolder& folder) {
    for (const std::string& name : folder.Names()) {
        struct stat st {};
        if (IsUnfinishedFileName(name) || !folder.Stat(name, st) || !S_ISREG(st.st_mode)) continue;
        if (IsCabinetStreamName(name) || BeginsWithCabinetSignature(folder, name)) return true;
    }
    return false;
}

std::string WholeCabinetProblem(const ExportFolder& folder, const std::string& name) {
    FolderFile file(folder, name);
    if (file.fd() < 0) {
        if (file.error() == ELOOP) return kCabIsLink;
        return FillMessage(kCabUnreadable, {std::strerror(file.error())});
    }
    struct stat st {};
    if (::fstat(file.fd(), &st) != 0) return FillMessage(kCabUnreadable, {std::strerror(errno)});
    if (!S_ISREG(st.st_mode)) return kCabNotAFile;
    unsigned char head[kHeadSize];
    if (ReadHead(file.fd(), head, sizeof head) != sizeof head ||
        std::memcmp(head, kCabinetSignature, sizeof kCabinetSignature) != 0)
        return kCabNoHeader;
    const std::uint32_t size =
        std::uint32_t(head[kSizeOffset]) | std::uint32_t(head[kSizeOffset + 1]) << 8 |
        std::uint32_t(head[kSizeOffset + 2]) << 16 | std::uint32_t(head[kSizeOffset + 3]) << 24;
    if (static_cast<std::uint64_t>(st.st_size) != size)
        return FillMessage(kCabCut, {std::to_string(size), std::to_string(st.st_size)});
    return std::string();
}

}  // namespace tablesmith
