#include "db/record.h"

namespace msi::db {

Record::Record(uint32_t field_count) : fields_(static_cast<size_t>(field_count) + 1) {}

Record::Kind Record::KindOf(uint32_t i) const {
    if (!HasField(i)) return Kind::kNull;
    return static_cast<Kind>(fields_[i].index());
}

void Record::SetNull(uint32_t i) {
    if (HasField(i)) fields_[i] = std::monostate{};
}

void Record::SetInteger(uint32_t i, int32_t value) {
    if (!HasField(i)) return;
    if (value == kNullInteger) {
        fields_[i] = std::monostate{};
    } else {
        fields_[i] = value;
    }
}

void Record::SetString(uint32_t i, std::string value) {
    if (!HasField(i)) return;
    if (value.empty()) {
        fields_[i] = std::monostate{};
    } else {
        fields_[i] = std::move(value);
    }
}

void Record::SetStream(uint32_t i, StreamSourcePtr source) {
    if (!HasField(i)) return;
    if (!source) {
        fields_[i] = std::monostate{};
    } else {
        fields_[i] = StreamField{std::move(source), 0};
    }
}

void Record::Clear() {
    for (auto& f : fields_) f = std::monostate{};
}

bool ParseRecordInteger(const std::string& text, int32_t& value) {
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
            return std::get<int32_t>(fields_[i]);
        case Kind::kString: {
            int32_t v = 0;
            if (ParseRecordInteger(std::get<std::string>(fields_[i]), v)) return v;
            return kNullInteger;
        }
        default:
            return kNullInteger;
    }
}

std::string Record::GetString(uint32_t i) const {
    switch (KindOf(i)) {
        case Kind::kInteger:
            return std::to_string(std::get<int32_t>(fields_[i]));
        case Kind::kString:
            return std::get<std::string>(fields_[i]);
        default:
            return std::string();
    }
}

std::string_view Record::StringView(uint32_t i) const {
    if (KindOf(i) != Kind::kString) return std::string_view();
    return std::get<std::string>(fields_[i]);
}

StreamSourcePtr Record::GetStream(uint32_t i) const {
    if (KindOf(i) != Kind::kStream) return nullptr;
    return std::get<StreamField>(fields_[i]).source;
}

uint64_t Record::DataSize(uint32_t i) const {
    switch (KindOf(i)) {
        case Kind::kInteger:
            return sizeof(int32_t);
        case Kind::kString:
            return std::get<std::string>(fields_[i]).size();
        case Kind::kStream:
            return std::get<StreamField>(fields_[i]).source->Size();
        default:
            return 0;
    }
}

Result<size_t> Record::ReadStream(uint32_t i, std::span<std::byte> out) {
    if (KindOf(i) != Kind::kStream) return Status::InvalidArgument("field is not a stream");
    auto& field = std::get<StreamField>(fields_[i]);
    auto n = field.source->ReadAt(field.position, out);
    if (!n.ok()) return n.status();
    field.position += *n;
    return *n;
}

void Record::RewindStream(uint32_t i) {
    if (KindOf(i) == Kind::kStream) std::get<StreamField>(fields_[i]).position = 0;
}

}  // namespace msi::db
