// The export folder of a package: the temporary folder, a separator and the
// package title (its file name without folder and without its last
// extension). Export fills it and Generate reads it back; the two commands
// meet only there. Two packages of one name in different folders therefore
// share one export folder.
#pragma once

#include <string>

namespace tablesmith {

// "my.pkg.msi" -> "my.pkg"; "" for a path without a file name.
std::string PackageTitle(const std::string& msi_file);

// The export folder of `msi_file`, or "" when the temporary folder cannot be
// told (joining a title to an empty folder would name a folder in the root).
std::string ExportFolderOf(const std::string& msi_file);

}  // namespace tablesmith
