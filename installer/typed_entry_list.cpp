#include "typed_entry_list.h"

namespace {

void StoreGrowing(std::vector<std::uint32_t>& values, int index, std::uint32_t value) {
    if (index < 0) return;
    const auto position = static_cast<std::size_t>(index);
    if (position >= values.size()) values.resize(position + 1, 0);
    values[position] = value;
}

std::uint32_t ValueOrZero(const std::vector<std::uint32_t>& values, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= values.size()) return 0;
    return values[static_cast<std::size_t>(index)];
}

}  // namespace

void CTypedEntryList::SetColumnAttributes(int index, std::uint32_t value) {
    StoreGrowing(m_dwaColumnAttributes, index, value);
}

std::uint32_t CTypedEntryList::GetColumnAttributes(int index) const {
    return ValueOrZero(m_dwaColumnAttributes, index);
}

void CTypedEntryList::SetColumnType(int index, std::uint32_t type) {
    StoreGrowing(m_dwaColumnTypes, index, type);
}

int CTypedEntryList::GetColumnType(int index) const {
    return static_cast<int>(ValueOrZero(m_dwaColumnTypes, index));
}
