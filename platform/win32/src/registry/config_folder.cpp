#include "config_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace win32 {

std::string UserConfigFolder() {
    // The XDG rules say a relative value is invalid and must be ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return std::string(xdg) + "/vsb";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    } else {
        home = "/tmp";
    }
    return home + "/.config/vsb";
}

}  // namespace win32
