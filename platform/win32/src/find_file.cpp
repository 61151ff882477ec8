// Directory search: FindFirstFileA, FindNextFileA, FindClose.
//
// The whole folder is read and sorted when the search starts, so the order is
// the same on every file system and run (readdir's order is not), and a
// search handle is a snapshot that files made later do not disturb.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "file_info.h"
#include "path_error.h"
#include "wildcard.h"
#include "win32/files.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

struct Search {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

// The live search handles. A handle is checked against this set before use,
// so a stale or made-up handle gets ERROR_INVALID_HANDLE instead of a crash.
std::mutex g_searches_mutex;
std::set<Search*> g_searches;

bool FillEntry(const std::string& folder, const char* name, WIN32_FIND_DATAA& data) {
    std::memset(&data, 0, sizeof data);
    size_t length = std::strlen(name);
    if (length >= sizeof data.cFileName) return false;  // cannot be reported whole
    std::memcpy(data.cFileName, name, length + 1);
    std::string path = folder + "/" + name;
    struct stat st;
    // A link reports what it points to, as a Windows shortcut-free listing
    // would; a dangling one still shows up, as the link itself.
    if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) return false;
    data.dwFileAttributes = win32::AttributesOf(st);
    data.ftCreationTime = win32::FileTimeOf(st.st_ctim);
    data.ftLastAccessTime = win32::FileTimeOf(st.st_atim);
    data.ftLastWriteTime = win32::FileTimeOf(st.st_mtim);
    if (!S_ISDIR(st.st_mode)) {
        uint64_t size = static_cast<uint64_t>(st.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    return true;
}

Search* Validate(HANDLE handle) {
    std::lock_guard lock(g_searches_mutex);
    auto it = g_searches.find(static_cast<Search*>(handle));
    return it != g_searches.end() ? *it : nullptr;
}

}  // namespace

extern "C" {

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    if (lpFileName == nullptr || lpFindFileData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = lpFileName;
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : path.substr(0, slash);
    std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    if (pattern.empty()) {
        // "folder/" names no entry; Windows answers "file not found" when the
        // folder is there.
        struct stat st;
        SetLastError(stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                                           : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    // Wildcards only ever stand in the last part; Windows calls any other
    // use of them a bad name.
    if (win32::HasWildcard(folder)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }

    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        int err = errno;
        SetLastError(err == ENOENT ? ERROR_PATH_NOT_FOUND : win32::ErrorFromErrno(err));
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        if (win32::MatchesWildcard(pattern, entry->d_name)) names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());

    auto search = std::make_unique<Search>();
    for (const std::string& name : names) {
        WIN32_FIND_DATAA data;
        // An entry removed between readdir and stat is simply not reported.
        if (FillEntry(folder, name.c_str(), data)) search->entries.push_back(data);
    }
    if (search->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *lpFindFileData = search->entries[0];
    search->next = 1;
    std::lock_guard lock(g_searches_mutex);
    g_searches.insert(search.get());
    return search.release();
}

BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    Search* search = Validate(hFindFile);
    if (search == nullptr) return win32::Fail(ERROR_INVALID_HANDLE);
    if (lpFindFileData == nullptr) return win32::Fail(ERROR_INVALID_PARAMETER);
    if (search->next >= search->entries.size()) return win32::Fail(ERROR_NO_MORE_FILES);
    *lpFindFileData = search->entries[search->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    std::unique_ptr<Search> search;
    {
        std::lock_guard lock(g_searches_mutex);
        auto it = g_searches.find(static_cast<Search*>(hFindFile));
        if (it == g_searches.end()) return win32::Fail(ERROR_INVALID_HANDLE);
        search.reset(*it);
        g_searches.erase(it);
    }
    return TRUE;
}

}  // extern "C"
