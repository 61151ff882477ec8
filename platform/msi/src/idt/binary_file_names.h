// File names for the streams of binary cells, and the checks that keep both
// export and import inside the folder the caller named.
//
// Export writes each stream to `<folder>/<Table>/<name>.ibd`, where the name
// is the row's key (several key columns joined by '.', as the stream name
// joins them), and the cell names that file. A key is data of the package,
// so it may hold '/', '\', ".." or control characters; those bytes become
// '_' in the file name. Two keys that map to one name (or a name that does
// not fit a file name) are told apart by "~2", "~3"... before ".ibd". The
// cell always names the file actually written, so import finds it.
//
// Import reads `<folder>/<Table>/<cell>` and refuses a cell or a table name
// that is not a plain file name (see IsPlainFileName), so an archive cannot
// make it read anything outside the table's sub-folder.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace msi::idt {

// Non-empty, not "." or "..", no '/', '\', NUL or other control bytes.
bool IsPlainFileName(std::string_view name);

class BinaryFileNamer {
  public:
    static constexpr const char* kExtension = ".ibd";
    // File names stay well below the 255 bytes most file systems allow.
    static constexpr size_t kMaxStem = 200;

    // A new file name for a row whose key values are `keys`.
    std::string NameFor(const std::vector<std::string>& keys);

  private:
    std::set<std::string> used_;
};

}  // namespace msi::idt
