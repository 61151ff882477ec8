// How cabinet streams and cabinet files of the export folder name each
// other. Export writes a cabinet under its stream's name in lower case, while
// a Media row names it as the stream is spelled; on a file system that tells
// case apart, the row must name the file as it really is. Streams whose names
// differ only in case would share one lower-cased file, and the later would
// silently replace the earlier: those keep their own spelling instead.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tablesmith {

// The file name of each cabinet stream (stream name -> file name). A stream
// gets its name in lower case, unless another stream of the list claims that
// name first: a stream already spelled in lower case claims it before all
// others, else the first in the list does. The others keep their spelling,
// which no other stream has, so every stream gets a file of its own.
std::map<std::string, std::string> CabinetFileNames(const std::vector<std::string>& stream_names);

// `name` when a file of exactly that name is in `folder`; else the file of
// its lower-cased name (where Export wrote it); else a file there that equals
// it without regard to ASCII letter case (the first in byte order when
// several do); "" when none does.
std::string FindCabinetFile(const std::string& folder, const std::string& name);

// The folder holds a cabinet file: an entry "*.cab" (any case) or a file
// that begins with the cabinet signature "MSCF" (an internal cabinet whose
// stream was named otherwise, such as "_1234_module.msm").
bool HoldsCabinetFile(const std::string& folder);

}  // namespace tablesmith
