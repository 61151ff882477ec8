#include "extract_command.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <utility>

#include "cabinet_export.h"
#include "cabinet_system.h"
#include "export_folder.h"
#include "media_cabinets.h"
#include "messages.h"
#include "msi_database.h"
#include "path_functions.h"

namespace tablesmith {

namespace {

constexpr const char* kFilesFolder = "files";
constexpr std::size_t kCopyPiece = 1u << 20;

// A descriptor closed when it goes.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int value = -1) : fd(value) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(Descriptor&& other) noexcept : fd(other.fd) { other.fd = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd, other.fd);
        return *this;
    }
};

std::string PackageFolder(const std::string& msi_file) {
    const std::size_t slash = msi_file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : msi_file.substr(0, slash);
}

// The entry of the folder open at `dir` whose name is `name`, exactly or
// else without regard to ASCII letter case: packages made on Windows name
// their cabinets and source files in whatever case, and Windows finds them.
std::string FindEntry(int dir, const std::string& name) {
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, 0) == 0) return name;
    const int listing = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return std::string();
    DIR* entries = ::fdopendir(listing);
    if (entries == nullptr) {
        ::close(listing);
        return std::string();
    }
    std::string found;
    const std::string wanted = LowerAscii(name);
    while (const dirent* entry = ::readdir(entries)) {
        if (LowerAscii(entry->d_name) == wanted) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(entries);
    return found;
}

// Opens `relative` ("a/b/c.txt") below the folder open at `dir`, each level
// found as FindEntry finds it; -1 with `problem` set when it cannot.
int OpenBelow(int dir, const std::string& relative, std::string& problem) {
    Descriptor current(::dup(dir));
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = relative.find('/', start);
        const std::string part = relative.substr(start, slash - start);
        const std::string found = FindEntry(current.fd, part);
        if (found.empty()) {
            problem = relative + " is not beside the package";
            return -1;
        }
        const bool last = slash == std::string::npos;
        const int next = ::openat(current.fd, found.c_str(),
                                  O_RDONLY | O_CLOEXEC | (last ? O_NONBLOCK : O_DIRECTORY));
        if (next < 0) {
            problem = relative + ": " + std::strerror(errno);
            return -1;
        }
        if (last) {
            struct stat st {};
            if (::fstat(next, &st) != 0 || !S_ISREG(st.st_mode)) {
                ::close(next);
                problem = relative + " is not a regular file";
                return -1;
            }
            ::fcntl(next, F_SETFL, ::fcntl(next, F_GETFL) & ~O_NONBLOCK);
            return next;
        }
        current = Descriptor(next);
        start = slash + 1;
    }
}

std::string MspackReason(int error, int write_error) {
    switch (error) {
        case MSPACK_ERR_OPEN:
            return "the cabinet cannot be opened";
        case MSPACK_ERR_READ:
        case MSPACK_ERR_SEEK:
            return "the cabinet is cut short";
        case MSPACK_ERR_WRITE:
            return std::string("the file cannot be written: ") +
                   std::strerror(write_error != 0 ? write_error : EIO);
        case MSPACK_ERR_NOMEMORY:
            return "out of memory";
        case MSPACK_ERR_SIGNATURE:
            return "it is not a cabinet";
        case MSPACK_ERR_DATAFORMAT:
            return "the cabinet is damaged or cut short";
        case MSPACK_ERR_CHECKSUM:
            return "a data block's checksum does not match";
        case MSPACK_ERR_DECRUNCH:
            return "the compressed data is damaged";
        default:
            return "libmspack error " + std::to_string(error);
    }
}

