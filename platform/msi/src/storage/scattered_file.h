// Test helper: compound files laid out as our writer never lays them out.
// The writer puts every chain in consecutive sectors, so a reader tested only
// on its files never follows a chain that jumps, runs backwards, or shares
// its stretch of the file with other chains. Files of other producers do all
// of that; this builder does it on purpose, so the suite's own files cover
// what only third-party packages covered before:
//   - the sectors of all chains (streams, the directory, the mini FAT, the
//     mini stream itself) are dealt out in turn, a few at a time, and every
//     other chain runs from high sector numbers to low;
//   - the mini sectors of the small streams are dealt out the same way;
//   - 512- or 4096-byte sectors (versions 3 and 4);
//   - FAT sectors at the end of the file in falling order, found only
//     through the DIFAT, with DIFAT sectors when there are more than 109.
// The header and directory entries go through the reader's own encoders;
// the allocation of chains, which is what is under test, is done here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/compound_file.h"
#include "storage/directory_entry.h"

namespace msi::storage::test {

struct ScatteredEntry {
    std::u16string name;
    bool storage = false;
    std::vector<uint8_t> bytes;            // a stream's content
    Clsid clsid{};                         // a storage's class
    std::vector<ScatteredEntry> children;  // a storage's entries
};

// The bytes of a file whose root storage has `clsid` and `children`;
// `sector_shift` is 9 or 12.
std::vector<uint8_t> BuildScatteredFile(const Clsid& clsid,
                                        const std::vector<ScatteredEntry>& children,
                                        unsigned sector_shift);

// The whole tree below `storage` of an open file, as entries to rebuild it
// scattered; fails the current test when a stream cannot be read.
std::vector<ScatteredEntry> ReadTree(const CompoundFile& file, EntryId storage);

}  // namespace msi::storage::test
