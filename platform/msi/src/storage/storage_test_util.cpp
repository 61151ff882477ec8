#include "storage/storage_test_util.h"

#include <gtest/gtest.h>

#include <fstream>

#include "storage/entry_name.h"
#include "storage/stream_reader.h"

namespace msi::storage::test {

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> out(size);
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = uint8_t(x >> 24);
    }
    return out;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    // A fresh file rather than a truncated one: some file systems flush a
    // truncated file to disk on close, which makes many small writes slow.
    std::filesystem::remove(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

namespace {

// Returns the black height of the subtree at `id`, or -1 with `error` set.
int CheckNode(const CompoundFile& file, uint32_t id, const std::u16string* low,
              const std::u16string* high, std::string& error) {
    if (id == kNoStream) return 1;
    const DirectoryEntry& e = file.entry(id);
    if ((low && CompareEntryNames(*low, e.name) >= 0) ||
        (high && CompareEntryNames(e.name, *high) >= 0)) {
        error = "entry '" + NameForMessage(e.name) + "' is out of order";
        return -1;
    }
    if (e.color == EntryColor::kRed) {
        for (uint32_t kid : {e.left, e.right}) {
            if (kid != kNoStream && file.entry(kid).color == EntryColor::kRed) {
                error = "red entry '" + NameForMessage(e.name) + "' has a red child";
                return -1;
            }
        }
    }
    const int left = CheckNode(file, e.left, low, &e.name, error);
    if (left < 0) return -1;
    const int right = CheckNode(file, e.right, &e.name, high, error);
    if (right < 0) return -1;
    if (left != right) {
        error = "black heights differ below '" + NameForMessage(e.name) + "'";
        return -1;
    }
    return left + (e.color == EntryColor::kBlack ? 1 : 0);
}

}  // namespace

std::string CheckSiblingTree(const CompoundFile& file, EntryId storage) {
    const uint32_t root = file.entry(storage).child;
    if (root != kNoStream && file.entry(root).color != EntryColor::kBlack) {
        return "the tree's root is red";
    }
    std::string error;
    CheckNode(file, root, nullptr, nullptr, error);
    return error;
}

size_t ReadEveryStream(const CompoundFile& file, EntryId storage) {
    size_t count = 0;
    for (EntryId id : file.Children(storage)) {
        if (file.entry(id).is_storage()) {
            count += ReadEveryStream(file, id);
            continue;
        }
        auto reader = file.OpenStream(id);
        EXPECT_TRUE(reader.ok()) << reader.status().ToString();
        if (!reader.ok()) continue;
        auto bytes = reader->ReadAll();
        EXPECT_TRUE(bytes.ok()) << bytes.status().ToString();
        if (bytes.ok()) {
            EXPECT_EQ(bytes->size(), file.entry(id).size);
        }
        ++count;
    }
    return count;
}

}  // namespace msi::storage::test