// The cabinet entry's date and time (local time, as DOS kept it).
time_t EntryTime(const mscabd_file& entry) {
    std::tm tm{};
    tm.tm_year = entry.date_y - 1900;
    tm.tm_mon = entry.date_m - 1;
    tm.tm_mday = entry.date_d;
    tm.tm_hour = entry.time_h;
    tm.tm_min = entry.time_m;
    tm.tm_sec = entry.time_s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

class Extraction {
  public:
    Extraction(CMsiDatabase& database, const ExtractSettings& settings, FilePlan& plan,
               const ExportFolder& root, diag::OutcomeSink& sink, CopyProgress* progress)
        : plan_(plan), root_(root), sink_(sink), system_(database) {
        cabd_ = mspack_create_cab_decompressor(system_.system());
        package_dir_.fd =
            ::open(PackageFolder(settings.msi_file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        std::uint64_t total = 0;
        for (const PlannedFile& file : plan_.files)
            if (file.selected) total += static_cast<std::uint64_t>(file.size);
        if (progress != nullptr && total > progress->Threshold()) {
            progress_ = progress;
            progress_->Begin(root_.path(), total);
        }
    }
    ~Extraction() {
        if (cabd_ != nullptr) mspack_destroy_cab_decompressor(cabd_);
        if (progress_ != nullptr) progress_->End();
    }

    void Run() {
        for (const PathClash& clash : plan_.clashes)
            if (Selected(clash.second))
                sink_.Warn(FillMessage(kPathClash, {clash.first, clash.second, clash.second_path}));
        for (const PlannedFile& file : plan_.files) {
            if (!file.selected) continue;
            if (!file.problem.empty()) {
                Fail(file, Where(file), file.problem);
            } else if (!file.compressed) {
                CopyUncompressed(file);
            } else if (file.media < 0) {
                Fail(file, "the package", "no Media row covers its sequence number");
            }
        }
        ExtractCabinets();
    }

    ExtractCounts counts() const { return counts_; }

  private:
    bool Selected(const std::string& key) const {
        for (const PlannedFile& file : plan_.files)
            if (file.key == key) return file.selected;
        return false;
    }

    std::string Where(const PlannedFile& file) const {
        if (!file.compressed) return "the source tree (" + file.source_path + ")";
        const std::string cabinet = CabinetOf(plan_, file);
        return cabinet.empty() ? "the package" : "cabinet " + cabinet;
    }

    void Fail(const PlannedFile& file, const std::string& where, const std::string& reason) {
        ++counts_.failed;
        sink_.Stop(FillMessage(kFileNotExtracted, {file.key, where, reason}));
    }

    void Written(const PlannedFile& file) {
        ++counts_.written;
        done_before_ += static_cast<std::uint64_t>(file.size);
    }

    void Advance(std::uint64_t in_file) {
        if (progress_ != nullptr) progress_->Advance(done_before_ + in_file);
    }

    // The folder of `path` below the root, each level made where missing
    // and entered through its parent's descriptor; nullptr with `problem`.
    // Files come in folder order mostly, so the last folder is kept open.
    const ExportFolder* EnterFolder(const std::string& path, std::string& problem) {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos) return &root_;
        const std::string dir = path.substr(0, slash);
        if (current_.is_open() && dir == current_dir_) return &current_;
        ExportFolder level;
        const ExportFolder* parent = &root_;
        for (std::size_t start = 0;;) {
            const std::size_t next = dir.find('/', start);
            ExportFolder below;
            problem = below.MakeIn(*parent, dir.substr(start, next - start));
            if (!problem.empty()) return nullptr;
            level = std::move(below);
            parent = &level;
            if (next == std::string::npos) break;
            start = next + 1;
        }
        current_ = std::move(level);
        current_dir_ = dir;
        return &current_;
    }

    static std::string FileName(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    void CopyUncompressed(const PlannedFile& file) {
        std::string problem;
        if (package_dir_.fd < 0 || file.source_path.empty()) {
            Fail(file, Where(file), "the package's folder cannot be read");
            return;
        }
        Descriptor source(OpenBelow(package_dir_.fd, file.source_path, problem));
        if (source.fd < 0) {
            Fail(file, Where(file), problem);
            return;
        }
        const ExportFolder* folder = EnterFolder(file.path, problem);
        if (folder == nullptr) {
            Fail(file, Where(file), problem);
            return;
        }
        FolderFileWriter writer(*folder, FileName(file.path));
        int error = writer.error();
        std::vector<char> piece(kCopyPiece);
        std::uint64_t done = 0;
        while (error == 0) {
            const ssize_t n = ::read(source.fd, piece.data(), piece.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error = errno;
            if (n <= 0) break;
            error = writer.Write(piece.data(), static_cast<std::size_t>(n));
            done += static_cast<std::uint64_t>(n);
            Advance(done);
        }
        struct stat st {};
        if (error == 0 && ::fstat(source.fd, &st) == 0) error = writer.SetModified(st.st_mtime);
        if (error == 0) error = writer.Commit();
        if (error != 0) {
            Fail(file, Where(file), std::strerror(error));
            return;
        }
        Written(file);
    }

    // The name libmspack opens Media row `index`'s cabinet by; "" with
    // `problem` set when the cabinet is not there.
    const char* CabinetName(std::size_t index, std::string& problem) {
        const std::string& value = plan_.media[index].cabinet;
        if (value.empty()) {
            problem = "its Media row names no cabinet";
            return nullptr;
        }
        if (NamesInternalCabinet(value)) return system_.StreamName(value.substr(1));
        if (!IsPlainFileName(value)) {
            problem = "the cabinet's name is not a plain file name";
            return nullptr;
        }
        const std::string found = package_dir_.fd < 0 ? "" : FindEntry(package_dir_.fd, value);
        const int fd =
            found.empty() ? -1 : ::openat(package_dir_.fd, found.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            problem = "the cabinet is not beside the package";
            return nullptr;
        }
        return system_.FileName(fd, value);
    }

    // Opens Media row `index`'s cabinet; nullptr with `problem` set.
    mscabd_cabinet* OpenCabinet(std::size_t index, std::string& problem) {
        const char* name = CabinetName(index, problem);
        if (name == nullptr) return nullptr;
        mscabd_cabinet* cabinet = cabd_->open(cabd_, name);
        if (cabinet == nullptr) problem = MspackReason(cabd_->last_error(cabd_), 0);
        return cabinet;
    }

    bool Needed(std::size_t index) const {
        for (const PlannedFile& file : plan_.files)
            if (file.selected && file.problem.empty() && file.compressed &&
                file.media == static_cast<int>(index))
                return true;
        return false;
    }

    void FailMedia(std::size_t first, std::size_t last, const std::string& reason) {
        for (const PlannedFile& file : plan_.files)
            if (file.selected && file.problem.empty() && file.compressed && file.media >= 0 &&
                static_cast<std::size_t>(file.media) >= first &&
                static_cast<std::size_t>(file.media) <= last)
                Fail(file, Where(file), reason);
    }

    void ExtractCabinets() {
        if (cabd_ == nullptr) {
            FailMedia(0, plan_.media.size(), "libmspack cannot be started");
            return;
        }
        std::size_t index = 0;
        while (index < plan_.media.size()) {
            if (!Needed(index)) {
                ++index;
                continue;
            }
            // A cabinet set: a file may run on into the next cabinet, whose
            // Media row follows. libmspack joins the set into one list of files.
            std::string problem;
            std::vector<mscabd_cabinet*> set;
            std::size_t last = index;
            if (mscabd_cabinet* first = OpenCabinet(index, problem)) {
                set.push_back(first);
                // A file of this row may have begun in the cabinets before,
                // whose rows no file needed (else their set took this one in).
                for (std::size_t before = index;
                     (set.front()->flags & MSCAB_HDR_PREVCAB) != 0 && before > 0; --before) {
                    std::string previous_problem;
                    mscabd_cabinet* previous = OpenCabinet(before - 1, previous_problem);
                    if (previous == nullptr) break;  // files that need it fail below
                    if (cabd_->prepend(cabd_, set.front(), previous) != MSPACK_ERR_OK) {
                        cabd_->close(cabd_, previous);
                        break;
                    }
                    set.insert(set.begin(), previous);
                }
                while ((set.back()->flags & MSCAB_HDR_NEXTCAB) != 0 &&
                       last + 1 < plan_.media.size()) {
                    std::string next_problem;
                    mscabd_cabinet* next = OpenCabinet(last + 1, next_problem);
                    if (next == nullptr) break;  // files that need it fail below
                    if (cabd_->append(cabd_, set.back(), next) != MSPACK_ERR_OK) {
                        cabd_->close(cabd_, next);
                        break;
                    }
                    set.push_back(next);
                    ++last;
                }
                ExtractSet(set.front(), index, last);
            } else {
                FailMedia(index, index, problem);
            }
            // Closing one cabinet of a joined set frees the whole set.
            if (!set.empty()) cabd_->close(cabd_, set.front());
            index = last + 1;
        }
    }

    void ExtractSet(mscabd_cabinet* cabinet, std::size_t first, std::size_t last) {
        std::map<std::string, const PlannedFile*> wanted;
        for (const PlannedFile& file : plan_.files)
            if (file.selected && file.problem.empty() && file.compressed && file.media >= 0 &&
                static_cast<std::size_t>(file.media) >= first &&
                static_cast<std::size_t>(file.media) <= last)
                wanted.emplace(file.key, &file);
        // In the cabinet's own order, so that each folder decompresses once
        // from its start to its end.
        for (mscabd_file* entry = cabinet->files; entry != nullptr; entry = entry->next) {
            const auto file = wanted.find(entry->filename);
            if (file == wanted.end()) continue;
            ExtractEntry(*file->second, *entry);
            wanted.erase(file);
        }
        for (const auto& [key, file] : wanted)
            Fail(*file, Where(*file), "the cabinet holds no file of that name");
    }

    void ExtractEntry(const PlannedFile& file, mscabd_file& entry) {
        std::string problem;
        const ExportFolder* folder = EnterFolder(file.path, problem);
        if (folder == nullptr) {
            Fail(file, Where(file), problem);
            return;
        }
        FolderFileWriter writer(*folder, FileName(file.path));
        if (writer.error() != 0) {
            Fail(file, Where(file), std::strerror(writer.error()));
            return;
        }
        system_.SetOutput(&writer, [this](std::uint64_t done) { Advance(done); });
        const int result = cabd_->extract(cabd_, &entry, CabinetSystem::kOutputName);
        const int write_error = system_.write_error();
        system_.SetOutput(nullptr, nullptr);
        if (result != MSPACK_ERR_OK || write_error != 0) {
            Fail(file, Where(file),
                 MspackReason(result == MSPACK_ERR_OK ? MSPACK_ERR_WRITE : result, write_error));
            return;
        }
        int error = writer.SetModified(EntryTime(entry));
        if (error == 0) error = writer.Commit();
        if (error != 0) {
            Fail(file, Where(file), std::strerror(error));
            return;
        }
        Written(file);
    }

    FilePlan& plan_;
    const ExportFolder& root_;
    diag::OutcomeSink& sink_;
    CabinetSystem system_;
    mscab_decompressor* cabd_ = nullptr;
    Descriptor package_dir_;
    CopyProgress* progress_ = nullptr;
    std::uint64_t done_before_ = 0;
    ExportFolder current_;
    std::string current_dir_;
    ExtractCounts counts_;
};

}  // namespace

std::string DefaultExtractFolder(const std::string& msi_file) {
    const std::string export_folder = ExportFolderOf(msi_file);
    return export_folder.empty() ? export_folder : FileInFolder(export_folder, kFilesFolder);
}

bool ReadPackagePlan(const std::string& msi_file, const std::vector<std::string>& patterns,
                     FilePlan& plan, diag::OutcomeSink& sink) {
    CMsiDatabase database;
    if (!database.Open(msi_file, 0)) {
        sink.Stop(kCantOpenPackage, database.GetFailureText());
        database.Shutdown();
        return false;
    }
    std::string problem;
    const bool ok = ReadFilePlan(database, plan, problem);
    database.Shutdown();
    if (!ok) {
        sink.Stop(FillMessage(kCantReadFiles, {problem}));
        return false;
    }
    SelectFiles(plan, patterns);
    return true;
}

bool RunExtract(const ExtractSettings& settings, diag::OutcomeSink& sink, CopyProgress* progress,
                ExtractCounts* counts) {
    if (settings.msi_file.empty()) return false;
    CMsiDatabase database;
    if (!database.Open(settings.msi_file, 0)) {
        sink.Stop(kCantOpenPackage, database.GetFailureText());
        database.Shutdown();
        return false;
    }
    FilePlan plan;
    std::string problem;
    if (!ReadFilePlan(database, plan, problem)) {
        sink.Stop(FillMessage(kCantReadFiles, {problem}));
        database.Shutdown();
        return false;
    }
    SelectFiles(plan, settings.patterns);

    // The default folder is one level below the export folder, which is
    // made and checked first, as Export makes it.
    ExportFolder root;
    if (settings.folder.empty()) {
        const std::string export_path = ExportFolderOf(settings.msi_file);
        ExportFolder export_folder;
        problem = export_path.empty() ? kNoTempFolder : export_folder.Make(export_path);
        if (problem.empty()) problem = root.MakeIn(export_folder, kFilesFolder);
    } else {
        problem = root.Make(settings.folder);
    }
    if (!problem.empty()) {
        sink.Stop(problem);
        database.Shutdown();
        return false;
    }

    ExtractCounts result;
    {
        Extraction extraction(database, settings, plan, root, sink, progress);
        extraction.Run();
        result = extraction.counts();
    }
    database.Shutdown();
    if (counts != nullptr) *counts = result;
    if (result.failed == 0)
        sink.Inform(FillMessage(kFilesExtracted, {std::to_string(result.written), root.path()}));
    else
        sink.Stop(FillMessage(kFilesFailed, {std::to_string(result.written), root.path(),
                                             std::to_string(result.failed)}));
    return result.failed == 0;
}

}  // namespace tablesmith
