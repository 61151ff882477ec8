#include "storage/sibling_tree.h"

#include <gtest/gtest.h>

#include <string>

namespace msi::storage {
namespace {

constexpr size_t kNone = SiblingTreeShape::kNone;

// Black height of the subtree at `node` (empty = 1), or -1 on a violation.
// Appends the in-order positions to `order` and the depth to `max_depth`.
int Check(const SiblingTreeShape& s, size_t node, size_t depth, std::vector<size_t>& order,
          size_t& max_depth) {
    if (node == kNone) return 1;
    max_depth = std::max(max_depth, depth + 1);
    if (s.color[node] == EntryColor::kRed) {
        for (size_t kid : {s.left[node], s.right[node]}) {
            if (kid != kNone && s.color[kid] == EntryColor::kRed) return -1;
        }
    }
    const int left = Check(s, s.left[node], depth + 1, order, max_depth);
    order.push_back(node);
    const int right = Check(s, s.right[node], depth + 1, order, max_depth);
    if (left < 0 || right < 0 || left != right) return -1;
    return left + (s.color[node] == EntryColor::kBlack ? 1 : 0);
}

TEST(SiblingTreeTest, EveryCountGivesASortedBalancedRedBlackTree) {
    for (size_t n = 0; n <= 300; ++n) {
        const SiblingTreeShape shape = ShapeSiblingTree(n);
        if (n == 0) {
            EXPECT_EQ(shape.root, kNone);
            continue;
        }
        ASSERT_NE(shape.root, kNone);
        EXPECT_EQ(shape.color[shape.root], EntryColor::kBlack) << n;
        std::vector<size_t> order;
        size_t depth = 0;
        EXPECT_GT(Check(shape, shape.root, 0, order, depth), 0) << "n=" << n;
        ASSERT_EQ(order.size(), n);
        for (size_t i = 0; i < n; ++i) EXPECT_EQ(order[i], i) << "n=" << n;
        // Balanced: no deeper than a complete tree of n nodes.
        EXPECT_EQ(depth, size_t(std::bit_width(n))) << "n=" << n;
    }
}

TEST(SiblingTreeTest, OnlyTheIncompleteLastLevelIsRed) {
    const SiblingTreeShape perfect = ShapeSiblingTree(7);
    for (EntryColor c : perfect.color) EXPECT_EQ(c, EntryColor::kBlack);
    const SiblingTreeShape two = ShapeSiblingTree(2);
    EXPECT_EQ(two.color[two.root], EntryColor::kBlack);
    EXPECT_EQ(std::count(two.color.begin(), two.color.end(), EntryColor::kRed), 1);
}

}  // namespace
}  // namespace msi::storage
