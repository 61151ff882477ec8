#include "working_copy_name.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "path_functions.h"

namespace installer {

namespace {

// Enough for any number of copies made in one second by one machine.
constexpr int kMaxSuffix = 9999;

}  // namespace

std::string CreateUniqueTimeNamedFile(const std::string& folder, const std::string& prefix,
                                      std::int32_t seconds) {
    if (folder.empty()) return std::string();
    const std::string stem = prefix + std::to_string(seconds);
    for (int suffix = 0; suffix <= kMaxSuffix; ++suffix) {
        const std::string name =
            suffix == 0 ? stem + ".tmp" : stem + "-" + std::to_string(suffix) + ".tmp";
        const std::string path = VSB_MakePath(folder, name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return std::string();
    }
    return std::string();
}

}  // namespace installer
