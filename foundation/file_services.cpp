#include "file_services.h"

#include <windows.h>

#include "path_functions.h"

namespace {

// Returns the text the platform wrote into a buffer of VSB_PATH_BUFFER bytes,
// or an empty string when it did not fit (the platform then reports the size
// it needed, or fills the whole buffer).
template <typename Call>
std::string ReadFixedBuffer(Call call) {
    char buffer[VSB_PATH_BUFFER] = {};
    const DWORD length = call(static_cast<DWORD>(sizeof buffer), buffer);
    if (length == 0 || length >= sizeof buffer) return std::string();
    return std::string(buffer, length);
}

}  // namespace

std::string VSB_GetModuleFileName() {
    return ReadFixedBuffer(
        [](DWORD size, char* buffer) { return GetModuleFileNameA(nullptr, buffer, size); });
}

std::string VSB_GetTempDir() {
    const std::string folder =
        ReadFixedBuffer([](DWORD size, char* buffer) { return GetTempPathA(size, buffer); });
    // The platform hands out a native path, so its separator is stripped with
    // the native rules whatever style the caller has chosen.
    return VSB_StripTrailingBackslash(folder, VSB_PATH_NATIVE);
}

bool VSB_FileExists(const std::string& name) {
    // Quotes, "*" and "?" are below 0x40, where no code page we support puts the
    // second byte of a character, so looking for them byte by byte is safe.
    if (name.find('"') != std::string::npos) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(name.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    if (name.find_first_of("*?") != std::string::npos) return true;
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
