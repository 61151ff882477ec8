#include "common/huge_page_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace msi {
namespace {

struct Block {
    uint8_t* data;
    size_t size;
    uint8_t mark;
};

// Fills each block with its own mark, then checks that no other block wrote
// over it: blocks that overlapped would show the other's mark.
void Mark(const std::vector<Block>& blocks) {
    for (const Block& b : blocks) std::memset(b.data, b.mark, b.size);
}

bool AllIntact(const std::vector<Block>& blocks) {
    for (const Block& b : blocks)
        for (size_t i = 0; i < b.size; ++i)
            if (b.data[i] != b.mark) return false;
    return true;
}

TEST(HugePagePool, OnlyTheSettingInBracketsCounts) {
    const testing_support::TempDir dir;
    const struct {
        const char* text;  // null: no file
        bool gives;
    } cases[] = {
        {"always [madvise] never\n", true},
        {"[always] madvise never\n", true},
        {"always madvise [never]\n", false},
        {"", false},
        {nullptr, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string path = dir.str() + "/setting" + std::to_string(n++);
        if (c.text) {
            FILE* file = std::fopen(path.c_str(), "w");
            ASSERT_NE(file, nullptr);
            std::fputs(c.text, file);
            std::fclose(file);
        }
        EXPECT_EQ(HugePagePool::SettingGivesHugePages(path.c_str()), c.gives)
            << (c.text ? c.text : "(no file)");
    }
    // What the engine decides is what the kernel's setting says.
    const char* kernel = "/sys/kernel/mm/transparent_hugepage/enabled";
    EXPECT_EQ(HugePagePool::Enabled(), HugePagePool::SettingGivesHugePages(kernel));
}

TEST(HugePagePool, BlocksAreAlignedApartAndReusedBySize) {
    HugePagePool pool;
    const size_t sizes[] = {1, 64, 65, 100, 4096, 5000, 65536, 300000, HugePagePool::kLargestBlock};
    std::vector<Block> blocks;
    for (int round = 0; round < 2; ++round) {
        for (size_t size : sizes) {
            auto* data = static_cast<uint8_t*>(pool.Allocate(size));
            EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % HugePagePool::kSmallestBlock, 0u) << size;
            blocks.push_back({data, size, static_cast<uint8_t>(blocks.size() + 1)});
        }
    }
    Mark(blocks);
    EXPECT_TRUE(AllIntact(blocks));
    // A freed block is the next one handed out for a size of its class.
    for (const Block& b : blocks) {
        pool.Free(b.data, b.size);
        EXPECT_EQ(pool.Allocate(b.size), b.data) << b.size;
    }
}

TEST(HugePagePool, WhatAChunkLeavesIsHandedOutLater) {
    HugePagePool pool;
    constexpr size_t kLargest = HugePagePool::kLargestBlock;
    // Blocks that fill a chunk exactly all come from it.
    auto* whole = static_cast<uint8_t*>(pool.Allocate(kLargest));
    for (size_t used = kLargest; used < HugePagePool::kChunkBytes; used += kLargest) {
        auto* next = static_cast<uint8_t*>(pool.Allocate(kLargest));
        EXPECT_TRUE(next > whole && next < whole + HugePagePool::kChunkBytes) << used;
    }
    auto* first = static_cast<uint8_t*>(pool.Allocate(64));
    for (size_t used = 64; used + kLargest <= HugePagePool::kChunkBytes; used += kLargest)
        pool.Allocate(kLargest);
    // No room for one more in the first chunk: it comes from a second one,
    // and the first one's rest serves the smaller blocks after it.
    auto* second = static_cast<uint8_t*>(pool.Allocate(kLargest));
    EXPECT_FALSE(second >= first && second < first + HugePagePool::kChunkBytes);
    for (size_t size = kLargest / 2; size >= 64; size /= 2) {
        auto* rest = static_cast<uint8_t*>(pool.Allocate(size));
        EXPECT_TRUE(rest > first && rest + size <= first + HugePagePool::kChunkBytes) << size;
    }
}

TEST(HugePagePool, ThreadsShareOnePool) {
    HugePagePool pool;
    std::vector<std::thread> threads;
    std::vector<int> intact(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&pool, &intact, t] {
            std::mt19937 random(t);
            std::vector<Block> blocks;
            for (int i = 0; i < 20000; ++i) {
                if (!blocks.empty() && random() % 3 == 0) {
                    pool.Free(blocks.back().data, blocks.back().size);
                    blocks.pop_back();
                    continue;
                }
                const size_t size = 1 + random() % 2000;
                auto* data = static_cast<uint8_t*>(pool.Allocate(size));
                blocks.push_back({data, size, static_cast<uint8_t>(t * 50 + i % 50)});
                std::memset(data, blocks.back().mark, size);
            }
            intact[t] = AllIntact(blocks);
            for (const Block& b : blocks) pool.Free(b.data, b.size);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(intact, std::vector<int>(4, 1));
}

}  // namespace
}  // namespace msi
