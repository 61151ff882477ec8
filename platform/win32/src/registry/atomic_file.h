// Whole-file reads and atomic replacement, shared by the INI files and the
// registry store. Both return Windows error codes instead of throwing, so the
// API functions can hand them straight to their callers.
#pragma once

#include <string>

#include "win32/types.h"

namespace win32 {

// Reads the whole file into `bytes`. A missing file gives ERROR_FILE_NOT_FOUND
// (or ERROR_PATH_NOT_FOUND when its folder is missing) and leaves `bytes` empty.
DWORD ReadWholeFile(const std::string& path, std::string& bytes);

// Makes the folder and any missing folders above it; a folder made here gets
// mode 0700, since it holds the user's own settings.
void CreatePrivateFolder(const std::string& folder);

// Writes `bytes` to a new file beside `path`, flushes it to the disk and
// renames it over `path`, so a reader or a crash sees the old file or the new
// one and never a mix. A symbolic link at `path` is followed and its target is
// replaced. With `create_folder` the missing folders above are made with CreatePrivateFolder.
DWORD ReplaceFileAtomically(const std::string& path, const std::string& bytes, bool create_folder);

}  // namespace win32
