// How the names a package gives its folders and files become names of files
// here. The Directory table's DefaultDir holds "target:source" (one part when
// both are the same), each part a name or "short|long"; "." means the folder
// is its parent. File.FileName is "short|long" or one name.
//
// Names come from the package, so each is made safe before it names a file:
//   refused (the file is not written): an empty name, "." and "..";
//   cleaned: "/" and "\" become "_" (a name is one level, never a path);
//   control characters (below 0x20, and 0x7f) become "_"; a leading drive
//   ("C:") becomes "C_"; a device name of Windows (CON, PRN, AUX, NUL,
//   COM1-COM9, LPT1-LPT9, any case, with or without an extension) gets "_"
//   in front, so that the folder can be copied to Windows as it is.
#pragma once

#include <optional>
#include <string>

namespace tablesmith {

// The target ("install") part of a DefaultDir value, or its source part.
std::string TargetPart(const std::string& default_dir);
std::string SourcePart(const std::string& default_dir);

// The long name of "short|long" (the name itself without "|"), or the short.
std::string LongName(const std::string& name_pair);
std::string ShortName(const std::string& name_pair);

// The name made safe as above, or nullopt when it is refused.
std::optional<std::string> SafeName(const std::string& name);

}  // namespace tablesmith
