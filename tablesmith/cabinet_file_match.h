// Which file of the export folder a rewritten Media row must name. Export
// writes a cabinet under its stream's name in lower case, while the Media
// row names it as the stream is spelled; on a file system that tells case
// apart, the row must name the file as it really is.
#pragma once

#include <string>

namespace tablesmith {

// `name` when a file of exactly that name is in `folder`; otherwise the name
// of a file there that equals it without regard to ASCII letter case (the
// first in byte order when several do); "" when none does.
std::string FindCabinetFile(const std::string& folder, const std::string& name);

}  // namespace tablesmith
