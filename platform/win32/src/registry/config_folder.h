// The user's configuration folder for the platform layer's own files.
#pragma once

#include <string>

namespace win32 {

// $XDG_CONFIG_HOME/vsb when that variable holds an absolute path, else
// ~/.config/vsb (the home folder from $HOME, else from the password database).
// The folder is not created here; writers create it when they first write.
std::string UserConfigFolder();

}  // namespace win32
