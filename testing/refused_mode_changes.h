// A file system that will not change a file's mode, as fchmod sees it: a
// test's way to see the mode a writer gives its unfinished file when it
// makes it, which the writer's own fchmod, a moment later, would otherwise
// hide. Until then the file must be its owner's alone, or another user could
// open it and read what is written into it after.
//
// The test program's own fchmod (refused_mode_changes.cpp) stands in for the
// C library's while this file's object is linked in, which using the class
// below does; without a RefusedModeChanges alive it changes the mode as usual.
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

}  // namespace testing_support
