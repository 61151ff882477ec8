// Names for the package manager's working copies, made unique across
// processes: the installer names a copy after the current second, so two
// processes (or two copies) in one second would otherwise share a file.
#pragma once

#include <cstdint>
#include <string>

namespace installer {

// Creates a new, empty file "<prefix><seconds>.tmp" in `folder`, or
// "<prefix><seconds>-<n>.tmp" with the first n from 1 on whose name is free,
// exclusively, so that no other process can be handed the same name. Returns
// its path, or "" when the folder is empty or no file could be created.
std::string CreateUniqueTimeNamedFile(const std::string& folder, const std::string& prefix,
                                      std::int32_t seconds);

}  // namespace installer
