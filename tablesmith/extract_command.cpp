#include "extract_command.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

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

// What the files of one piece of work came to: failures in the order they
// arose, and counts. Pieces done on other threads are told in the order one
// thread would have done them, so that the output does not depend on which
// thread finished first.
struct Report {
    std::vector<std::string> failures;
    int written = 0;
    int failed = 0;
};

// What one thread extracts with: its own cabinet system and decompressor
// (libmspack keeps the state of the folder being decompressed there), the
// folder it wrote into last, and where its failures go.
struct Lane {
    Lane(CMsiDatabase& database, std::mutex& engine) : system(database, engine) {
        cabd = mspack_create_cab_decompressor(system.system());
    }
    ~Lane() {
        if (cabd != nullptr) mspack_destroy_cab_decompressor(cabd);
    }
    Lane(const Lane&) = delete;
    Lane& operator=(const Lane&) = delete;

    CabinetSystem system;
    mscab_decompressor* cabd = nullptr;
    ExportFolder folder;
    std::string folder_path;
    Report* report = nullptr;
    // Of the file being written, the bytes the progress counts already.
    std::uint64_t in_file = 0;
    // On the caller's thread, which alone shows progress.
    bool on_caller = false;
};

// A cabinet set to extract: the one Media row `index` names and those joined
// to it, up to row `last`.
struct CabinetTask {
    std::size_t index = 0;
    std::size_t last = 0;
    Report report;
    bool done = false;
};

class Extraction {
  public:
    Extraction(CMsiDatabase& database, const ExtractSettings& settings, FilePlan& plan,
               const ExportFolder& root, diag::OutcomeSink& sink, CopyProgress* progress)
        : database_(database), plan_(plan), root_(root), sink_(sink) {
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
        if (progress_ != nullptr) progress_->End();
    }

    void Run() {
        Lane lane(database_, engine_);
        lane.on_caller = true;
        for (const PathClash& clash : plan_.clashes)
            if (Selected(clash.second))
                sink_.Warn(FillMessage(kPathClash, {clash.first, clash.second, clash.second_path}));
        Report report;
        lane.report = &report;
        for (const PlannedFile& file : plan_.files) {
            if (!file.selected) continue;
            if (!file.problem.empty()) {
                Fail(lane, file, Where(file), file.problem);
            } else if (!file.compressed) {
                CopyUncompressed(lane, file);
            } else if (file.media < 0) {
                Fail(lane, file, "the package", "no Media row covers its sequence number");
            }
        }
        Tell(report);
        ExtractCabinets(lane);
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

    // On the caller's thread only.
    void Tell(const Report& report) {
        for (const std::string& failure : report.failures) sink_.Stop(failure);
        counts_.written += report.written;
        counts_.failed += report.failed;
    }

    void Fail(Lane& lane, const PlannedFile& file, const std::string& where,
              const std::string& reason) {
        ++lane.report->failed;
        lane.report->failures.push_back(FillMessage(kFileNotExtracted, {file.key, where, reason}));
        done_ -= lane.in_file;
        lane.in_file = 0;
    }

    // The progress counts a written file at its size in the File table.
    void Written(Lane& lane, const PlannedFile& file) {
        ++lane.report->written;
        done_ += static_cast<std::uint64_t>(file.size) - lane.in_file;
        lane.in_file = 0;
        if (lane.on_caller) ShowProgress();
    }

    void Advance(Lane& lane, std::uint64_t in_file) {
        done_ += in_file - lane.in_file;
        lane.in_file = in_file;
        if (lane.on_caller) ShowProgress();
    }

    // On the caller's thread only: the progress window of the dialogs
    // belongs to it.
    void ShowProgress() {
        if (progress_ == nullptr) return;
        const std::uint64_t done = done_;
        if (done == shown_) return;
        shown_ = done;
        progress_->Advance(done);
    }

    // The folder of `path` below the root, each level made where missing
    // and entered through its parent's descriptor; nullptr with `problem`.
    // Files come in folder order mostly, so the last folder is kept open.
    const ExportFolder* EnterFolder(Lane& lane, const std::string& path, std::string& problem) {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos) return &root_;
        const std::string dir = path.substr(0, slash);
        if (lane.folder.is_open() && dir == lane.folder_path) return &lane.folder;
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
        lane.folder = std::move(level);
        lane.folder_path = dir;
        return &lane.folder;
    }

