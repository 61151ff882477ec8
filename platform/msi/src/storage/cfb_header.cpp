#include "storage/cfb_header.h"

#include <algorithm>
#include <string>

namespace msi::storage {

namespace {

// Field offsets, in the order of the table in cfb_header.h.
constexpr size_t kOffClsid = kSignatureSize;
constexpr size_t kOffMinor = kOffClsid + 16;
constexpr size_t kOffMajor = kOffMinor + 2;
constexpr size_t kOffByteOrder = kOffMajor + 2;
constexpr size_t kOffSectorShift = kOffByteOrder + 2;
constexpr size_t kOffMiniShift = kOffSectorShift + 2;
constexpr size_t kOffDirCount = kOffMiniShift + 2 + 6;
constexpr size_t kOffFatCount = kOffDirCount + 4;
constexpr size_t kOffFirstDir = kOffFatCount + 4;
constexpr size_t kOffTransaction = kOffFirstDir + 4;
constexpr size_t kOffCutoff = kOffTransaction + 4;
constexpr size_t kOffFirstMiniFat = kOffCutoff + 4;
constexpr size_t kOffMiniFatCount = kOffFirstMiniFat + 4;
constexpr size_t kOffFirstDifat = kOffMiniFatCount + 4;
constexpr size_t kOffDifatCount = kOffFirstDifat + 4;
constexpr size_t kOffDifat = kOffDifatCount + 4;
static_assert(kOffDifat == kHeaderFixedSize);

constexpr uint16_t kByteOrderMark = 0xFFFE;

}  // namespace

Result<CfbHeader> CfbHeader::Decode(std::span<const uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) {
        return Status::Corrupt("not a compound file: " + std::to_string(bytes.size()) +
                               " bytes is shorter than the 512-byte header");
    }
    const uint8_t* p = bytes.data();
    if (!std::equal(kSignature.begin(), kSignature.end(), p)) {
        return Status::Corrupt("not a compound file: bad signature");
    }
    CfbHeader h;
    h.minor_version = LoadU16(p + kOffMinor);
    h.major_version = LoadU16(p + kOffMajor);
    if (h.major_version != 3 && h.major_version != 4) {
        return Status::Unsupported("compound file major version " +
                                   std::to_string(h.major_version) + " (only 3 and 4 exist)");
    }
    if (LoadU16(p + kOffByteOrder) != kByteOrderMark) {
        return Status::Corrupt("compound file byte order mark is not FFFE");
    }
    h.sector_shift = LoadU16(p + kOffSectorShift);
    const uint16_t expected_shift = h.major_version == 3 ? kSectorShiftV3 : kSectorShiftV4;
    if (h.sector_shift != expected_shift) {
        return Status::Corrupt("sector shift " + std::to_string(h.sector_shift) +
                               " does not match version " + std::to_string(h.major_version));
    }
    if (LoadU16(p + kOffMiniShift) != kMiniSectorShift) {
        return Status::Corrupt("mini sector shift " + std::to_string(LoadU16(p + kOffMiniShift)) +
                               " (must be 6)");
    }
    if (LoadU32(p + kOffCutoff) != kMiniStreamCutoff) {
        return Status::Corrupt("mini stream cutoff " + std::to_string(LoadU32(p + kOffCutoff)) +
                               " (must be 4096)");
    }
    // The directory sector count is only informative (v3 requires zero, v4
    // writers fill it in); the directory chain itself says how long it is, so
    // the count is kept but not trusted.
    h.directory_sector_count = LoadU32(p + kOffDirCount);
    h.fat_sector_count = LoadU32(p + kOffFatCount);
    h.first_directory_sector = LoadU32(p + kOffFirstDir);
    h.first_mini_fat_sector = LoadU32(p + kOffFirstMiniFat);
    h.mini_fat_sector_count = LoadU32(p + kOffMiniFatCount);
    h.first_difat_sector = LoadU32(p + kOffFirstDifat);
    h.difat_sector_count = LoadU32(p + kOffDifatCount);
    for (size_t i = 0; i < kHeaderDifatSlots; ++i) {
        h.difat[i] = LoadU32(p + kOffDifat + i * kSectorNumberSize);
    }
    return h;
}

std::array<uint8_t, kHeaderSize> CfbHeader::Encode() const {
    std::array<uint8_t, kHeaderSize> out{};
    uint8_t* p = out.data();
    std::copy(kSignature.begin(), kSignature.end(), p);
    StoreU16(p + kOffMinor, minor_version);
    StoreU16(p + kOffMajor, major_version);
    StoreU16(p + kOffByteOrder, kByteOrderMark);
    StoreU16(p + kOffSectorShift, sector_shift);
    StoreU16(p + kOffMiniShift, kMiniSectorShift);
    StoreU32(p + kOffDirCount, directory_sector_count);
    StoreU32(p + kOffFatCount, fat_sector_count);
    StoreU32(p + kOffFirstDir, first_directory_sector);
    StoreU32(p + kOffTransaction, 0);
    StoreU32(p + kOffCutoff, kMiniStreamCutoff);
    StoreU32(p + kOffFirstMiniFat, first_mini_fat_sector);
    StoreU32(p + kOffMiniFatCount, mini_fat_sector_count);
    StoreU32(p + kOffFirstDifat, first_difat_sector);
    StoreU32(p + kOffDifatCount, difat_sector_count);
    for (size_t i = 0; i < kHeaderDifatSlots; ++i) {
        StoreU32(p + kOffDifat + i * kSectorNumberSize, difat[i]);
    }
    return out;
}

}  // namespace msi::storage
