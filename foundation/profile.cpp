#include "profile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "error_report.h"
#include "path_functions.h"
#include "registry_key.h"

namespace {

// Lines the reports name in ProfileLib; constant so the trace line is stable.
constexpr int kWriteCheckLine = 187;
constexpr std::uint32_t kTraceOnlyNoCheck = 2;
constexpr REGSAM kDeleteSectionAccess = 0x2001F;

struct ProfileState {
    std::string location;
    HKEY root_key = nullptr;
    std::string section;
};

ProfileState& State() {
    static ProfileState state;
    return state;
}

bool RegistryMode() {
    return State().root_key != nullptr;
}

// Registry key paths use backslashes whatever the process's file path style is.
std::string SectionKeyPath() {
    const ProfileState& state = State();
    if (state.section.empty()) return state.location;
    foundation::ScopedPathStyle windows_paths(VSB_PATH_WINDOWS);
    return VSB_JoinPath(state.location, state.section);
}

// Copies the text and its zero byte, cut to the buffer; returns its length.
DWORD CopyCut(const char* text, char* buffer, DWORD size) {
    const size_t length = std::min<size_t>(std::strlen(text != nullptr ? text : ""), size - 1);
    std::memcpy(buffer, text != nullptr ? text : "", length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}

// A value read from the registry need not end in a zero byte (a string set
// without one, a DWORD); end it inside the buffer before anyone takes its length.
DWORD TerminatedLength(char* buffer, DWORD size, DWORD bytes_read) {
    if (bytes_read < size)
        buffer[bytes_read] = '\0';
    else
        buffer[size - 1] = '\0';
    return static_cast<DWORD>(strnlen(buffer, size));
}

DWORD ReadRegistryValue(CRegistryKey& key, const char* name, const char* default_text, char* buffer,
                        DWORD size) {
    DWORD type = 0;
    DWORD bytes = size;
    if (key.ReadValue(name, &type, reinterpret_cast<BYTE*>(buffer), &bytes))
        return TerminatedLength(buffer, size, bytes);
    if (key.GetLastResult() == ERROR_MORE_DATA) {
        // Too long for the buffer: cut it as the INI mode cuts a long value.
        std::vector<char> whole(bytes + 1, '\0');
        DWORD whole_size = bytes;
        if (key.ReadValue(name, &type, reinterpret_cast<BYTE*>(whole.data()), &whole_size)) {
            whole[std::min<size_t>(whole_size, whole.size() - 1)] = '\0';
            return CopyCut(whole.data(), buffer, size);
        }
    }
    // The default stays in the buffer, and the count says how long it is.
    return CopyCut(default_text, buffer, size);
}

// The names of the key's REG_SZ values, each ended by a zero byte, then a
// final zero byte; a name is taken only while it, its zero byte and the final
// zero byte all fit.
DWORD ListRegistryValueNames(HKEY key, char* buffer, DWORD size) {
    buffer[0] = '\0';
    if (size > 1) buffer[1] = '\0';
    DWORD longest = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    std::vector<char> name(longest + 1);
    DWORD used = 0;
    for (DWORD index = 0;; ++index) {
        DWORD name_size = static_cast<DWORD>(name.size());
        DWORD type = 0;
        LONG result =
            RegEnumValueA(key, index, name.data(), &name_size, nullptr, &type, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        // A name that grew since the longest one was asked is not in the
        // buffer; go on with the next one.
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) break;
        if (type != REG_SZ) continue;
        if (used + name_size + 1 < size) {
            std::memcpy(buffer + used, name.data(), name_size + 1);
            used += name_size + 1;
        }
    }
    buffer[used] = '\0';
    if (used + 1 < size) buffer[used + 1] = '\0';
    return used;
}

DWORD GetFromRegistry(const char* key, const char* default_text, char* buffer, DWORD size) {
    CRegistryKey section_key(0);
    CopyCut(default_text, buffer, size);
    if (!section_key.Open(State().root_key, SectionKeyPath().c_str(), KEY_READ, 0))
        return static_cast<DWORD>(std::strlen(buffer));
    if (key != nullptr) return ReadRegistryValue(section_key, key, default_text, buffer, size);
    return ListRegistryValueNames(section_key.GetKey(), buffer, size);
}

BOOL WriteToRegistry(const char* key, const char* value) {
    const ProfileState& state = State();
    if (key == nullptr) {
        CRegistryKey location_key(0);
        if (!location_key.Open(state.root_key, state.location.c_str(), kDeleteSectionAccess, 0))
            return 0;
        RegDeleteKeyA(location_key.GetKey(), state.section.c_str());
        return 1;
    }
    CRegistryKey section_key(0);
    if (!section_key.Open(state.root_key, SectionKeyPath().c_str(), KEY_WRITE, 0)) return 0;
    // No value deletes the setting, as it does in an INI file.
    if (value == nullptr) {
        LONG result = RegDeleteValueA(section_key.GetKey(), key);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return section_key.WriteString(key, value) ? 1 : 0;
}

}  // namespace

std::string VSB_SetProfileSection(const std::string& name) {
    State().section = name;
    return State().section;
}

DWORD VSB_GetProfileString(const char* key, const char* default_text, char* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    const ProfileState& state = State();
    if (state.location.empty()) return 0;
    if (RegistryMode()) return GetFromRegistry(key, default_text, buffer, size);
    return GetPrivateProfileStringA(state.section.empty() ? nullptr : state.section.c_str(), key,
                                    default_text, buffer, size, state.location.c_str());
}

BOOL VSB_WriteProfileString(const char* key, const char* value) {
    const ProfileState& state = State();
    if (state.location.empty() || state.section.empty()) return 0;
    if (RegistryMode()) return WriteToRegistry(key, value);
    if (WritePrivateProfileStringA(state.section.c_str(), key, value, state.location.c_str()))
        return 1;
    const DWORD error = GetLastError();
    VSB_ReportWinError(VSB_LOCATION("ProfileLib", kWriteCheckLine), 0,
                       ("Error writing to " + state.location).c_str(), error, kTraceOnlyNoCheck);
    return 0;
}

namespace foundation {

void SetProfileLocation(const std::string& location, HKEY root_key) {
    State().location = location;
    State().root_key = root_key;
}

std::string GetProfileLocation() {
    return State().location;
}

HKEY GetProfileRootKey() {
    return State().root_key;
}

std::string GetProfileSection() {
    return State().section;
}

}  // namespace foundation
