// The profile: named text settings of one section at a time, kept either in
// an INI file or under a registry key.
//
// The state is process-wide: a location (the INI file's path, or the path of
// a registry key below the root key), a root key (none selects INI mode) and
// a current section. It starts empty, and the tools never set a location, so
// for them every profile call finds none and does nothing.
#pragma once

#include <string>

#include <windows.h>

// Makes `name` the current section and returns it.
std::string VSB_SetProfileSection(const std::string& name);

// Reads the setting `key` of the current section into `buffer` (`size`
// bytes), or the default when it is missing; returns the length of the text
// read. With no key: the names of the section's settings, each ended by a zero
// byte, then a final zero byte (cut so that two zero bytes end a full buffer);
// returns the length of the list before its final zero byte. The buffer is
// emptied first; with no location the result is 0.
DWORD VSB_GetProfileString(const char* key, const char* default_text, char* buffer, DWORD size);

// Writes `value` as the setting `key` of the current section; a null value
// deletes the setting, a null key deletes the whole section. Nonzero on
// success; 0 when no location or no section is set, or the write failed.
BOOL VSB_WriteProfileString(const char* key, const char* value);

namespace foundation {

// Selects where the profile lives: with `root_key` nullptr, `location` is an
// INI file; otherwise it is a key path below that root. An empty location
// switches the profile off.
void SetProfileLocation(const std::string& location, HKEY root_key);
std::string GetProfileLocation();
HKEY GetProfileRootKey();
std::string GetProfileSection();

}  // namespace foundation
