#include "export_folder.h"

#include "file_services.h"
#include "path_functions.h"

namespace tablesmith {

std::string PackageTitle(const std::string& msi_file) {
    std::string title;
    VSB_SplitPath(msi_file, nullptr, &title, nullptr);
    return title;
}

std::string ExportFolderOf(const std::string& msi_file) {
    const std::string temp_dir = VSB_GetTempDir();
    if (temp_dir.empty()) return std::string();
    return VSB_JoinPath(temp_dir, PackageTitle(msi_file));
}

}  // namespace tablesmith
