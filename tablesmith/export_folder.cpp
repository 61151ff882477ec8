#include "export_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_services.h"
#include "messages.h"
#include "path_functions.h"

namespace tablesmith {

namespace {

// What unfinished files end in: ".tmp-" and the six characters mkstemp puts
// for its "XXXXXX".
constexpr const char kUnfinishedMark[] = ".tmp-";
constexpr std::size_t kUnfinishedMarkSize = sizeof kUnfinishedMark - 1;
constexpr std::size_t kUniqueSize = 6;

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

std::string CheckExportFolder(const std::string& folder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        if (errno == ENOENT) return kExportFirst;
        return FillMessage(kCantUseFolder, {folder, std::strerror(errno)});
    }
    return CheckFolderStat(folder, st);
}

std::string MakeExportFolder(const std::string& folder, bool* created) {
    if (created != nullptr) *created = false;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0) return CheckFolderStat(folder, st);
    // The mode asks for 0700; mkdir applies the umask on top, so a stricter
    // umask still has its way.
    if (::mkdir(folder.c_str(), 0700) != 0) {
        // Someone made it since the look above: check what is there now.
        if (errno == EEXIST) return CheckExportFolder(folder);
        return FillMessage(kCantCreateFolder, {folder, std::strerror(errno)});
    }
    if (created != nullptr) *created = true;
    return CheckExportFolder(folder);
}

bool IsUnfinishedFileName(const std::string& name) {
    const std::size_t tail = kUnfinishedMarkSize + kUniqueSize;
    return name.size() > tail &&
           name.compare(name.size() - tail, kUnfinishedMarkSize, kUnfinishedMark) == 0;
}

}  // namespace tablesmith
