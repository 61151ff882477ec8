// What this engine offers beyond the installer's interface, for tests and
// tools of this project (not part of the installer's documented surface).
#pragma once

#include <cstddef>
#include <string>

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

}  // namespace msi
