#include "format/pool_entry.h"

#include <cassert>

#include "format/byte_order.h"

namespace msi::format {

void PoolHeader::EncodeTo(std::vector<uint8_t>& out) const {
    assert((code_page & ~kCodePageMask) == 0);
    AppendU32(out, code_page | (long_refs ? kLongRefsFlag : 0));
}

Result<PoolHeader> PoolHeader::Decode(std::span<const uint8_t> bytes) {
    if (bytes.size() < kEncodedSize) {
        return Status::Corrupt("_StringPool is " + std::to_string(bytes.size()) +
                               " bytes, too short for its 4-byte header");
    }
    const uint32_t word = LoadU32(bytes.data());
    return PoolHeader{word & kCodePageMask, (word & kLongRefsFlag) != 0};
}

void PoolEntry::EncodeTo(std::vector<uint8_t>& out) const {
    if (length < kShortLengthLimit) {
        AppendU16(out, uint16_t(length));
        AppendU16(out, ref_count);
        return;
    }
    assert(ref_count != 0);
    AppendU16(out, 0);
    AppendU16(out, ref_count);
    AppendU32(out, length);
}

Result<PoolEntry> PoolEntry::Decode(std::span<const uint8_t> bytes, size_t& consumed) {
    if (bytes.size() < kShortSize) {
        return Status::Corrupt("_StringPool ends inside an entry");
    }
    const uint16_t length = LoadU16(bytes.data());
    const uint16_t count = LoadU16(bytes.data() + 2);
    if (!IsLongFormMarker(length, count)) {
        consumed = kShortSize;
        return PoolEntry{length, count};
    }
    if (bytes.size() < kLongSize) {
        return Status::Corrupt("_StringPool ends inside a long-string entry");
    }
    const uint32_t long_length = LoadU32(bytes.data() + 4);
    // A zero length here would make the entry a free id with a count, which
    // no writer produces; trusting it would shift every later id.
    if (long_length == 0) return Status::Corrupt("long-string entry with length 0");
    consumed = kLongSize;
    return PoolEntry{long_length, count};
}

Result<PoolEntry> PoolEntry::DecodeLibmsiForm(std::span<const uint8_t> bytes, size_t& consumed) {
    if (bytes.size() < kShortSize) {
        return Status::Corrupt("_StringPool ends inside an entry");
    }
    const uint16_t length = LoadU16(bytes.data());
    const uint16_t high = LoadU16(bytes.data() + 2);
    if (!IsLongFormMarker(length, high)) {
        consumed = kShortSize;
        return PoolEntry{length, high};
    }
    if (bytes.size() < kLongSize) {
        return Status::Corrupt("_StringPool ends inside a long-string entry");
    }
    consumed = kLongSize;
    const uint32_t full = (uint32_t(high) << 16) | LoadU16(bytes.data() + 4);
    return PoolEntry{full, LoadU16(bytes.data() + 6)};
}

}  // namespace msi::format
