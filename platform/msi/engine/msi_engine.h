// What this engine offers beyond the installer's interface, for tests and
// tools of this project (not part of the installer's documented surface).
#pragma once

#include <cstddef>
#include <string>

#include "msiquery.h"

namespace msi {

// How many installer handles of any kind are open in the process. Tests use
// it to check that an operation leaves no handle behind.
size_t OpenHandleCount();

// Why the last MsiOpenDatabaseA, MsiDatabaseCommit, MsiDatabaseImportA,
// MsiDatabaseExportA, MsiDatabaseApplyTransformA, MsiGetSummaryInformationA
// (by path), MsiOpenPackageA, MsiVerifyPackageA,
// MsiDatabaseGenerateTransformA or MsiCreateTransformSummaryInfoA of this
// thread failed, in the engine's words ("Property.idt:4:
// 3 fields for 2 columns", "cannot open x.msi: No such file or directory");
// "" when that call succeeded or failed before the engine saw its input.
std::string LastFailureText();

// MsiOpenDatabaseA, MsiDatabaseExportA and MsiDatabaseImportA within a
// folder the caller has opened and checked once: `folder_fd` is a
// descriptor of it (the engine keeps a duplicate; the caller may close its
// own), and every file is read, made, renamed and removed relative to that
// folder, never through its path. Someone who can rename the folder's path
// to another folder (or a link) meanwhile changes nothing about where the
// files go. Names are plain names in the folder; `shown_folder` is what
// messages call the folder. Results and LastFailureText as for the path
// calls; the database of OpenDatabaseIn commits into the same folder.
UINT OpenDatabaseIn(int folder_fd, LPCSTR name, LPCSTR persist, MSIHANDLE* database);
UINT DatabaseExportIn(MSIHANDLE database, LPCSTR table, int folder_fd, LPCSTR file);
UINT DatabaseImportIn(MSIHANDLE database, int folder_fd, LPCSTR shown_folder, LPCSTR file);

}  // namespace msi
