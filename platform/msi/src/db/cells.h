// The cells of one table row (what a cell means: table.h).
//
// A table read from its stream keeps all its cells in one block, and each of
// its rows views its own stretch of that block: loading a table makes no
// allocation per row. A row takes storage of its own the first time it needs
// a different width (a column added) or is given other cells as a whole, and
// a copy always owns its cells. Reading and writing single cells work the
// same either way, so callers use it like the std::vector it replaces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace msi::db {

class Cells {
  public:
    Cells() = default;
    Cells(std::initializer_list<uint32_t> cells) { Assign(cells.begin(), cells.size()); }
    // Implicit, so that rows can still be given a vector of cells.
    Cells(const std::vector<uint32_t>& cells) { Assign(cells.data(), cells.size()); }
    Cells(const Cells& other) { Assign(other.data_, other.size_); }
    Cells(Cells&& other) noexcept { Take(other); }
    Cells& operator=(const Cells& other);
    Cells& operator=(Cells&& other) noexcept;
    ~Cells() { Release(); }

    // Cells that view `size` cells at `data`, which must outlive them.
    static Cells Viewing(uint32_t* data, size_t size);

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    uint32_t* data() { return data_; }
    const uint32_t* data() const { return data_; }
    uint32_t& operator[](size_t i) { return data_[i]; }
    uint32_t operator[](size_t i) const { return data_[i]; }
    uint32_t* begin() { return data_; }
    uint32_t* end() { return data_ + size_; }
    const uint32_t* begin() const { return data_; }
    const uint32_t* end() const { return data_ + size_; }
    uint32_t back() const { return data_[size_ - 1]; }

    void push_back(uint32_t cell);
    void resize(size_t size, uint32_t cell = 0);
    template <class It>
    void assign(It first, It last) {
        const std::vector<uint32_t> cells(first, last);
        Assign(cells.data(), cells.size());
    }

    operator std::span<const uint32_t>() const { return {data_, size_}; }
    friend bool operator==(const Cells& a, const Cells& b);

  private:
    // Copies `size` cells into storage of its own (they may be its own).
    void Assign(const uint32_t* cells, size_t size);
    void Take(Cells& other);
    void Release();
    // Makes room for `capacity` cells in storage of its own, keeping them.
    void Reserve(size_t capacity);

    uint32_t* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;  // 0 while viewing a block (or empty): nothing to free
};

}  // namespace msi::db
