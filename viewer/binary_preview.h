// What the viewer shows of a binary cell: a hex dump with the bytes as text
// beside it, of at most the first kPreviewBytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace viewer {

inline constexpr std::size_t kPreviewBytes = 64 * 1024;

// Lines of 16 bytes: offset, the bytes in hex, then the printable ASCII
// ones ('.' for the rest), as "00000010  41 42 ...  |AB..|".
std::string HexPreview(std::string_view bytes);

}  // namespace viewer
