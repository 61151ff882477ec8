#include "api/string_out.h"

#include <cstring>

namespace msi::api {

UINT CopyStringOut(std::string_view text, LPSTR buffer, DWORD* size) {
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
