// Which files a package installs, where each lands and where its bytes are:
// read from the Directory, Component, File and Media tables and the summary's
// word count, before anything is extracted, so that a listing and an
// extraction name every file alike.
//
// A file's folder is its component's directory; a directory's path is its
// parents' paths and its own name (install_names.h). The root (a directory
// without a parent, TARGETDIR/SourceDir) adds no level. Directories that
// stand for a folder the installer fills in at install time (a standard
// folder property such as ProgramFilesFolder, or a parent that names no row
// of the table but a property) are written as that property's name: the
// tables say no more of where they are.
//
// A file's bytes are in the cabinet of the first Media row (by LastSequence)
// whose LastSequence is at least the file's Sequence, or, for a file stored
// uncompressed, in the source tree beside the package.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msi_database.h"

namespace tablesmith {

struct MediaEntry {
    int disk_id = 0;
    int last_sequence = 0;
    std::string cabinet;  // the Cabinet value: "#stream", a file name, or ""
};

struct PlannedFile {
    std::string key;        // File.File, which also names the file in its cabinet
    std::string component;  // File.Component_
    std::string directory;  // Component.Directory_
    std::string path;       // under the output folder, "/" between levels
    // Relative to the package's folder, for a file stored uncompressed.
    std::string source_path;
    std::int64_t size = 0;
    int sequence = 0;
    bool compressed = true;
    int media = -1;  // index into FilePlan::media; -1 when no row covers it
    // Why the file cannot be written at all (a refused name); "" when it can.
    std::string problem;
    bool selected = true;
};

// Two files that would land on one path: `second` got `second_path`.
struct PathClash {
    std::string first;
    std::string second;
    std::string second_path;
};

struct FilePlan {
    std::vector<MediaEntry> media;   // sorted by LastSequence
    std::vector<PlannedFile> files;  // sorted by Sequence, then key
    std::vector<PathClash> clashes;
};

// Reads the plan of the open database. False with `problem` set when the
// tables cannot be read; a package without a File table has no files.
bool ReadFilePlan(CMsiDatabase& database, FilePlan& plan, std::string& problem);

// Keeps only the files whose key or path matches one of `patterns` (shell
// wildcards); every file when there are none.
void SelectFiles(FilePlan& plan, const std::vector<std::string>& patterns);

// The cabinet value of the file's Media row, as messages name it ("" when none).
std::string CabinetOf(const FilePlan& plan, const PlannedFile& file);

}  // namespace tablesmith
