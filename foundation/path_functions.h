// Building, splitting and testing paths, in the current path style
// (path_style.h). The names say "backslash" because the functions were first
// written for Windows paths; in the native style the same rules apply to "/",
// and drive letters and server shares do not exist.
//
// All searches go by whole characters (text_functions.h), so the second byte
// of a double-byte character never counts as a separator, colon or dot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "path_style.h"

// Flags returned by VSB_SplitPath.
enum : std::uint32_t {
    VSB_SPLIT_HAS_EXT = 1,   // the extension is not empty
    VSB_SPLIT_HAS_NAME = 2,  // there is a file name before the extension
    VSB_SPLIT_HAS_DIR = 4,   // there is a folder part
    VSB_SPLIT_WILDCARD = 8,  // the name or extension holds "*" or "?"
};

// The longest part VSB_SplitPath delivers. A path with a longer folder, name
// or extension is refused as a whole (flags 0, empty parts): a part cut short
// would name another file, which is worse than naming none.
inline constexpr std::size_t VSB_MAX_SPLIT_PART = 512;

// \\server\share...: two separators, a server name and a further separator.
// Windows style only; a native path is never a server share. False for nullptr.
bool VSB_IsUncPath(const char* text);
inline bool VSB_IsUncPath(const std::string& text) {
    return VSB_IsUncPath(text.c_str());
}

// True for a path that starts with an environment variable ("%") or with ".\",
// for a server share, and for a drive letter with colon and separator (Windows
// style) or a leading "/" (native style). False for nullptr and "".
bool VSB_IsAbsolutePath(const char* text);
inline bool VSB_IsAbsolutePath(const std::string& text) {
    return VSB_IsAbsolutePath(text.c_str());
}

// Drops trailing white space and makes the folder end in one separator; an
// empty folder becomes a lone separator.
std::string VSB_AddTrailingBackslash(const std::string& folder);
// Drops trailing white space and one trailing separator, except from a root
// ("C:\" in Windows style, "/" natively), which keeps it.
std::string VSB_StripTrailingBackslash(const std::string& folder);
// The same in a given style, for paths whose style is known whatever the
// process has chosen (the platform's own paths are always native).
std::string VSB_StripTrailingBackslash(const std::string& folder, VSB_PathStyle style);

// The folder with a trailing separator, then the name without one leading separator.
std::string VSB_JoinPath(const std::string& folder, const std::string& name);

// A file of `name` in `folder`. An absolute name (or one with a drive) is cut
// to what follows its last separator, or its drive colon. With an extension,
// a dot (unless the extension has one) and the extension are appended; without
// one, a name that holds no dot gets a single dot.
std::string VSB_MakePath(const std::string& folder, const std::string& name,
                         const char* extension = nullptr);

// Splits a path into folder (with its ending separator or drive colon), name and
// extension (with its dot); each output may be nullptr. Returns VSB_SPLIT_* flags.
std::uint32_t VSB_SplitPath(const char* path, std::string* folder = nullptr,
                            std::string* name = nullptr, std::string* extension = nullptr);
inline std::uint32_t VSB_SplitPath(const std::string& path, std::string* folder = nullptr,
                                   std::string* name = nullptr, std::string* extension = nullptr) {
    return VSB_SplitPath(path.c_str(), folder, name, extension);
}
