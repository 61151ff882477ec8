// The export folder of a package: the temporary folder, a separator and the
// package title (its file name without folder and without its last
// extension). Export fills it and Generate reads it back; the two commands
// meet only there. Two packages of one name in different folders therefore
// share one export folder.
//
// The folder's name can be guessed by anyone on the machine, so it is only
// used when it is a real folder (not a link) of the user's own that no one
// else may write to; what is written there replaces files whole under their
// names and never writes through a link left there.
#pragma once

#include <string>

namespace tablesmith {

// "my.pkg.msi" -> "my.pkg"; "" for a path without a file name.
std::string PackageTitle(const std::string& msi_file);

// The folder name for a title. A title that would name no folder of its own
// ("", ".", "..": the packages ".msi", "..msi" and "...msi") gets a "_" in
// front, and each separator ("/" or "\") becomes "_", so the export folder
// is always one new level below the temporary folder.
std::string ExportFolderName(const std::string& title);

// The export folder of `msi_file`, or "" when the temporary folder cannot be
// told (joining a title to an empty folder would name a folder in the root).
std::string ExportFolderOf(const std::string& msi_file);

// `name` in `folder`, joined exactly: nothing is added, dropped or trimmed.
std::string FileInFolder(const std::string& folder, const std::string& name);

// "" when `folder` may take the export's files: it exists, is a folder and
// not a link, belongs to the user, and no one else may write to it unless
// the sticky bit keeps them from replacing what is there. Otherwise the
// message that tells the user why not; for a missing folder, the one that
// asks for an export first.
std::string CheckExportFolder(const std::string& folder);

// Makes the folder when it is missing (one level, mode 0700 unless the
// umask is stricter), then checks it as above. `created` tells whether it
// was made here, so that a command that fails before writing anything can
// take it away again.
std::string MakeExportFolder(const std::string& folder, bool* created = nullptr);

// The temporary name a file of the folder is written under before it is
// renamed into place ("<name>.tmp-" and six characters); such names are
// never taken for finished files.
bool IsUnfinishedFileName(const std::string& name);

}  // namespace tablesmith
