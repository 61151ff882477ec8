// A file system that refuses what a writer rarely sees refused: a test's way
// to see what the writer does then, and what its next step would hide.
//
// RefusedModeChanges shows the mode a writer gives its unfinished file when
// it makes it, which the writer's own fchmod, a moment later, would
// otherwise hide. Until then the file must be its owner's alone, or another
// user could open it and read what is written into it after.
//
// FailedSyncs shows whether a writer that promises its data is on the disk
// tells when the disk would not have it.
//
// The test program's own fchmod and fsync (file_system_refusals.cpp) stand
// in for the C library's while this file's object is linked in, which using
// a class below does; while none of them lives they do what the C library's
// do.
#pragma once

namespace testing_support {

// While it lives, fchmod fails with EPERM and changes nothing.
class RefusedModeChanges {
  public:
    RefusedModeChanges();
    ~RefusedModeChanges();
    RefusedModeChanges(const RefusedModeChanges&) = delete;
    RefusedModeChanges& operator=(const RefusedModeChanges&) = delete;
};

// While it lives, fsync fails with EIO, as after a write the device lost.
class FailedSyncs {
  public:
    FailedSyncs();
    ~FailedSyncs();
    FailedSyncs(const FailedSyncs&) = delete;
    FailedSyncs& operator=(const FailedSyncs&) = delete;
};

}  // namespace testing_support
