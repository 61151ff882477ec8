// The folder that the engine's file names are resolved in. By default it is
// the working folder, where a name is an ordinary path, as the interface's
// path calls expect. A caller that has opened and checked a folder once can
// hand over its descriptor instead: every open, create, rename and removal
// then happens relative to that very folder, even if its path is made to
// name another folder meanwhile.
#pragma once

#include <fcntl.h>

#include <memory>
#include <string>

#include "common/status.h"

namespace msi::storage {

class Folder {
  public:
    // The working folder.
    Folder() = default;
    // A folder from an open descriptor. The engine keeps its own duplicate,
    // so the caller may close `fd` whenever it likes.
    static Result<Folder> FromDescriptor(int fd);

    // For the *at calls: the duplicate, or AT_FDCWD for the working folder.
    int fd() const { return fd_ ? *fd_ : AT_FDCWD; }
    bool is_working_folder() const { return fd_ == nullptr; }

    // The folder `name` names inside this one (which must not be a link);
    // made there first (mode 0700) when `make` and it is missing.
    Result<Folder> Sub(const std::string& name, bool make) const;

  private:
    std::shared_ptr<const int> fd_;
};

}  // namespace msi::storage
