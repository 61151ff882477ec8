// Helpers for the storage tests: deterministic content, whole-file reads,
// and a checker for the sibling trees a file holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/compound_file.h"

namespace msi::storage::test {

// `size` bytes that differ with `seed` and with position.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed);

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Empty when the children of `storage` form a binary search tree in
// CompareEntryNames order that is also a valid red-black tree (black root,
// no red node with a red child, equal black count on every path); otherwise
// what is wrong.
std::string CheckSiblingTree(const CompoundFile& file, EntryId storage);

// Reads every stream below `storage` whole; fails the current test on error.
// Returns the number of streams read.
size_t ReadEveryStream(const CompoundFile& file, EntryId storage);

}  // namespace msi::storage::test
