// Hands a string out through the installer's buffer protocol, shared by every
// string getter of the interface (records, summary information, view errors,
// product properties).
#pragma once

#include <cstring>
#include <string_view>

#include "msi.h"

namespace msi::api {

// On entry *size is the buffer's capacity in CHAR units. On return *size is
// the string's length without the terminator. When the buffer holds the
// string and its terminator, the string is copied and ERROR_SUCCESS returned;
// otherwise as much as fits is copied, terminated, and ERROR_MORE_DATA returned.
// Without a buffer only the length is reported (ERROR_SUCCESS). A null size
// pointer gives ERROR_INVALID_PARAMETER. Inline: a scan hands out every
// string cell through it.
inline UINT CopyStringOut(std::string_view text, LPSTR buffer, DWORD* size) {
    if (!size) return ERROR_INVALID_PARAMETER;
    const DWORD capacity = *size;
    *size = static_cast<DWORD>(text.size());
    if (!buffer) return ERROR_SUCCESS;
    if (capacity > text.size()) {
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = '\0';
        return ERROR_SUCCESS;
    }
    if (capacity > 0) {
        std::memcpy(buffer, text.data(), capacity - 1);
        buffer[capacity - 1] = '\0';
    }
    return ERROR_MORE_DATA;
}

}  // namespace msi::api