    static std::string FileName(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    void CopyUncompressed(Lane& lane, const PlannedFile& file) {
        std::string problem;
        if (package_dir_.fd < 0 || file.source_path.empty()) {
            Fail(lane, file, Where(file), "the package's folder cannot be read");
            return;
        }
        Descriptor source(OpenBelow(package_dir_.fd, file.source_path, problem));
        if (source.fd < 0) {
            Fail(lane, file, Where(file), problem);
            return;
        }
        const ExportFolder* folder = EnterFolder(lane, file.path, problem);
        if (folder == nullptr) {
            Fail(lane, file, Where(file), problem);
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
            Advance(lane, done);
        }
        struct stat st {};
        if (error == 0 && ::fstat(source.fd, &st) == 0) error = writer.SetModified(st.st_mtime);
        if (error == 0) error = writer.Commit();
        if (error != 0) {
            Fail(lane, file, Where(file), std::strerror(error));
            return;
        }
        Written(lane, file);
    }

    // The name libmspack opens Media row `index`'s cabinet by; "" with
    // `problem` set when the cabinet is not there.
    const char* CabinetName(Lane& lane, std::size_t index, std::string& problem) {
        const std::string& value = plan_.media[index].cabinet;
        if (value.empty()) {
            problem = "its Media row names no cabinet";
            return nullptr;
        }
        if (NamesInternalCabinet(value)) return lane.system.StreamName(value.substr(1));
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
        return lane.system.FileName(fd, value);
    }

    // Opens Media row `index`'s cabinet; nullptr with `problem` set.
    mscabd_cabinet* OpenCabinet(Lane& lane, std::size_t index, std::string& problem) {
        const char* name = CabinetName(lane, index, problem);
        if (name == nullptr) return nullptr;
        mscabd_cabinet* cabinet = lane.cabd->open(lane.cabd, name);
        if (cabinet == nullptr) problem = MspackReason(lane.cabd->last_error(lane.cabd), 0);
        return cabinet;
    }

    bool Needed(std::size_t index) const {
        for (const PlannedFile& file : plan_.files)
            if (file.selected && file.problem.empty() && file.compressed &&
                file.media == static_cast<int>(index))
                return true;
        return false;
    }

    void FailMedia(Lane& lane, std::size_t first, std::size_t last, const std::string& reason) {
        for (const PlannedFile& file : plan_.files)
            if (file.selected && file.problem.empty() && file.compressed && file.media >= 0 &&
                static_cast<std::size_t>(file.media) >= first &&
                static_cast<std::size_t>(file.media) <= last)
                Fail(lane, file, Where(file), reason);
    }

    // A cabinet set: a file may run on into the next cabinet, whose Media row
    // follows. libmspack joins the set into one list of files. Opens the set
    // that Media row `index` needs, joining no row after `limit`, into `set`
    // (left empty, with `problem` set, when the row's own cabinet cannot be
    // opened); the last row joined.
    std::size_t OpenSet(Lane& lane, std::size_t index, std::size_t limit,
                        std::vector<mscabd_cabinet*>& set, std::string& problem) {
        mscab_decompressor* cabd = lane.cabd;
        std::size_t last = index;
        mscabd_cabinet* first = OpenCabinet(lane, index, problem);
        if (first == nullptr) return last;
        set.push_back(first);
        // A file of this row may have begun in the cabinets before, whose
        // rows no file needed (else their set took this one in).
        for (std::size_t before = index;
             (set.front()->flags & MSCAB_HDR_PREVCAB) != 0 && before > 0; --before) {
            std::string previous_problem;
            mscabd_cabinet* previous = OpenCabinet(lane, before - 1, previous_problem);
            if (previous == nullptr) break;  // files that need it fail later
            if (cabd->prepend(cabd, set.front(), previous) != MSPACK_ERR_OK) {
                cabd->close(cabd, previous);
                break;
            }
            set.insert(set.begin(), previous);
        }
        while ((set.back()->flags & MSCAB_HDR_NEXTCAB) != 0 && last + 1 < plan_.media.size() &&
               last < limit) {
            std::string next_problem;
            mscabd_cabinet* next = OpenCabinet(lane, last + 1, next_problem);
            if (next == nullptr) break;  // files that need it fail later
            if (cabd->append(cabd, set.back(), next) != MSPACK_ERR_OK) {
                cabd->close(cabd, next);
                break;
            }
            set.push_back(next);
            ++last;
        }
        return last;
    }

    // The sets to extract, in the order of their Media rows: each set is
    // opened here once to learn which rows it joins (a cabinet's header
    // says whether a file runs on into the next), then closed again. Each
    // set has a lane of its own, here and when it is extracted, so that the
    // descriptors of external cabinets are closed with it.
    std::vector<CabinetTask> PlanSets() {
        std::vector<CabinetTask> tasks;
        std::size_t index = 0;
        while (index < plan_.media.size()) {
            if (!Needed(index)) {
                ++index;
                continue;
            }
            CabinetTask& task = tasks.emplace_back();
            task.index = task.last = index;
            Lane lane(database_, engine_);
            lane.report = &task.report;
            std::string problem = "libmspack cannot be started";
            std::vector<mscabd_cabinet*> set;
            if (lane.cabd != nullptr)
                task.last = OpenSet(lane, index, plan_.media.size(), set, problem);
            if (set.empty()) {
                FailMedia(lane, index, index, problem);
                task.done = true;
            } else {
                // Closing one cabinet of a joined set frees the whole set.
                lane.cabd->close(lane.cabd, set.front());
            }
            index = task.last + 1;
        }
        return tasks;
    }

    void ExtractTask(CabinetTask& task, bool on_caller) {
        Lane lane(database_, engine_);
        lane.on_caller = on_caller;
        lane.report = &task.report;
        if (lane.cabd == nullptr) {
            FailMedia(lane, task.index, task.last, "libmspack cannot be started");
            return;
        }
        std::string problem;
        std::vector<mscabd_cabinet*> set;
        OpenSet(lane, task.index, task.last, set, problem);
        if (set.empty()) {
            FailMedia(lane, task.index, task.index, problem);
            return;
        }
        // The rows the set was planned with: should it join fewer now, the
        // files of the rest fail as missing from it rather than go untold.
        ExtractSet(lane, set.front(), task.index, task.last);
        lane.cabd->close(lane.cabd, set.front());
    }

    // Whether a file's path is a folder of another file's path: whichever
    // comes first is written, and the other fails. One thread keeps that
    // choice to the order of the files, as it is told.
    bool FileWhereAFolderGoes() const {
        std::unordered_set<std::string> folders;
        for (const PlannedFile& file : plan_.files) {
            if (!file.selected || !file.problem.empty()) continue;
            for (std::size_t slash = file.path.find('/'); slash != std::string::npos;
                 slash = file.path.find('/', slash + 1))
                folders.insert(file.path.substr(0, slash));
        }
        for (const PlannedFile& file : plan_.files)
            if (file.selected && file.problem.empty() && folders.count(file.path) != 0) return true;
        return false;
    }

    // Sets share nothing but the package they are read from, so they are
    // decompressed and written on as many threads as the processor runs at
    // once: writing the files costs as much processor time as decompressing
    // them, and one thread leaves the other cores idle.
    void ExtractCabinets(Lane& lane) {
        if (lane.cabd == nullptr) {
            Report report;
            lane.report = &report;
            FailMedia(lane, 0, plan_.media.size(), "libmspack cannot be started");
            Tell(report);
            return;
        }
        std::vector<CabinetTask> tasks = PlanSets();
        std::size_t pending = 0;
        for (const CabinetTask& task : tasks)
            if (!task.done) ++pending;
        const std::size_t threads =
            FileWhereAFolderGoes()
                ? 1
                : std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), pending);

