#include "make_transform_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "diff_command.h"
#include "message_fill.h"
#include "msi_database.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"

namespace deltalens {

namespace {

bool HasUpgradeCode(CMsiDatabase& database) {
    CMsiView view;
    if (!view.Open(&database, "SELECT `Value` FROM `Property` WHERE `Property` = 'UpgradeCode'") ||
        !view.Execute(0))
        return false;
    CMsiRecord row;
    std::string value;
    return view.Fetch(row) && row.GetString(0, value) && !value.empty();
}

// The temporary file beside the target: made here (so no one else can take
// the name), filled by the engine, removed unless it was renamed into place.
class TemporaryTransform {
  public:
    explicit TemporaryTransform(const std::string& target) {
        std::vector<char> name(target.begin(), target.end());
        const std::string suffix = ".tmp-XXXXXX";
        name.insert(name.end(), suffix.begin(), suffix.end());
        name.push_back('\0');
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            error_ = std::strerror(errno);
            return;
        }
        // The engine keeps the mode of the file it rewrites: give it the
        // one a new file gets under the umask (mkstemp makes it private).
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        path_ = name.data();
    }
    ~TemporaryTransform() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TemporaryTransform(const TemporaryTransform&) = delete;
    TemporaryTransform& operator=(const TemporaryTransform&) = delete;

    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }

    // Puts the file at `target`; "" on success, else why not. Without
    // `replace` an existing target stays (link refuses an existing name).
    std::string MoveTo(const std::string& target, bool replace) {
        if (replace) {
            if (::rename(path_.c_str(), target.c_str()) != 0) return std::strerror(errno);
        } else {
            if (::link(path_.c_str(), target.c_str()) != 0) return std::strerror(errno);
            ::unlink(path_.c_str());
        }
        path_.clear();
        return "";
    }

  private:
    std::string path_;
    std::string error_;
};

// What a file that is not a regular one is, in words.
const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "not a regular file";
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Why the transform may not go to the target (told), or false when it may.
// The kernel resolves every name, so "./x/../old.msi", a symbolic link and a
// second hard link all come out as the package's device and inode.
bool RefuseTarget(const MakeTransformSettings& settings, diag::OutcomeSink& sink) {
    const std::string& target = settings.transform;
    struct stat at_target {};
    if (::stat(target.c_str(), &at_target) == 0) {
        for (const std::string* package : {&settings.old_package, &settings.new_package}) {
            struct stat st {};
            if (::stat(package->c_str(), &st) == 0 && SameFile(st, at_target)) {
                sink.Stop(diag::FillMessage(kTransformIsPackageFormat, {target, *package}),
                          "the two names lead to one file, which the transform would replace");
                return true;
            }
        }
    }
    struct stat entry {};
    if (::lstat(target.c_str(), &entry) != 0) return false;  // nothing there
    if (!settings.replace) {
        sink.Stop(diag::FillMessage(kTransformExistsFormat, {target}),
                  "it is replaced only when asked to (--force)");
        return true;
    }
    if (!S_ISREG(entry.st_mode)) {
        sink.Stop(diag::FillMessage(kTransformNotFileFormat, {target, KindOf(entry.st_mode)}),
                  "only a regular file is replaced");
        return true;
    }
    return false;
}

}  // namespace

int DefaultValidation(bool both_have_upgrade_code) {
    return kValidateLanguage | kValidateProduct |
           (both_have_upgrade_code ? kValidateUpgradeCode : 0);
}

MakeTransformOutcome MakeTransformFile(const MakeTransformSettings& settings,
                                       diag::OutcomeSink& sink) {
    const std::string& target = settings.transform;
    if (RefuseTarget(settings, sink)) return MakeTransformOutcome::kFailed;

    CMsiDatabase old_database;
    CMsiDatabase new_database;
    for (auto [database, path] : {std::pair{&old_database, &settings.old_package},
                                  std::pair{&new_database, &settings.new_package}}) {
        if (!OpenPackage(*database, *path, sink)) return MakeTransformOutcome::kFailed;
    }
    const int validation = settings.validation.value_or(
        DefaultValidation(HasUpgradeCode(old_database) && HasUpgradeCode(new_database)));

    TemporaryTransform temporary(target);
    if (temporary.path().empty()) {
        sink.Stop(diag::FillMessage(kCantWriteTransformFormat, {target}), temporary.error());
        return MakeTransformOutcome::kFailed;
    }
    const UINT generated = new_database.GenerateTransform(old_database, temporary.path());
    if (generated == ERROR_NO_DATA) {
        sink.Stop(
            diag::FillMessage(kPackagesSameFormat, {settings.old_package, settings.new_package}));
        return MakeTransformOutcome::kSame;
    }
    if (generated != ERROR_SUCCESS) {
        sink.Stop(diag::FillMessage(kCantMakeTransformFormat,
                                    {settings.old_package, settings.new_package}),
                  new_database.GetFailureText());
        return MakeTransformOutcome::kFailed;
    }
    const UINT summarised = new_database.CreateTransformSummaryInfo(
        old_database, temporary.path(), settings.error_conditions, validation);
    if (summarised != ERROR_SUCCESS) {
        sink.Stop(diag::FillMessage(kCantWriteSummaryFormat, {target}),
                  new_database.GetFailureText());
        return MakeTransformOutcome::kFailed;
    }
    old_database.Shutdown();
    new_database.Shutdown();
    // The target may have changed while the transform was made.
    if (RefuseTarget(settings, sink)) return MakeTransformOutcome::kFailed;
    if (settings.stop_requested && settings.stop_requested()) return MakeTransformOutcome::kStopped;
    if (const std::string why = temporary.MoveTo(target, settings.replace); !why.empty()) {
        sink.Stop(diag::FillMessage(kCantWriteTransformFormat, {target}), why);
        return MakeTransformOutcome::kFailed;
    }
    return MakeTransformOutcome::kWritten;
}

}  // namespace deltalens
