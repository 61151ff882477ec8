#include "window/drop_files.h"

#include <cstring>

#include "window/drop_files_internal.h"

UINT DragQueryFileA(HDROP drop, UINT file, LPSTR buffer, UINT size) {
    if (drop == nullptr) return 0;
    if (file == 0xFFFFFFFFu) return static_cast<UINT>(drop->paths.size());
    if (file >= drop->paths.size()) return 0;
    const std::string& path = drop->paths[file];
    if (buffer != nullptr && size > 0) {
        const std::size_t length = std::min<std::size_t>(path.size(), size - 1);
        std::memcpy(buffer, path.data(), length);
        buffer[length] = '\0';
    }
    return static_cast<UINT>(path.size());
}

void DragFinish(HDROP /*drop*/) {}
