// GetPrivateProfileStringA and WritePrivateProfileStringA over IniDocument.
#include "win32/profile.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "config_folder.h"
#include "ini_document.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {

using win32::IniDocument;

// Two threads writing the same file would each read the old text and the
// second rename would drop the first one's change.
std::mutex& WriteMutex() {
    static std::mutex mutex;
    return mutex;
}

// Windows looks for a bare file name in its own folder; ours is the user's
// configuration folder.
std::string IniPath(const char* file_name, bool& in_config_folder) {
    in_config_folder = std::strchr(file_name, '/') == nullptr;
    if (!in_config_folder) return file_name;
    return win32::UserConfigFolder() + "/" + file_name;
}

// Copies a list of names, each ended by a zero byte, plus the final zero byte.
// When it does not fit, the list is cut so that two zero bytes end the buffer,
// and the result is size - 2, as Windows answers.
DWORD CopyList(const std::vector<std::string>& names, char* buffer, DWORD size) {
    std::string list;
    for (const std::string& name : names) {
        list += name;
        list += '\0';
    }
    if (list.size() + 1 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        // An empty list still ends in two zero bytes where there is room, so
        // a reader that walks to the double zero stops at once.
        if (list.empty() && size >= 2) buffer[1] = '\0';
        return static_cast<DWORD>(list.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

DWORD CopyValue(const std::string& value, char* buffer, DWORD size) {
    size_t n = value.size() < size ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

// Windows drops trailing blanks of the default text.
std::string TrimmedDefault(const char* text) {
    std::string value = text ? text : "";
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return value;
}

bool HasLineBreak(const char* s) {
    return s && (std::strchr(s, '\r') || std::strchr(s, '\n'));
}

// Texts that would read back as other lines, keys or sections (see profile.h).
bool IsWritable(const char* section, const char* key, const char* value) {
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
    if (std::strchr(section, ']')) return false;
    if (key) {
        if (std::strchr(key, '=')) return false;
        const char* first = key + std::strspn(key, " \t");
        if (*first == '[' || *first == ';') return false;
    }
    return true;
}

}  // namespace

extern "C" DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                          LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    if (lpReturnedString == nullptr || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lpFileName == nullptr) {
        lpReturnedString[0] = '\0';
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    bool in_config_folder = false;
    std::string path = IniPath(lpFileName, in_config_folder);
    std::string bytes;
    DWORD error = win32::ReadWholeFile(path, bytes);
    // A missing or unreadable file reads as an empty one; the last error
    // tells the caller why, as on Windows.
    SetLastError(error);
    IniDocument doc(bytes);

    if (lpAppName == nullptr) return CopyList(doc.SectionNames(), lpReturnedString, nSize);
    if (lpKeyName == nullptr) return CopyList(doc.KeyNames(lpAppName), lpReturnedString, nSize);
    std::optional<std::string> value = doc.Value(lpAppName, lpKeyName);
    return CopyValue(value ? *value : TrimmedDefault(lpDefault), lpReturnedString, nSize);
}

extern "C" BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                           LPCSTR lpFileName) {
    if (lpFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpAppName == nullptr) {
        // All three missing asks Windows to flush its cache; we keep none.
        if (lpKeyName == nullptr && lpString == nullptr) return TRUE;
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsWritable(lpAppName, lpKeyName, lpString)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    bool in_config_folder = false;
    std::string path = IniPath(lpFileName, in_config_folder);
    std::lock_guard<std::mutex> lock(WriteMutex());
    std::string bytes;
    DWORD error = win32::ReadWholeFile(path, bytes);
    if (error == ERROR_PATH_NOT_FOUND && in_config_folder) error = ERROR_FILE_NOT_FOUND;
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
        SetLastError(error);
        return FALSE;
    }
    IniDocument doc(bytes);
    bool changed;
    if (lpKeyName == nullptr)
        changed = doc.DeleteSection(lpAppName);
    else if (lpString == nullptr)
        changed = doc.DeleteKey(lpAppName, lpKeyName);
    else
        changed = doc.SetValue(lpAppName, lpKeyName, lpString);
    if (!changed) return TRUE;

    error = win32::ReplaceFileAtomically(path, doc.Text(), in_config_folder);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
