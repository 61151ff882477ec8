// The compound-file header: the first 512 bytes of the file. In version 4
// files the header occupies a whole 4096-byte sector whose remaining bytes are
// zero. Sector n starts at file offset (n + 1) << sector_shift in both
// versions. All integers little-endian (see cfb_layout.h).
//
//   OFFSET  SIZE  MEANING
//      0      8   signature D0 CF 11 E0 A1 B1 1A E1
//      8     16   header CLSID, zero
//     24      2   minor version (0x003E)
//     26      2   major version: 3 or 4
//     28      2   byte order mark 0xFFFE
//     30      2   sector shift: 9 (v3) or 12 (v4)
//     32      2   mini sector shift: 6
//     34      6   reserved, zero
//     40      4   number of directory sectors (zero in v3)
//     44      4   number of FAT sectors
//     48      4   first directory sector
//     52      4   transaction signature, zero
//     56      4   mini stream cutoff: 4096
//     60      4   first mini FAT sector (kEndOfChain if none)
//     64      4   number of mini FAT sectors
//     68      4   first DIFAT sector (kEndOfChain if none)
//     72      4   number of DIFAT sectors
//     76    436   the first 109 FAT sector numbers, unused slots kFreeSector
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "common/status.h"
#include "storage/cfb_layout.h"

namespace msi::storage {

inline constexpr size_t kSignatureSize = 8;
inline constexpr size_t kHeaderFixedSize =
    kSignatureSize + 16 + 2 + 2 + 2 + 2 + 2 + 6 + 4 + 4 + 4 + 4 + 4 + 4 + 4 + 4 + 4;  // 76
inline constexpr size_t kHeaderDifatSlots = 109;
inline constexpr size_t kHeaderSize = kHeaderFixedSize + kHeaderDifatSlots * kSectorNumberSize;
static_assert(kHeaderSize == 512);

inline constexpr std::array<uint8_t, kSignatureSize> kSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                                   0xA1, 0xB1, 0x1A, 0xE1};

struct CfbHeader {
    uint16_t minor_version = 0x003E;
    uint16_t major_version = 3;
    uint16_t sector_shift = kSectorShiftV3;
    uint32_t directory_sector_count = 0;
    uint32_t fat_sector_count = 0;
    uint32_t first_directory_sector = kEndOfChain;
    uint32_t first_mini_fat_sector = kEndOfChain;
    uint32_t mini_fat_sector_count = 0;
    uint32_t first_difat_sector = kEndOfChain;
    uint32_t difat_sector_count = 0;
    std::array<uint32_t, kHeaderDifatSlots> difat;

    CfbHeader() { difat.fill(kFreeSector); }

    uint32_t sector_size() const { return 1u << sector_shift; }

    // Checks the length, then every field a reader depends on; the message
    // names the first field that is wrong.
    static Result<CfbHeader> Decode(std::span<const uint8_t> bytes);
    std::array<uint8_t, kHeaderSize> Encode() const;
};

}  // namespace msi::storage
