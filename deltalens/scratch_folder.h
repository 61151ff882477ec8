// A private folder for files a command needs only while it runs: made new
// (mode 0700, a name no one else can take) under the temporary folder, and
// removed with everything in it when the object goes.
#pragma once

#include <string>

namespace deltalens {

class ScratchFolder {
  public:
    // Makes "<temporary folder>/<prefix>XXXXXX"; path() is "" when that fails
    // (`error` then says why).
    ScratchFolder(const std::string& prefix, std::string& error);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace deltalens
