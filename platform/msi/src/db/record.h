// A record: fields 0..n, each null, a 32-bit integer, a string (bytes in the
// process's ANSI code page) or a stream. Records carry rows out of views,
// parameters into them, and column information. Field 0 is an extra field
// that callers use freely (views put the table's format string or nothing).
//
// A field keeps its string's storage when it is set to something else, so
// that a record refilled row after row (a view hands out one at a time)
// copies each cell's text without allocating.
//
// Not thread-safe: one record is used by one caller at a time, as installer
// records are.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/stream_source.h"

namespace msi::db {

class Record {
  public:
    // The interface refuses to create larger records.
    static constexpr uint32_t kMaxFields = 65535;
    // The integer value that stands for "no value".
    static constexpr int32_t kNullInteger = INT32_MIN;

    enum class Kind { kNull, kInteger, kString, kStream };

    explicit Record(uint32_t field_count);

    uint32_t FieldCount() const { return static_cast<uint32_t>(count_ - 1); }
    // True for fields 0..FieldCount().
    bool HasField(uint32_t i) const { return i < count_; }
    // Fields past the end read as null.
    Kind KindOf(uint32_t i) const { return HasField(i) ? fields_[i].kind : Kind::kNull; }
    bool IsNull(uint32_t i) const { return KindOf(i) == Kind::kNull; }

    // Setters ignore fields past the end; callers check HasField first where
    // the interface demands an error. They are inline: a view fills every
    // cell of every fetched row through them.
    void SetNull(uint32_t i) {
        if (!HasField(i)) return;
        fields_[i].kind = Kind::kNull;
        fields_[i].stream.reset();
    }
    // kNullInteger stores null.
    void SetInteger(uint32_t i, int32_t value) {
        if (!HasField(i)) return;
        if (value == kNullInteger) return SetNull(i);
        Field& field = fields_[i];
        field.kind = Kind::kInteger;
        field.integer = value;
        field.stream.reset();
    }
    // An empty string stores null, as the installer does.
    void SetString(uint32_t i, std::string_view value) {
        if (!HasField(i)) return;
        if (value.empty()) return SetNull(i);
        Field& field = fields_[i];
        // `value` may be this field's own text, which always fits.
        if (value.size() > field.capacity) Reserve(field, value.size());
        std::memmove(field.text.get(), value.data(), value.size());
        field.size = value.size();
        field.kind = Kind::kString;
        field.stream.reset();
    }
    void SetStream(uint32_t i, StreamSourcePtr source);
    // Sets every field, field 0 included, to null.
    void Clear();

    // An integer field's value; a string field that is a whole decimal number
    // gives that number; anything else gives kNullInteger.
    int32_t GetInteger(uint32_t i) const;
    // A string field's text, an integer's decimal text, "" for null and streams.
    std::string GetString(uint32_t i) const;
    // A string field's text without a copy, "" for every other kind; valid
    // until the field changes.
    std::string_view StringView(uint32_t i) const {
        if (KindOf(i) != Kind::kString) return std::string_view();
        return {fields_[i].text.get(), fields_[i].size};
    }
    // The stream of a stream field, or null.
    StreamSourcePtr GetStream(uint32_t i) const;
    // Bytes of a string or stream, 4 for an integer, 0 for null.
    uint64_t DataSize(uint32_t i) const;

    // Reads the next bytes of a stream field from its read position and moves
    // the position on. Each field keeps its own position; setting the field
    // or RewindStream puts it back to 0.
    Result<size_t> ReadStream(uint32_t i, std::span<std::byte> out);
    void RewindStream(uint32_t i);

    // Where a fetched record came from: the view that fetched it and the row
    // behind it, so that the view can update, delete or refresh that row.
    void SetOrigin(const void* view, std::shared_ptr<void> row) {
        origin_view_ = view;
        origin_row_ = std::move(row);
    }
    const void* origin_view() const { return origin_view_; }
    const std::shared_ptr<void>& origin_row() const { return origin_row_; }

  private:
    const void* origin_view_ = nullptr;
    std::shared_ptr<void> origin_row_;
    // Only the member `kind` names is the value; `text` keeps its storage
    // while the field holds another kind.
    struct Field {
        Kind kind = Kind::kNull;
        int32_t integer = 0;
        size_t size = 0;      // bytes of the text
        size_t capacity = 0;  // bytes `text` has room for
        std::unique_ptr<char[]> text;
        StreamSourcePtr stream;
        uint64_t position = 0;  // of the next ReadStream
    };
    // Gives the field room for `size` bytes of text; its text is not kept.
    static void Reserve(Field& field, size_t size);

    // A record never changes its number of fields: an array and its length,
    // so that the bounds check of every field read is one comparison.
    size_t count_;
    std::unique_ptr<Field[]> fields_;
};

// Parses a whole decimal number the way record integers are read from text:
// an optional '-' and digits only (no '+', no spaces), wrapping to 32 bits;
// false otherwise.
bool ParseRecordInteger(std::string_view text, int32_t& value);

}  // namespace msi::db
