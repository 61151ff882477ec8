#include "msi_binary_value.h"

#include <cstring>

CMsiBinaryValue::CMsiBinaryValue(const CMsiBinaryValue& other) {
    *this = other;
}

CMsiBinaryValue& CMsiBinaryValue::operator=(const CMsiBinaryValue& other) {
    if (this != &other) {
        if (other.m_pData)
            Assign(other.m_pData.get(), other.m_dwCount);
        else
            m_pData.reset(), m_dwCount = 0;
    }
    return *this;
}

void CMsiBinaryValue::Allocate(std::uint32_t count) {
    // Zeroed, the extra byte too: a short read must never expose stale memory.
    m_pData = std::make_unique<char[]>(static_cast<std::size_t>(count) + 1);
    m_dwCount = count;
}

void CMsiBinaryValue::Truncate(std::uint32_t count) {
    if (count < m_dwCount) m_dwCount = count;
}

void CMsiBinaryValue::Assign(const void* data, std::uint32_t count) {
    Allocate(count);
    if (count != 0) std::memcpy(m_pData.get(), data, count);
}
