// CMsiBinaryValue: the bytes of one stream field (binary data). The buffer
// holds one byte more than the count, so an empty stream still has a buffer;
// the value owns it.
#pragma once

#include <cstdint>
#include <memory>

class CMsiBinaryValue {
  public:
    CMsiBinaryValue() = default;
    CMsiBinaryValue(const CMsiBinaryValue& other);
    CMsiBinaryValue& operator=(const CMsiBinaryValue& other);
    CMsiBinaryValue(CMsiBinaryValue&&) = default;
    CMsiBinaryValue& operator=(CMsiBinaryValue&&) = default;

    // A buffer of count + 1 zeroed bytes, replacing the old one.
    void Allocate(std::uint32_t count);
    // Shortens the count (never lengthens it), for a read that gave fewer bytes.
    void Truncate(std::uint32_t count);
    // A copy of `count` bytes.
    void Assign(const void* data, std::uint32_t count);

    std::uint32_t GetCount() const { return m_dwCount; }
    char* GetData() { return m_pData.get(); }
    const char* GetData() const { return m_pData.get(); }

  private:
    std::uint32_t m_dwCount = 0;
    std::unique_ptr<char[]> m_pData;
};
