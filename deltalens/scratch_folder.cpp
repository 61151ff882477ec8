#include "scratch_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "file_services.h"

namespace deltalens {

ScratchFolder::ScratchFolder(const std::string& prefix, std::string& error) {
    const std::string temp = VSB_GetTempDir();
    if (temp.empty()) {
        error = "the temporary folder cannot be told";
        return;
    }
    std::string pattern = temp + "/" + prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        error = "cannot make a folder in " + temp + ": " + std::strerror(errno);
        return;
    }
    path_ = name.data();
}

ScratchFolder::~ScratchFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace deltalens
