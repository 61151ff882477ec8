// The exit status of tablesmith-cli, named once.
#pragma once

namespace tablesmith::cli {

enum ExitCode : int {
    kExitSuccess = 0,  // every message was an information message
    kExitFailure = 1,  // a stop message was told, or a step failed
    kExitUsage = 2,    // the command line was not understood
};

}  // namespace tablesmith::cli
