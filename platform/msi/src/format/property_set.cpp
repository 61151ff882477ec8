#include "format/property_set.h"

#include <algorithm>
#include <cstring>

#include "format/byte_order.h"

namespace msi::format {
namespace {

constexpr size_t kAlignment = 4;
constexpr size_t kTypeSize = 4;
constexpr size_t kSectionOffsetOfFirst =
    SummaryPropertySet::kHeaderSize + SummaryPropertySet::kSectionEntrySize;
constexpr uint32_t kDictionaryPid = 0;
constexpr uint32_t kFirstSpecialPid = 0x80000000;  // locale, behaviour: not ours

size_t Padded(size_t n) {
    return (n + kAlignment - 1) / kAlignment * kAlignment;
}

void AppendPadding(std::vector<uint8_t>& out) {
    out.resize(Padded(out.size()), 0);
}

std::string At(size_t offset) {
    return " at offset " + std::to_string(offset);
}

// Reads a value that starts `offset` bytes into `section`. Returns monostate for
// types this codec does not keep.
Result<PropertyValue> DecodeValue(std::span<const uint8_t> section, size_t offset, uint32_t pid) {
    const std::string where = " (property " + std::to_string(pid) + At(offset) + ")";
    if (offset > section.size() || section.size() - offset < kTypeSize) {
        return Status::Corrupt("property value lies outside its section" + where);
    }
    const uint32_t type = LoadU32(section.data() + offset);
    const std::span<const uint8_t> body = section.subspan(offset + kTypeSize);
    auto need = [&](size_t n) -> Status {
        if (body.size() < n) return Status::Corrupt("property value is truncated" + where);
        return Status::Ok();
    };
    switch (type) {
        case kVtI2:
            if (Status s = need(2); !s.ok()) return s;
            return PropertyValue(int16_t(LoadU16(body.data())));
        case kVtI4:
            if (Status s = need(4); !s.ok()) return s;
            return PropertyValue(int32_t(LoadU32(body.data())));
        case kVtFiletime:
            if (Status s = need(8); !s.ok()) return s;
            return PropertyValue(FileTime{LoadU64(body.data())});
        case kVtLpstr: {
            if (Status s = need(4); !s.ok()) return s;
            const uint32_t count = LoadU32(body.data());
            if (body.size() - 4 < count) {
                return Status::Corrupt("string of " + std::to_string(count) +
                                       " bytes runs past its section" + where);
            }
            // The count includes the NUL; like the interface, stop at the first NUL.
            const char* text = reinterpret_cast<const char*>(body.data() + 4);
            return PropertyValue(std::string(text, std::find(text, text + count, '\0')));
        }
        default:
            // Empty, null and other types carry nothing the installer reads.
            return PropertyValue();
    }
}

void EncodeValue(const PropertyValue& value, std::vector<uint8_t>& out) {
    if (const auto* i2 = std::get_if<int16_t>(&value)) {
        AppendU32(out, kVtI2);
        AppendU16(out, uint16_t(*i2));
    } else if (const auto* i4 = std::get_if<int32_t>(&value)) {
        AppendU32(out, kVtI4);
        AppendU32(out, uint32_t(*i4));
    } else if (const auto* time = std::get_if<FileTime>(&value)) {
        AppendU32(out, kVtFiletime);
        AppendU64(out, time->ticks);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        AppendU32(out, kVtLpstr);
        AppendU32(out, uint32_t(text->size() + 1));
        out.insert(out.end(), text->begin(), text->end());
        out.push_back(0);
    }
    AppendPadding(out);
}

}  // namespace

std::vector<uint8_t> SummaryPropertySet::Encode() const {
    size_t count = 0;
    for (const auto& [pid, value] : properties) {
        if (!std::holds_alternative<std::monostate>(value)) ++count;
    }
    std::vector<uint8_t> out;
    AppendU16(out, kByteOrderMark);
    AppendU16(out, 0);  // format version
    AppendU32(out, kOsVersion);
    out.resize(out.size() + 16, 0);  // CLSID
    AppendU32(out, 1);               // one section
    out.insert(out.end(), std::begin(kFmtid), std::end(kFmtid));
    AppendU32(out, uint32_t(kSectionOffsetOfFirst));

    const size_t section_start = out.size();
    const size_t table_start = section_start + kSectionHeaderSize;
    out.resize(table_start + count * kPropertyEntrySize, 0);  // header and table, filled below
    size_t slot = table_start;
    for (const auto& [pid, value] : properties) {
        if (std::holds_alternative<std::monostate>(value)) continue;
        StoreU32(out.data() + slot, pid);
        StoreU32(out.data() + slot + 4, uint32_t(out.size() - section_start));
        slot += kPropertyEntrySize;
        EncodeValue(value, out);
    }
    StoreU32(out.data() + section_start, uint32_t(out.size() - section_start));
    StoreU32(out.data() + section_start + 4, uint32_t(count));
    return out;
}

Result<SummaryPropertySet> SummaryPropertySet::Decode(std::span<const uint8_t> stream) {
    if (stream.size() < kHeaderSize) {
        return Status::Corrupt("summary information of " + std::to_string(stream.size()) +
                               " bytes is shorter than its 28-byte header");
    }
    if (LoadU16(stream.data()) != kByteOrderMark) {
        return Status::Corrupt("summary information lacks the 0xFFFE byte order mark");
    }
    const uint32_t section_count = LoadU32(stream.data() + 24);
    if ((stream.size() - kHeaderSize) / kSectionEntrySize < section_count) {
        return Status::Corrupt("summary information lists " + std::to_string(section_count) +
                               " sections, more than its size holds");
    }
    // Other sections (a user-defined one, say) are not the installer's.
    std::span<const uint8_t> section;
    for (uint32_t i = 0; i < section_count && section.empty(); ++i) {
        const uint8_t* entry = stream.data() + kHeaderSize + i * kSectionEntrySize;
        if (std::memcmp(entry, kFmtid, sizeof kFmtid) != 0) continue;
        const uint32_t offset = LoadU32(entry + 16);
        if (offset > stream.size() || stream.size() - offset < kSectionHeaderSize) {
            return Status::Corrupt("summary section offset " + std::to_string(offset) +
                                   " lies outside the stream");
        }
        const uint32_t size = LoadU32(stream.data() + offset);
        if (size < kSectionHeaderSize || size > stream.size() - offset) {
            return Status::Corrupt("summary section size " + std::to_string(size) +
                                   " does not fit the stream" + At(offset));
        }
        section = stream.subspan(offset, size);
    }
    if (section.empty()) {
        return Status::Corrupt("summary information has no section with the summary FMTID");
    }
    const uint32_t count = LoadU32(section.data() + 4);
    if ((section.size() - kSectionHeaderSize) / kPropertyEntrySize < count) {
        return Status::Corrupt("summary section lists " + std::to_string(count) +
                               " properties, more than its size holds");
    }
    SummaryPropertySet set;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = section.data() + kSectionHeaderSize + i * kPropertyEntrySize;
        const uint32_t pid = LoadU32(entry);
        const uint32_t offset = LoadU32(entry + 4);
        // The dictionary has no type word, and special ids are not properties
        // of the installer; neither is read.
        if (pid == kDictionaryPid || pid >= kFirstSpecialPid) continue;
        Result<PropertyValue> value = DecodeValue(section, offset, pid);
        if (!value.ok()) return value.status();
        if (std::holds_alternative<std::monostate>(*value)) continue;
        // The offset table is the only authority and it names this id twice;
        // the first entry is as good as the second, and failing the whole
        // stream over it would lose every other property.
        set.properties.emplace(pid, std::move(*value));
    }
    return set;
}

}  // namespace msi::format
