// Every text the viewer tells the user, in one place, so that the window and
// the tests use the same words. Texts with "%s" are filled with FillMessage.
#pragma once

namespace viewer {

inline constexpr const char* kCantOpenPackage = "Can't open MSI Database %s!";
inline constexpr const char* kNoTransformSupport = "Can't show the changes of transform %s!";
inline constexpr const char* kCantReadTable = "cannot be read: %s";
inline constexpr const char* kCantSaveData = "Can't save the data to %s!";
inline constexpr const char* kCantExportTable = "Can't export table %s to %s!";
inline constexpr const char* kNothingFound = "\"%s\" was not found in any table.";

}  // namespace viewer
