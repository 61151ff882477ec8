// Facts about the compound-file container shared by the reader and the writer:
// byte order, sector sizes, the marker sector numbers and the little-endian
// load/store helpers. The header's field table is in cfb_header.h, the
// directory entry's in directory_entry.h; nothing else repeats their offsets.
//
// Byte order: every integer in a compound file is little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace msi::storage {

// Sector numbers. A FAT entry holds the number of the next sector in a chain
// or one of the markers below; anything above kMaxRegularSector is a marker.
inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;  // sector holds DIFAT
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;    // sector holds FAT
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;

// Directory entry ids: kNoStream marks "no sibling" / "no child".
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;
inline constexpr uint32_t kMaxEntryId = 0xFFFFFFFA;

// Sector geometry. Version 3 files use 512-byte sectors, version 4 files
// 4096-byte sectors; both use 64-byte mini sectors.
inline constexpr uint16_t kSectorShiftV3 = 9;
inline constexpr uint16_t kSectorShiftV4 = 12;
inline constexpr uint16_t kMiniSectorShift = 6;
inline constexpr uint32_t kMiniSectorSize = 1u << kMiniSectorShift;
// Streams smaller than this live in the mini stream.
inline constexpr uint32_t kMiniStreamCutoff = 4096;

inline constexpr size_t kSectorNumberSize = 4;  // one FAT / mini FAT / DIFAT slot

// Little-endian loads and stores; callers have already checked the length.
inline uint16_t LoadU16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t LoadU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t LoadU64(const uint8_t* p) {
    return uint64_t(LoadU32(p)) | (uint64_t(LoadU32(p + 4)) << 32);
}
inline void StoreU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void StoreU64(uint8_t* p, uint64_t v) {
    StoreU32(p, uint32_t(v));
    StoreU32(p + 4, uint32_t(v >> 32));
}

}  // namespace msi::storage
