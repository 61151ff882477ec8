#include "cabinet_export.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "cabinet_file_match.h"
#include "core/exceptions.h"
#include "core/message_box.h"
#include "media_cabinets.h"
#include "messages.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"
#include "path_functions.h"

namespace tablesmith {

namespace {

// Pieces of this size keep memory flat however large a cabinet is, and let a
// progress line move while the copy runs.
constexpr DWORD kPieceSize = 1u << 20;

// The installer's field numbers of a _Streams row (Name, Data).
constexpr UINT kNameField = 1;
constexpr UINT kDataField = 2;

// An output file that is closed whatever happens, and removed again unless
// Close succeeded: a cut cabinet would only fail later, at install time.
// Opening, Write and Close raise the framework's file exception, as the
// framework's file object does; a file that could not be opened is never
// removed, as it may be an older file this step did not make.
class CabinetFile {
  public:
    explicit CabinetFile(std::string path) : path_(std::move(path)) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) Throw(errno);
    }
    ~CabinetFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!closed_) ::unlink(path_.c_str());
    }
    CabinetFile(const CabinetFile&) = delete;
    CabinetFile& operator=(const CabinetFile&) = delete;

    void Write(const char* data, std::size_t count) {
        while (count > 0) {
            const ssize_t written = ::write(fd_, data, count);
            if (written < 0) {
                if (errno == EINTR) continue;
                Throw(errno);
            }
            data += written;
            count -= static_cast<std::size_t>(written);
        }
    }
    void Close() {
        const int fd = fd_;
        fd_ = -1;
        // A full disk can show only at close on some file systems.
        if (::close(fd) != 0) Throw(errno);
        closed_ = true;
    }

  private:
    [[noreturn]] void Throw(int err) {
        AfxThrowFileException(CFileException::CauseFromErrno(err), err, path_);
    }

    std::string path_;
    int fd_ = -1;
    bool closed_ = false;
};

enum class CopyResult { kCopied, kReadFailed };

// Copies the stream of the fetched row into `path`, piece by piece. Raises
// CFileException when the file cannot be written.
CopyResult CopyStream(CMsiRecord& row, const std::string& path, CopyProgress* progress) {
    const std::uint64_t total = MsiRecordDataSize(row.GetHandle(), kDataField);
    const bool show = progress != nullptr && total > progress->Threshold();
    if (show) progress->Begin(path, total);
    struct EndProgress {
        CopyProgress* progress;
        ~EndProgress() {
            if (progress != nullptr) progress->End();
        }
    } end_progress{show ? progress : nullptr};

    CabinetFile file(path);
    std::vector<char> piece(kPieceSize);
    std::uint64_t done = 0;
    for (;;) {
        DWORD count = kPieceSize;
        if (MsiRecordReadStream(row.GetHandle(), kDataField, piece.data(), &count) != ERROR_SUCCESS)
            return CopyResult::kReadFailed;
        if (count == 0) break;
        file.Write(piece.data(), count);
        done += count;
        if (show) progress->Advance(done);
    }
    file.Close();
    return CopyResult::kCopied;
}

}  // namespace

std::string LowerAscii(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool IsCabinetStreamName(const std::string& stream_name) {
    const std::string lower = LowerAscii(stream_name);
    return lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".cab") == 0;
}

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    // Both separators count whatever the path style: a package made on
    // Windows means a folder by a backslash, and a slash is one here.
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool ExportCabinets(CMsiDatabase& database, const std::string& export_folder, MessageSink& sink,
                    CopyProgress* progress) {
    // First the names alone, so that every cabinet's file name is settled
    // before a byte is written (see CabinetFileNames).
    const std::set<std::string> internal = InternalCabinetStreams(database);
    std::vector<std::string> cabinet_streams;
    {
        CMsiView names;
        if (!names.Open(&database, "SELECT `Name` FROM `_Streams`")) {
            // The view layer has traced why; the user is told that nothing was copied.
            sink.Tell(kCantReadStreams, MB_ICONSTOP);
            return false;
        }
        names.Execute(0);
        CMsiRecord row;
        while (names.Fetch(row)) {
            std::string stream_name;
            row.GetString(0, stream_name);
            if (IsCabinetStreamName(stream_name) || internal.count(stream_name) != 0)
                cabinet_streams.push_back(stream_name);
        }
        names.Close();
    }
    const std::map<std::string, std::string> file_names = CabinetFileNames(cabinet_streams);

    CMsiView view;
    if (!view.Open(&database, "SELECT * FROM _Streams")) {
        sink.Tell(kCantReadStreams, MB_ICONSTOP);
        return false;
    }
    view.Execute(0);

    bool found = false;
    bool failed = false;
    CMsiRecord row;
    while (view.Fetch(row)) {
        std::string stream_name;
        row.GetString(0, stream_name);
        const auto file_name = file_names.find(stream_name);
        if (file_name == file_names.end()) continue;  // not a cabinet: its bytes are not read
        if (!IsPlainFileName(file_name->second)) {
            // Written as it is, such a name would put the file outside the
            // export folder (or into a folder of it): the stream is skipped.
            sink.Tell(FormatMessageText(kUnsafeCabName, {stream_name}), MB_ICONSTOP);
            failed = true;
            continue;
        }
        const std::string path = VSB_MakePath(export_folder, file_name->second);
        try {
            if (CopyStream(row, path, progress) == CopyResult::kReadFailed) {
                sink.Tell(FormatMessageText(kCantReadCab, {stream_name}), MB_ICONSTOP);
                failed = true;
                continue;
            }
        } catch (const CFileException& e) {
            const std::string reason =
                e.m_lOsError != 0 ? std::strerror(e.m_lOsError) : e.GetErrorMessage();
            sink.Tell(FormatMessageText(kCantWriteCab, {path, reason}), MB_ICONSTOP);
            view.Close();
            return false;
        }
        found = true;
    }
    if (!failed) {
        if (found)
            sink.Tell(FormatMessageText(kExportedAllCabs, {export_folder}), MB_ICONINFORMATION);
        else
            sink.Tell(kNoCabsInPackage, MB_ICONINFORMATION);
    }
    view.Close();
    return !failed;
}

}  // namespace tablesmith
