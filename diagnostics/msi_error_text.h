// Installer result code -> readable text, for error reports.
#pragma once

#include <string>

#include <windows.h>

// The text for an installer result code: one of the fixed texts of the table
// (codes 0, 1601 to 1616, 1618 to 1642 and 3010), or "(<code>) " followed by
// the system's message for any other code. Never empty. For a code outside
// the table the calling thread's last error is set to the code first; codes
// of the table leave it untouched.
std::string VSB_MsiErrorText(UINT code);
