#include "db/record.h"

#include <algorithm>

namespace msi::db {

Record::Record(uint32_t field_count)
    : count_(static_cast<size_t>(field_count) + 1), fields_(std::make_unique<Field[]>(count_)) {}

void Record::Reserve(Field& field, size_t size) {
    // Room to spare, so that a field refilled row after row with texts of
    // growing length does not allocate for each.
    const size_t capacity = std::max<size_t>({size, field.capacity * 2, 32});
    field.text = std::make_unique_for_overwrite<char[]>(capacity);
    field.capacity = capacity;
}

void Record::SetStream(uint32_t i, StreamSourcePtr source) {
    if (!HasField(i)) return;
    if (!source) return SetNull(i);
    Field& field = fields_[i];
    field.kind = Kind::kStream;
    field.stream = std::move(source);
    field.position = 0;
}

void Record::Clear() {
    for (uint32_t i = 0; i < count_; ++i) SetNull(i);
}

bool ParseRecordInteger(std::string_view text, int32_t& value) {
    size_t pos = text.empty() || text[0] != '-' ? 0 : 1;
    if (pos == text.size()) return false;
    // The installer accumulates in 32 bits and lets the value wrap, so
    // "4294967297" reads as 1; scripts that compare results rely on it.
    uint32_t v = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9') return false;
        v = v * 10u + static_cast<uint32_t>(c - '0');
    }
    if (text[0] == '-') v = 0u - v;
    value = static_cast<int32_t>(v);
    return true;
}

int32_t Record::GetInteger(uint32_t i) const {
    switch (KindOf(i)) {
        case Kind::kInteger:
            return fields_[i].integer;
        case Kind::kString: {
            int32_t v = 0;
            if (ParseRecordInteger(StringView(i), v)) return v;
            return kNullInteger;
        }
        default:
            return kNullInteger;
    }
}

std::string Record::GetString(uint32_t i) const {
    switch (KindOf(i)) {
        case Kind::kInteger:
            return std::to_string(fields_[i].integer);
        case Kind::kString:
            return std::string(StringView(i));
        default:
            return std::string();
    }
}

StreamSourcePtr Record::GetStream(uint32_t i) const {
    if (KindOf(i) != Kind::kStream) return nullptr;
    return fields_[i].stream;
}

uint64_t Record::DataSize(uint32_t i) const {
    switch (KindOf(i)) {
        case Kind::kInteger:
            return sizeof(int32_t);
        case Kind::kString:
            return fields_[i].size;
        case Kind::kStream:
            return fields_[i].stream->Size();
        default:
            return 0;
    }
}

Result<size_t> Record::ReadStream(uint32_t i, std::span<std::byte> out) {
    if (KindOf(i) != Kind::kStream) return Status::InvalidArgument("field is not a stream");
    Field& field = fields_[i];
    auto n = field.stream->ReadAt(field.position, out);
    if (!n.ok()) return n.status();
    field.position += *n;
    return *n;
}

void Record::RewindStream(uint32_t i) {
    if (KindOf(i) == Kind::kStream) fields_[i].position = 0;
}

}  // namespace msi::db
