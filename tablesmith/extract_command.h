// The Extract command: the files a package installs, written under the
// folders and names the installer would give them (file_plan.h,
// install_names.h), their bytes taken from the package's cabinets (embedded
// in _Streams or beside the package, found without regard to letter case)
// or, for files stored uncompressed, from the source tree beside it.
//
// Into the export folder's "files" folder, or a folder the caller names;
// either is made (0700) or checked as Export's folder is, and every level
// below it is made and entered through descriptors, never through a link.
// Each file is written under a temporary name as it is decompressed and
// renamed into place when whole, with the time its cabinet entry gives.
// A file that fails (a missing or cut cabinet, a bad checksum, a file the
// cabinet lacks, a refused name) is told with its key, its cabinet and the
// reason, and the others go on; the end tells how many were written and
// how many failed.
#pragma once

#include <string>
#include <vector>

#include "copy_progress.h"
#include "file_plan.h"
#include "outcome.h"

namespace tablesmith {

struct ExtractSettings {
    std::string msi_file;
    // Where the files go; "" for the "files" folder of the export folder.
    std::string folder = {};
    // Shell wildcards over File keys and paths; empty for every file.
    std::vector<std::string> patterns = {};
};

struct ExtractCounts {
    int written = 0;
    int failed = 0;
};

// The folder the files go to when the caller names none.
std::string DefaultExtractFolder(const std::string& msi_file);

// The plan of the package with the selection applied; false (and a stop
// message) when the package or its tables cannot be read.
bool ReadPackagePlan(const std::string& msi_file, const std::vector<std::string>& patterns,
                     FilePlan& plan, diag::OutcomeSink& sink);

// True when every selected file was written.
bool RunExtract(const ExtractSettings& settings, diag::OutcomeSink& sink,
                CopyProgress* progress = nullptr, ExtractCounts* counts = nullptr);

}  // namespace tablesmith
