// The shape of one storage's sibling tree as the writer emits it: a balanced
// binary search tree over the children sorted by CompareEntryNames, coloured
// so that it is a valid red-black tree (black root, no red node with a red
// child, the same number of black nodes on every path from the root down).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/directory_entry.h"

namespace msi::storage {

struct SiblingTreeShape {
    static constexpr size_t kNone = SIZE_MAX;
    size_t root = kNone;
    // Indexed by position in the sorted list of children.
    std::vector<size_t> left;
    std::vector<size_t> right;
    std::vector<EntryColor> color;
};

// The shape for `count` children, referring to them by sorted position.
SiblingTreeShape ShapeSiblingTree(size_t count);

}  // namespace msi::storage
