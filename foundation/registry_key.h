// CRegistryKey: one open key of the registry, with its failures reported as
// its owner chooses.
//
// The report level decides which failures are reported, and each operation
// has its own rule:
//   Open:       level above 0, or level 0 when write access (all of KEY_WRITE)
//               was asked; reported with flags 3 (a trace line).
//   ReadValue:  level above 0; reported with the level as flags.
//   WriteValue: level 0 or above; reported with the larger of level and 3.
// A negative level never reports. A level of 4 or more also traces every key
// that Open creates.
#pragma once

#include <cstdint>

#include <windows.h>

#include "s_object.h"

class CRegistryKey : public CSObject {
  public:
    explicit CRegistryKey(std::int32_t report_level);
    // Closes the key.
    ~CRegistryKey() override;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Closes the open key and forgets it; the close result, or 0 when no key
    // was open. The last result is left alone.
    LONG Close();

    // Opens `path` below `root`. When that fails and more than exactly
    // KEY_READ was asked (and the failure is not "access denied"), the key is
    // created with `options`. True when a key is open afterwards.
    bool Open(HKEY root, const char* path, REGSAM access, DWORD options);

    // RegQueryValueExA on the open key (`name` nullptr: the standard value);
    // false without a call when no key is open.
    bool ReadValue(const char* name, DWORD* type, BYTE* data, DWORD* size);
    // RegSetValueExA on the open key; false without a call when no key is open.
    bool WriteValue(const char* name, DWORD type, const BYTE* data, DWORD size);
    // A REG_SZ value of the text and its zero byte; a null text is written empty.
    bool WriteString(const char* name, const char* text);

    // The open key (nullptr when none), for the registry calls the class does
    // not wrap.
    HKEY GetKey() const { return m_hKey; }
    // The result of the last registry call, 0 for success.
    LONG GetLastResult() const { return m_lLastResult; }
    std::int32_t GetReportLevel() const { return m_nReportLevel; }

  private:
    HKEY m_hKey = nullptr;
    std::int32_t m_nReportLevel;
    LONG m_lLastResult = ERROR_SUCCESS;
};
