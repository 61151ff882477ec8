#include "storage/sibling_tree.h"

#include <bit>

namespace msi::storage {

namespace {

// Builds the subtree over sorted positions [lo, hi) at `depth`, taking the
// middle as its root, and returns that root. Splitting at the middle keeps
// the two halves' sizes within one of each other, so in a tree of n nodes
// every empty child sits at depth floor(log2(n+1)) or one deeper. Colouring
// red exactly the nodes at depth floor(log2(n+1)) (they exist only when the
// tree is not perfect, and they have no children) puts the same number of
// black nodes on every path and never a red node under a red one.
size_t Build(SiblingTreeShape& shape, size_t lo, size_t hi, unsigned depth, unsigned red_depth) {
    if (lo >= hi) return SiblingTreeShape::kNone;
    const size_t mid = lo + (hi - lo) / 2;
    shape.color[mid] = depth == red_depth ? EntryColor::kRed : EntryColor::kBlack;
    shape.left[mid] = Build(shape, lo, mid, depth + 1, red_depth);
    shape.right[mid] = Build(shape, mid + 1, hi, depth + 1, red_depth);
    return mid;
}

}  // namespace

SiblingTreeShape ShapeSiblingTree(size_t count) {
    SiblingTreeShape shape;
    shape.left.assign(count, SiblingTreeShape::kNone);
    shape.right.assign(count, SiblingTreeShape::kNone);
    shape.color.assign(count, EntryColor::kBlack);
    const unsigned red_depth = unsigned(std::bit_width(count + 1) - 1);  // floor(log2(n+1))
    shape.root = Build(shape, 0, count, 0, red_depth);
    return shape;
}

}  // namespace msi::storage
