// The file a command writes for the user (make-transform's OUT.mst, apply's
// OUT.msi): the checks on the name before any work and again just before the
// rename, and the temporary file beside it that becomes it when whole.
//
//   - OUT that is one of the command's inputs (by device and inode, so also
//     "./x/../in.msi", a symbolic link to it or a second hard link) is
//     refused, whatever `replace` says: writing it would destroy the input;
//   - an existing OUT is replaced only when `replace` is set, and then only
//     a regular file (a directory, a FIFO, a device, a socket or a symbolic
//     link is named as what it is);
//   - OUT's folder must be one the user may write to, so a run that could
//     never put its file there stops before it reads anything.
#pragma once

#include <string>
#include <vector>

#include "outcome.h"

namespace deltalens {

// How a command names its output in refusals; each is a format for
// diag::FillMessage.
struct OutputTexts {
    const char* exists;      // %s: OUT
    const char* is_input;    // %s: OUT, %s: the input it is
    const char* not_file;    // %s: OUT, %s: what it is ("a FIFO")
    const char* cant_write;  // %s: OUT
};

// Tells why nothing may be written to `target` and returns true, or returns
// false when it may.
bool RefuseOutput(const std::string& target, const std::vector<std::string>& inputs, bool replace,
                  const OutputTexts& texts, diag::OutcomeSink& sink);

// A temporary file beside the target: made here (so no one else can take the
// name, `TARGET.tmp-XXXXXX`), with the mode a new file gets under the umask,
// filled by the caller, removed unless it was moved into place.
class TemporaryOutput {
  public:
    explicit TemporaryOutput(const std::string& target);
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    // "" when it could not be made (error() says why).
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }

    // Puts the file at `target`; "" on success, else why not. Without
    // `replace` a file that appeared at the target meanwhile stays.
    std::string MoveTo(const std::string& target, bool replace);

  private:
    std::string path_;
    std::string error_;
};

}  // namespace deltalens
