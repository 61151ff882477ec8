// The program's own file, the temporary folder and a test for files or
// patterns, over the platform's base services.
#pragma once

#include <cstddef>
#include <string>

// The platform hands these paths over in buffers of this many bytes, the
// terminator included. A longer path is refused (an empty result) rather than
// cut: a shortened folder name would point somewhere else.
inline constexpr std::size_t VSB_PATH_BUFFER = 512;

// Full path of the running program's executable; empty when it cannot be told.
std::string VSB_GetModuleFileName();

// The user's temporary folder ($TMPDIR, else /tmp) without a trailing
// separator; empty when the platform cannot tell it or it is too long.
// Callers must treat an empty result as a failure: joining a name to it would
// name a file in the root folder.
std::string VSB_GetTempDir();

// True when a file of this name exists (a directory of the name does not
// count), or when anything at all, directories included, matches a pattern
// with "*" or "?". Names holding a double quote are never valid and give false.
// The name goes to the file system as it is, so it must be a native path.
bool VSB_FileExists(const std::string& name);
