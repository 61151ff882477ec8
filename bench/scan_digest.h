// A fingerprint of everything a table scan read, so that the run script can
// check that our engine and the peer library did the same work before it
// compares their times. Shared by both benchmark programs.
//
// Rows and tables are summed, not chained, so the fingerprint does not depend
// on the order in which an engine lists the tables; within a row the cells are
// chained in column order, so a value in the wrong column changes it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace bench {

class ScanDigest {
  public:
    void BeginRow() {
        row_hash_ = kFnvOffset;
        ++rows_;
    }
    void EndRow() { sum_ += row_hash_; }

    void AddNull() { Tag(0x4e); }
    void AddInteger(int32_t value) {
        Tag(0x49);
        for (int shift = 0; shift < 32; shift += 8) Mix(static_cast<uint8_t>(value >> shift));
    }
    // Eight bytes a step: byte by byte, hashing the strings would cost a
    // tenth of a small package's scan, on both sides alike.
    void AddString(std::string_view text) {
        Tag(0x53);
        size_t i = 0;
        for (; i + 8 <= text.size(); i += 8) {
            uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            MixWord(word);
        }
        for (; i < text.size(); ++i) Mix(static_cast<uint8_t>(text[i]));
        string_bytes_ += text.size();
    }
    // Binary cells are only counted: reading every cabinet is the stream
    // benchmark's job, not the table scan's.
    void AddStream() { Tag(0x56); }

    void CountTable() { ++tables_; }

    void Print(FILE* out) const {
        std::fprintf(
            out, "tables=%llu rows=%llu cells=%llu string_bytes=%llu digest=%016llx\n",
            static_cast<unsigned long long>(tables_), static_cast<unsigned long long>(rows_),
            static_cast<unsigned long long>(cells_), static_cast<unsigned long long>(string_bytes_),
            static_cast<unsigned long long>(sum_));
    }

  private:
    static constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
    static constexpr uint64_t kFnvPrime = 0x100000001b3ull;

    // Each cell starts with a tag byte for its kind, so that a null, an empty
    // string and a zero never look alike.
    void Tag(uint8_t kind) {
        ++cells_;
        Mix(kind);
    }
    void Mix(uint8_t byte) { row_hash_ = (row_hash_ ^ byte) * kFnvPrime; }
    void MixWord(uint64_t word) {
        row_hash_ = (row_hash_ ^ word) * kFnvPrime;
        row_hash_ ^= row_hash_ >> 29;  // the multiply alone moves high bits only upwards
    }

    uint64_t row_hash_ = kFnvOffset;
    uint64_t sum_ = 0;
    uint64_t tables_ = 0;
    uint64_t rows_ = 0;
    uint64_t cells_ = 0;
    uint64_t string_bytes_ = 0;
};

}  // namespace bench
