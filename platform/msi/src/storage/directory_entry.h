// One 128-byte directory entry. The directory is an array of these stored in
// the directory sector chain; entry 0 is the root storage. Integers are
// little-endian (see cfb_layout.h).
//
//   OFFSET  SIZE  MEANING
//      0     64   name, UTF-16 code units, NUL-terminated (at most 31 units)
//     64      2   name length in bytes including the NUL (0 when unused)
//     66      1   object type: 0 unused, 1 storage, 2 stream, 5 root
//     67      1   colour in the sibling red-black tree: 0 red, 1 black
//     68      4   left sibling id (kNoStream if none)
//     72      4   right sibling id
//     76      4   child id: root of this storage's sibling tree
//     80     16   CLSID (storages and root)
//     96      4   state bits
//    100      8   creation time (FILETIME)
//    108      8   modification time (FILETIME)
//    116      4   start sector (root: first sector of the mini stream)
//    120      8   size in bytes (root: size of the mini stream)
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "common/status.h"
#include "storage/cfb_layout.h"

namespace msi::storage {

inline constexpr size_t kNameFieldSize = 64;
inline constexpr size_t kMaxNameUnits = kNameFieldSize / 2 - 1;  // 31, plus the NUL
inline constexpr size_t kDirectoryEntrySize =
    kNameFieldSize + 2 + 1 + 1 + 4 + 4 + 4 + 16 + 4 + 8 + 8 + 4 + 8;
static_assert(kDirectoryEntrySize == 128);

using Clsid = std::array<uint8_t, 16>;

// Root CLSIDs of the installer's file kinds, in on-disk byte order.
inline constexpr Clsid kPackageClsid = {0x84, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                        0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
inline constexpr Clsid kTransformClsid = {0x82, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
inline constexpr Clsid kPatchClsid = {0x86, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

enum class EntryType : uint8_t { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };
enum class EntryColor : uint8_t { kRed = 0, kBlack = 1 };

struct DirectoryEntry {
    std::u16string name;  // raw code units, without the NUL
    EntryType type = EntryType::kUnused;
    EntryColor color = EntryColor::kBlack;
    uint32_t left = kNoStream;
    uint32_t right = kNoStream;
    uint32_t child = kNoStream;
    Clsid clsid{};
    uint32_t state_bits = 0;
    uint64_t creation_time = 0;
    uint64_t modified_time = 0;
    uint32_t start_sector = 0;
    uint64_t size = 0;

    bool is_storage() const { return type == EntryType::kStorage || type == EntryType::kRoot; }
    bool is_stream() const { return type == EntryType::kStream; }

    // Checks the length first. Unused entries decode to a blank entry without
    // looking at their bytes: writers leave garbage there. For the others the
    // name must be terminated and the type known. Version 3 files keep only
    // the low 32 bits of the size, because old writers left garbage above.
    static Result<DirectoryEntry> Decode(std::span<const uint8_t> bytes, uint16_t major_version);
    // Writes exactly kDirectoryEntrySize bytes; the name must already be valid
    // (see CheckEntryName).
    void EncodeTo(std::span<uint8_t> out) const;
};

}  // namespace msi::storage
