// Little-endian loads and stores for the format codecs. Every integer in the
// installer's streams (string pool, tables, property sets) is little-endian.
// Callers check lengths before they call these; the helpers do not.
#pragma once

#include <cstdint>
#include <vector>

namespace msi::format {

inline uint16_t LoadU16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t LoadU24(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
}
inline uint32_t LoadU32(const uint8_t* p) {
    return LoadU24(p) | (uint32_t(p[3]) << 24);
}
inline uint64_t LoadU64(const uint8_t* p) {
    return uint64_t(LoadU32(p)) | (uint64_t(LoadU32(p + 4)) << 32);
}

inline void StoreU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void StoreU24(uint8_t* p, uint32_t v) {
    StoreU16(p, uint16_t(v));
    p[2] = uint8_t(v >> 16);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
    StoreU24(p, v);
    p[3] = uint8_t(v >> 24);
}
inline void StoreU64(uint8_t* p, uint64_t v) {
    StoreU32(p, uint32_t(v));
    StoreU32(p + 4, uint32_t(v >> 32));
}

// Appending forms for writers that build a stream front to back.
inline void AppendU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void AppendU32(std::vector<uint8_t>& out, uint32_t v) {
    AppendU16(out, uint16_t(v));
    AppendU16(out, uint16_t(v >> 16));
}
inline void AppendU64(std::vector<uint8_t>& out, uint64_t v) {
    AppendU32(out, uint32_t(v));
    AppendU32(out, uint32_t(v >> 32));
}

}  // namespace msi::format
