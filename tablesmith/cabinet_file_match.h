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

#include "export_folder.h"

namespace tablesmith {

// The file name of each cabinet stream (stream name -> file name). A stream
// gets its name in lower case, unless another stream of the list claims that
// name first: a stream already spelled in lower case claims it before all
// others, else the first in the list does. The others keep their spelling,
// which no other stream has, so every stream gets a file of its own.
std::map<std::string, std::string> CabinetFileNames(const std::vector<std::string>& stream_names);

// `name` when an entry of exactly that name is in `folder`; else the entry
// of its lower-cased name (where Export wrote it); else an entry there that
// equals it without regard to ASCII letter case (the first in byte order
// when several do); "" when none does. Folders and unfinished files
// (IsUnfinishedFileName) never count; links and other entries that are no
// regular file do, so that WholeCabinetProblem can name them.
std::string FindCabinetFile(const ExportFolder& folder, const std::string& name);

// The folder holds a cabinet file: a regular file (not a link, not an
// unfinished file) named "*.cab" (any case) or beginning with the cabinet
// signature "MSCF" (an internal cabinet whose stream was named otherwise,
// such as "_1234_module.msm").
bool HoldsCabinetFile(const ExportFolder& folder);

// "" when the file `name` of `folder` is a whole cabinet: a regular file, not a link,
// that begins with a cabinet header whose size field equals the file's size.
// Otherwise the reason it is not, as the second line of kCantUseCab. A cut
// cabinet would only fail at install time, far from its cause.
std::string WholeCabinetProblem(const ExportFolder& folder, const std::string& name);

}  // namespace tablesmith
