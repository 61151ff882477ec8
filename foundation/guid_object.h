// CGuid: an object holding one 16-byte GUID value, bytes in their stored order.
#pragma once

#include <array>
#include <cstdint>

#include "s_object.h"

class CGuid : public CSObject {
    DECLARE_SERIAL(CGuid)
  public:
    // Flag set when the value was loaded from an archive.
    static constexpr std::uint32_t kLoaded = 0x1;

    CGuid() = default;
    ~CGuid() override = default;

    // Stores the 16 bytes as they are; loading reads them back and sets kLoaded.
    void Serialize(CArchive& ar) override;

    // Starts as all zero bytes, so that a value never set reads the same every time.
    std::array<std::uint8_t, 16> m_guid{};
};
