// The exit statuses of both command-line programs, named once. Only the
// programs' main functions map outcomes onto them.
#pragma once

namespace cli {

enum ExitStatus : int {
    kExitSuccess = 0,  // the command did what was asked (an empty result too)
    kExitFailure = 1,  // a step failed; the message is on standard error
    kExitUsage = 2,    // the command line was not understood; nothing was opened
};

// `deltalens-cli diff --exit-code` follows diff(1) and `git diff --exit-code`,
// which scripts already know: 0 the packages are the same, 1 they differ,
// 2 trouble (a usage error or a failure).
inline constexpr int kExitDiffers = 1;
inline constexpr int kExitDiffTrouble = 2;

// A run stopped by an interrupt (Ctrl+C) before it changed anything: 128 plus
// SIGINT, the status shells give a program that SIGINT ended.
inline constexpr int kExitInterrupted = 130;

}  // namespace cli
