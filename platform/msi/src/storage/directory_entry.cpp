#include "storage/directory_entry.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace msi::storage {

namespace {

// Field offsets, in the order of the table in directory_entry.h.
constexpr size_t kOffNameLength = kNameFieldSize;
constexpr size_t kOffType = kOffNameLength + 2;
constexpr size_t kOffColor = kOffType + 1;
constexpr size_t kOffLeft = kOffColor + 1;
constexpr size_t kOffRight = kOffLeft + 4;
constexpr size_t kOffChild = kOffRight + 4;
constexpr size_t kOffClsid = kOffChild + 4;
constexpr size_t kOffStateBits = kOffClsid + 16;
constexpr size_t kOffCreated = kOffStateBits + 4;
constexpr size_t kOffModified = kOffCreated + 8;
constexpr size_t kOffStart = kOffModified + 8;
constexpr size_t kOffSize = kOffStart + 4;
static_assert(kOffSize + 8 == kDirectoryEntrySize);

bool IsKnownType(uint8_t t) {
    return t == uint8_t(EntryType::kStorage) || t == uint8_t(EntryType::kStream) ||
           t == uint8_t(EntryType::kRoot);
}

}  // namespace

Result<DirectoryEntry> DirectoryEntry::Decode(std::span<const uint8_t> bytes,
                                              uint16_t major_version) {
    if (bytes.size() < kDirectoryEntrySize) {
        return Status::Corrupt("directory entry is " + std::to_string(bytes.size()) +
                               " bytes, needs 128");
    }
    const uint8_t* p = bytes.data();
    DirectoryEntry e;
    const uint8_t type = p[kOffType];
    if (type == uint8_t(EntryType::kUnused)) return e;
    if (!IsKnownType(type)) {
        return Status::Corrupt("directory entry has unknown object type " + std::to_string(type));
    }
    e.type = EntryType(type);

    // The length counts bytes including the terminating NUL, so it must be
    // even, at least one unit and at most the 64-byte field; the last unit it
    // covers must be the NUL and no earlier unit may be one.
    const uint16_t name_bytes = LoadU16(p + kOffNameLength);
    if (name_bytes < 2 || name_bytes > kNameFieldSize || name_bytes % 2 != 0) {
        return Status::Corrupt("directory entry name length " + std::to_string(name_bytes) +
                               " is not an even number of bytes from 2 to 64");
    }
    const size_t units = name_bytes / 2 - 1;
    if (LoadU16(p + 2 * units) != 0) {
        return Status::Corrupt("directory entry name is not NUL-terminated");
    }
    e.name.resize(units);
    for (size_t i = 0; i < units; ++i) {
        e.name[i] = char16_t(LoadU16(p + 2 * i));
        if (e.name[i] == 0) return Status::Corrupt("directory entry name contains a NUL");
    }

    e.color = p[kOffColor] == 0 ? EntryColor::kRed : EntryColor::kBlack;
    e.left = LoadU32(p + kOffLeft);
    e.right = LoadU32(p + kOffRight);
    e.child = LoadU32(p + kOffChild);
    std::copy_n(p + kOffClsid, e.clsid.size(), e.clsid.begin());
    e.state_bits = LoadU32(p + kOffStateBits);
    e.creation_time = LoadU64(p + kOffCreated);
    e.modified_time = LoadU64(p + kOffModified);
    e.start_sector = LoadU32(p + kOffStart);
    e.size = LoadU64(p + kOffSize);
    if (major_version == 3) e.size &= 0xFFFFFFFFu;
    return e;
}

void DirectoryEntry::EncodeTo(std::span<uint8_t> out) const {
    assert(out.size() >= kDirectoryEntrySize);
    assert(name.size() <= kMaxNameUnits);
    uint8_t* p = out.data();
    std::memset(p, 0, kDirectoryEntrySize);
    if (type == EntryType::kUnused) {
        // An unused slot still carries "no sibling / no child" ids.
        StoreU32(p + kOffLeft, kNoStream);
        StoreU32(p + kOffRight, kNoStream);
        StoreU32(p + kOffChild, kNoStream);
        return;
    }
    for (size_t i = 0; i < name.size(); ++i) StoreU16(p + 2 * i, uint16_t(name[i]));
    StoreU16(p + kOffNameLength, uint16_t((name.size() + 1) * 2));
    p[kOffType] = uint8_t(type);
    p[kOffColor] = uint8_t(color);
    StoreU32(p + kOffLeft, left);
    StoreU32(p + kOffRight, right);
    StoreU32(p + kOffChild, child);
    std::copy(clsid.begin(), clsid.end(), p + kOffClsid);
    StoreU32(p + kOffStateBits, state_bits);
    StoreU64(p + kOffCreated, creation_time);
    StoreU64(p + kOffModified, modified_time);
    StoreU32(p + kOffStart, start_sector);
    StoreU64(p + kOffSize, size);
}

}  // namespace msi::storage
