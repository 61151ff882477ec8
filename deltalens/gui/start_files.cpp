#include "start_files.h"

#include <filesystem>

#include "mbstring.h"

namespace deltalens::gui {

namespace {

// A patch goes into the transform field too: it stands for its transforms.
bool IsTransformName(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    return _mbsicmp(extension.c_str(), ".mst") == 0 || _mbsicmp(extension.c_str(), ".msp") == 0;
}

// As the file dialog gives paths: absolute.
std::string Absolute(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

}  // namespace

StartFiles StartFilesOf(const std::vector<std::string>& arguments) {
    if (!arguments.empty() && arguments.front() == "--view") {
        StartFiles files = StartFilesOf({arguments.begin() + 1, arguments.end()});
        files.view = true;
        return files;
    }
    StartFiles files;
    if (arguments.empty()) return files;
    if (arguments.size() == 1) {
        (IsTransformName(arguments[0]) ? files.transform : files.package) = Absolute(arguments[0]);
        return files;
    }
    const bool swapped = IsTransformName(arguments[0]) && !IsTransformName(arguments[1]);
    files.package = Absolute(arguments[swapped ? 1 : 0]);
    files.transform = Absolute(arguments[swapped ? 0 : 1]);
    return files;
}

}  // namespace deltalens::gui
