#include "db/cells.h"

#include <algorithm>
#include <cstring>

namespace msi::db {

Cells& Cells::operator=(const Cells& other) {
    if (this != &other) Assign(other.data_, other.size_);
    return *this;
}

Cells& Cells::operator=(Cells&& other) noexcept {
    if (this != &other) {
        Release();
        Take(other);
    }
    return *this;
}

Cells Cells::Viewing(uint32_t* data, size_t size) {
    Cells cells;
    cells.data_ = data;
    cells.size_ = static_cast<uint32_t>(size);
    return cells;
}

void Cells::push_back(uint32_t cell) {
    // A row viewing its table's block has no room of its own (capacity 0).
    if (size_ >= capacity_) Reserve(std::max<size_t>(4, size_t{size_} * 2));
    data_[size_++] = cell;
}

void Cells::resize(size_t size, uint32_t cell) {
    if (size > size_) {
        if (size > capacity_) Reserve(size);
        std::fill(data_ + size_, data_ + size, cell);
    }
    size_ = static_cast<uint32_t>(size);
}

void Cells::Assign(const uint32_t* cells, size_t size) {
    if (size == 0) {
        Release();
        return;
    }
    // New storage first: `cells` may be this row's own.
    auto* fresh = new uint32_t[size];
    std::memcpy(fresh, cells, size * sizeof(uint32_t));
    Release();
    data_ = fresh;
    size_ = static_cast<uint32_t>(size);
    capacity_ = static_cast<uint32_t>(size);
}

void Cells::Take(Cells& other) {
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.size_ = 0;
    other.capacity_ = 0;
}

void Cells::Release() {
    if (capacity_ != 0) delete[] data_;
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}

void Cells::Reserve(size_t capacity) {
    auto* fresh = new uint32_t[capacity];
    if (size_ != 0) std::memcpy(fresh, data_, size_t{size_} * sizeof(uint32_t));
    const uint32_t size = size_;
    Release();
    data_ = fresh;
    size_ = size;
    capacity_ = static_cast<uint32_t>(capacity);
}

bool operator==(const Cells& a, const Cells& b) {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace msi::db
