// The exit statuses of deltalens-cli, in one place; main() alone maps
// outcomes onto them.
#pragma once

namespace deltalens {

enum ExitStatus : int {
    kExitSuccess = 0,  // the change list was printed (also when it is empty)
    kExitFailure = 1,  // the package could not be opened or the transform not applied
    kExitUsage = 2,    // the command line was wrong; nothing was opened
};

}  // namespace deltalens
