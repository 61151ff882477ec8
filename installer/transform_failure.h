// What a tool says when a transform cannot be viewed over a package: the two
// stop texts and the cause that goes under them. Deltalens' Apply and the
// package viewer both open a package with a transform, and the user must
// read the same words from either.
#pragma once

#include <string>

namespace installer {

// Both texts say too little (the open error guesses at causes, the
// transform error is a number): each comes with the real cause.
inline constexpr const char* kOpenErrorText =
    "Error opening MSI database!\n\nPossible causes:\n\t- File is read-only.\n\t- File is opened "
    "by another process.\n\t- Another version is already installed.";
inline constexpr const char* kTransformErrorFormat = "Error applying transform. (%d)";

// "Error applying transform. (<result>)" for an installer result code.
std::string TransformErrorText(unsigned result);

// What an installer result of applying a transform means, in words ("the
// transform does not fit this package"), followed by `reason` (the engine's
// own words) when there is one: the cause under the fixed text.
std::string TransformFailureCause(unsigned result, const std::string& reason);

}  // namespace installer