        std::mutex mutex;
        std::condition_variable finished;
        std::size_t next = 0;
        auto work = [&] {
            for (;;) {
                CabinetTask* task = nullptr;
                {
                    const std::lock_guard lock(mutex);
                    while (next < tasks.size() && tasks[next].done) ++next;
                    if (next == tasks.size()) break;
                    task = &tasks[next++];
                }
                ExtractTask(*task, false);
                {
                    const std::lock_guard lock(mutex);
                    task->done = true;
                }
                finished.notify_all();
            }
        };
        std::vector<std::thread> pool;
        if (threads > 1) {
            try {
                for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);
            } catch (const std::system_error&) {
                // Fewer threads than asked for; those started take the sets.
            }
        }
        if (pool.empty()) {
            for (CabinetTask& task : tasks) {
                if (!task.done) ExtractTask(task, true);
                Tell(task.report);
            }
            return;
        }
        std::unique_lock lock(mutex);
        for (std::size_t told = 0; told < tasks.size();) {
            if (tasks[told].done) {
                lock.unlock();
                Tell(tasks[told].report);
                ++told;
                lock.lock();
                continue;
            }
            finished.wait_for(lock, std::chrono::milliseconds(100));
            lock.unlock();
            ShowProgress();
            lock.lock();
        }
        lock.unlock();
        for (std::thread& thread : pool) thread.join();
        ShowProgress();
    }

    void ExtractSet(Lane& lane, mscabd_cabinet* cabinet, std::size_t first, std::size_t last) {
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
            ExtractEntry(lane, *file->second, *entry);
            wanted.erase(file);
        }
        for (const auto& [key, file] : wanted)
            Fail(lane, *file, Where(*file), "the cabinet holds no file of that name");
    }

    void ExtractEntry(Lane& lane, const PlannedFile& file, mscabd_file& entry) {
        std::string problem;
        const ExportFolder* folder = EnterFolder(lane, file.path, problem);
        if (folder == nullptr) {
            Fail(lane, file, Where(file), problem);
            return;
        }
        FolderFileWriter writer(*folder, FileName(file.path));
        if (writer.error() != 0) {
            Fail(lane, file, Where(file), std::strerror(writer.error()));
            return;
        }
        lane.system.SetOutput(&writer, [this, &lane](std::uint64_t done) { Advance(lane, done); });
        mscab_decompressor* cabd = lane.cabd;
        const int result = cabd->extract(cabd, &entry, CabinetSystem::kOutputName);
        const int write_error = lane.system.write_error();
        lane.system.SetOutput(nullptr, nullptr);
        if (result != MSPACK_ERR_OK || write_error != 0) {
            Fail(lane, file, Where(file),
                 MspackReason(result == MSPACK_ERR_OK ? MSPACK_ERR_WRITE : result, write_error));
            return;
        }
        int error = writer.SetModified(EntryTime(entry));
        if (error == 0) error = writer.Commit();
        if (error != 0) {
            Fail(lane, file, Where(file), std::strerror(error));
            return;
        }
        Written(lane, file);
    }

    CMsiDatabase& database_;
    // Every call into the engine, from whichever thread, holds this.
    std::mutex engine_;
    FilePlan& plan_;
    const ExportFolder& root_;
    diag::OutcomeSink& sink_;
    Descriptor package_dir_;
    CopyProgress* progress_ = nullptr;
    // Bytes written so far, of every thread; shown_ is what progress last told.
    std::atomic<std::uint64_t> done_{0};
    std::uint64_t shown_ = 0;
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
