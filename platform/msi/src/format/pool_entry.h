// On-disk layout of the string pool: the _StringPool and _StringData streams.
// Byte order: little-endian throughout.
//
// _StringPool:
//   OFFSET      SIZE  MEANING
//   0           4     header: bits 0-30 database code page; bit 31 = string
//                     references in tables are 3 bytes instead of 2
//   4           ...   one entry per string id, starting with id 1 (id 0 = null
//                     has no entry)
//
// Entry, short form (every string shorter than 64 KiB):
//   0           2     length in bytes of the string in _StringData
//   2           2     reference count
// Entry, long form (a string of 64 KiB or more; still ONE id):
//   0           2     0
//   2           2     reference count (never 0: that would read as a free id)
//   4           4     length in bytes
// Free id (a hole; the id stays taken in the numbering): length 0, count 0.
//
// _StringData: the strings' bytes concatenated in id order, no separators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/status.h"

namespace msi::format {

struct PoolHeader {
    static constexpr size_t kEncodedSize = 4;
    static constexpr uint32_t kLongRefsFlag = 0x80000000;
    static constexpr uint32_t kCodePageMask = 0x7FFFFFFF;

    uint32_t code_page = 0;
    bool long_refs = false;

    void EncodeTo(std::vector<uint8_t>& out) const;
    static Result<PoolHeader> Decode(std::span<const uint8_t> bytes);
};

struct PoolEntry {
    static constexpr size_t kShortSize = 2 + 2;             // length, count
    static constexpr size_t kLongSize = 2 + 2 + 4;          // marker, count, length
    static constexpr uint32_t kShortLengthLimit = 0x10000;  // lengths below fit 2 bytes
    static constexpr uint32_t kMaxRefCount = 0xFFFF;

    uint32_t length = 0;
    uint16_t ref_count = 0;

    bool IsFree() const { return length == 0 && ref_count == 0; }
    // A short entry whose length is 0 but whose count is not announces the
    // long form: an empty string is never stored, so the pair cannot mean
    // anything else.
    static bool IsLongFormMarker(uint16_t length, uint16_t count) {
        return length == 0 && count != 0;
    }
    size_t EncodedSize() const { return length < kShortLengthLimit ? kShortSize : kLongSize; }
    // Writes the short or the long form as the length demands. A long entry
    // needs a non-zero count; the caller writes such a string as free instead.
    void EncodeTo(std::vector<uint8_t>& out) const;
    // Reads one entry at the front of `bytes`, setting `consumed` to 4 or 8.
    static Result<PoolEntry> Decode(std::span<const uint8_t> bytes, size_t& consumed);
    // The short form alone, for readers that walk many entries: false when the
    // four bytes at `p` announce the long form (a length of 0 with a count),
    // which Decode then reads.
    static bool DecodeShort(const uint8_t* p, PoolEntry& entry) {
        const uint16_t length = uint16_t(p[0] | (p[1] << 8));
        const uint16_t count = uint16_t(p[2] | (p[3] << 8));
        if (IsLongFormMarker(length, count)) return false;
        entry = PoolEntry{length, count};
        return true;
    }
    // Reads one entry the way libmsi's writer (wrongly) lays out long strings:
    // 0, length >> 16, length & 0xFFFF, count. Used only as a fallback; see
    // StringPool::Load.
    static Result<PoolEntry> DecodeLibmsiForm(std::span<const uint8_t> bytes, size_t& consumed);
};

}  // namespace msi::format
