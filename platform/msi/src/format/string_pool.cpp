#include "format/string_pool.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "format/code_page.h"
#include "format/pool_entry.h"

namespace msi::format {
namespace {

// Compaction copies every live string, so it waits until freed strings make up
// half the buffer and at least this much.
constexpr size_t kCompactionThreshold = 1 << 20;

struct EntryList {
    std::vector<PoolEntry> entries;
    uint64_t total_length = 0;
    bool has_long_form = false;
};

using EntryDecoder = Result<PoolEntry> (*)(std::span<const uint8_t>, size_t&);

// Reads all entries after the header with one of the two long-string readings.
Result<EntryList> ReadEntries(std::span<const uint8_t> entries, EntryDecoder decode) {
    EntryList list;
    list.entries.reserve(entries.size() / PoolEntry::kShortSize);
    size_t pos = 0;
    while (pos < entries.size()) {
        size_t consumed = 0;
        Result<PoolEntry> entry = decode(entries.subspan(pos), consumed);
        if (!entry.ok()) {
            return Status::Corrupt(entry.status().message() + " (id " +
                                   std::to_string(list.entries.size() + 1) + ")");
        }
        list.has_long_form |= consumed == PoolEntry::kLongSize;
        list.total_length += entry->length;
        list.entries.push_back(*entry);
        pos += consumed;
    }
    if (list.entries.size() > StringPool::kMaxId) {
        return Status::Corrupt("_StringPool holds " + std::to_string(list.entries.size()) +
                               " ids; 3-byte references reach only 16,777,215");
    }
    return list;
}

}  // namespace

Result<StringPool> StringPool::Load(std::span<const uint8_t> pool, std::span<const uint8_t> data) {
    StringPool result;
    if (pool.empty()) {
        // Without entries no byte of _StringData can be reached.
        if (!data.empty()) return Status::Corrupt("_StringData present without _StringPool");
        return result;
    }
    Result<PoolHeader> header = PoolHeader::Decode(pool);
    if (!header.ok()) return header.status();
    const std::span<const uint8_t> entry_bytes = pool.subspan(PoolHeader::kEncodedSize);

    Result<EntryList> list = ReadEntries(entry_bytes, &PoolEntry::Decode);
    if (!list.ok()) return list.status();
    if (list->has_long_form && list->total_length != data.size()) {
        // libmsi's writer lays long entries out as 0, length >> 16,
        // length & 0xFFFF, count. Read correctly, such a pool accounts for the
        // wrong number of bytes. Both forms take 8 bytes and one id, so the
        // only safe evidence is the byte total: we switch readings only when
        // libmsi's reading matches _StringData to the byte and ours does not.
        Result<EntryList> libmsi = ReadEntries(entry_bytes, &PoolEntry::DecodeLibmsiForm);
        if (libmsi.ok() && libmsi->total_length == data.size()) list = std::move(libmsi);
    }
    if (list->total_length > data.size()) {
        return Status::Corrupt("string lengths in _StringPool add up to " +
                               std::to_string(list->total_length) + " bytes, but _StringData has " +
                               std::to_string(data.size()));
    }
    // Fewer bytes than _StringData holds are accepted: the strings read are
    // whole, and other readers ignore such trailing bytes too.

    result.code_page_ = header->code_page;
    result.loaded_long_refs_ = header->long_refs;
    result.bytes_.assign(reinterpret_cast<const char*>(data.data()), list->total_length);
    const std::vector<PoolEntry>& entries = list->entries;
    result.slots_.resize(entries.size() + 1);
    result.index_.Reserve(entries.size());
    size_t offset = 0;
    for (uint32_t id = 1; id <= entries.size(); ++id) {
        const PoolEntry& entry = entries[id - 1];
        Slot& slot = result.slots_[id];
        if (entry.IsFree()) {
            result.free_ids_.push(id);
            continue;
        }
        // A string counted 0 times is kept: libmsi writes low counts, and only
        // a recount can tell whether it is really unused.
        slot.offset = offset;
        slot.length = entry.length;
        slot.refs = entry.ref_count;
        slot.used = true;
        offset += entry.length;
        ++result.used_;
        result.highest_ = id;
        const std::string_view text = result.TextOf(id);
        slot.hash = StringIndex::Hash(text);
        auto text_of = [&result](uint32_t other) { return result.TextOf(other); };
        if (result.index_.Find(text, slot.hash, text_of) == 0) {
            result.index_.Insert(id, slot.hash);
            slot.indexed = true;
        }
    }
    return result;
}

StringPool::Streams StringPool::Serialize() const {
    // A string of 64 KiB or more with no references is written as a free id:
    // its entry form announces itself by a non-zero count, so a zero count
    // would read back as a free id followed by garbage.
    auto written_as_free = [this](uint32_t id) {
        const Slot& slot = slots_[id];
        return !slot.used || (slot.length >= PoolEntry::kShortLengthLimit && slot.refs == 0);
    };
    uint32_t last = HighestId();
    while (last > 0 && written_as_free(last)) --last;  // trailing free ids are dropped

    Streams out;
    // The flag must agree with the reference width the tables were written
    // with, which NeedsLongRefs decided; it does not shrink with `last`.
    PoolHeader{code_page_, NeedsLongRefs()}.EncodeTo(out.pool);
    out.pool.reserve(PoolHeader::kEncodedSize + size_t(last) * PoolEntry::kShortSize);
    out.data.reserve(bytes_.size() - garbage_);
    for (uint32_t id = 1; id <= last; ++id) {
        PoolEntry entry;
        if (!written_as_free(id)) {
            entry.length = slots_[id].length;
            entry.ref_count =
                uint16_t(std::min<uint32_t>(slots_[id].refs, PoolEntry::kMaxRefCount));
            const std::string_view text = TextOf(id);
            out.data.insert(out.data.end(), text.begin(), text.end());
        }
        entry.EncodeTo(out.pool);
    }
    return out;
}

Status StringPool::SetCodePage(uint32_t code_page) {
    if (!IsValidDatabaseCodePage(code_page)) {
        return Status::InvalidArgument("code page " + std::to_string(code_page) +
                                       " is not a valid database code page");
    }
    code_page_ = code_page;
    return Status::Ok();
}

std::optional<std::string_view> StringPool::Lookup(uint32_t id) const {
    if (id == 0) return std::string_view();
    if (!IsUsed(id)) return std::nullopt;
    return TextOf(id);
}

uint32_t StringPool::Find(std::string_view bytes) const {
    if (bytes.empty()) return 0;
    auto text_of = [this](uint32_t id) { return TextOf(id); };
    return index_.Find(bytes, StringIndex::Hash(bytes), text_of);
}

Result<uint32_t> StringPool::Add(std::string_view bytes, uint32_t refs) {
    if (bytes.empty()) return 0u;
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
        return Status::InvalidArgument("string of " + std::to_string(bytes.size()) +
                                       " bytes is too long for the string pool");
    }
    const uint32_t hash = StringIndex::Hash(bytes);
    auto text_of = [this](uint32_t id) { return TextOf(id); };
    if (uint32_t id = index_.Find(bytes, hash, text_of); id != 0) {
        Slot& slot = slots_[id];
        if (slot.refs > std::numeric_limits<uint32_t>::max() - refs) {
            return Status::InvalidArgument("reference count overflow for string id " +
                                           std::to_string(id));
        }
        slot.refs += refs;
        return id;
    }
    uint32_t id = 0;
    if (!free_ids_.empty()) {
        id = free_ids_.top();
        free_ids_.pop();
    } else {
        if (slots_.size() > kMaxId) {
            return Status::Unsupported("string pool is full: ids end at 16,777,215");
        }
        if (slots_.empty()) slots_.emplace_back();  // id 0, the null string
        id = uint32_t(slots_.size());
        slots_.emplace_back();
    }
    // The caller's bytes may be a view into bytes_ (a part of a stored string);
    // copy them before compaction or growth can move the buffer.
    std::string copy;
    if (!bytes_.empty() && bytes.data() >= bytes_.data() &&
        bytes.data() < bytes_.data() + bytes_.size()) {
        copy.assign(bytes);
        bytes = copy;
    }
    CompactIfWasteful();
    Slot& slot = slots_[id];
    slot.offset = bytes_.size();
    slot.length = uint32_t(bytes.size());
    slot.refs = refs;
    slot.hash = hash;
    slot.used = true;
    slot.indexed = true;
    bytes_.append(bytes);
    index_.Insert(id, hash);
    ++used_;
    highest_ = std::max(highest_, id);
    return id;
}

Status StringPool::AddRef(uint32_t id) {
    if (id == 0) return Status::Ok();
    if (!IsUsed(id)) {
        return Status::InvalidArgument("AddRef of string id " + std::to_string(id) +
                                       ", which is not in use");
    }
    if (slots_[id].refs == std::numeric_limits<uint32_t>::max()) {
        return Status::InvalidArgument("reference count overflow for string id " +
                                       std::to_string(id));
    }
    ++slots_[id].refs;
    return Status::Ok();
}

Status StringPool::Release(uint32_t id) {
    if (id == 0) return Status::Ok();
    if (!IsUsed(id)) {
        return Status::InvalidArgument("Release of string id " + std::to_string(id) +
                                       ", which is not in use");
    }
    Slot& slot = slots_[id];
    // Counting below zero means a cell was released twice or never counted;
    // freeing now could drop a string other cells still name.
    if (slot.refs == 0) {
        return Status::InvalidArgument("Release of string id " + std::to_string(id) +
                                       ", whose count is already 0");
    }
    if (--slot.refs == 0) FreeSlot(id);
    return Status::Ok();
}

uint32_t StringPool::RefCount(uint32_t id) const {
    return IsUsed(id) ? slots_[id].refs : 0;
}

void StringPool::ResetCounts() {
    for (Slot& slot : slots_) slot.refs = 0;
}

void StringPool::FreeUnreferenced() {
    for (uint32_t id = 1; id < slots_.size(); ++id) {
        if (slots_[id].used && slots_[id].refs == 0) FreeSlot(id);
    }
}

void StringPool::FreeSlot(uint32_t id) {
    Slot& slot = slots_[id];
    if (slot.indexed) index_.Erase(id, slot.hash);
    garbage_ += slot.length;
    slot = Slot{};
    free_ids_.push(id);
    --used_;
    // The new highest id is found by walking down; the walk is paid for by the
    // Adds that raised it.
    while (highest_ > 0 && !slots_[highest_].used) --highest_;
}

void StringPool::CompactIfWasteful() {
    if (garbage_ < kCompactionThreshold || garbage_ * 2 < bytes_.size()) return;
    std::string compacted;
    compacted.reserve(bytes_.size() - garbage_);
    for (Slot& slot : slots_) {
        if (!slot.used) continue;
        const size_t offset = compacted.size();
        compacted.append(bytes_, slot.offset, slot.length);
        slot.offset = offset;
    }
    bytes_ = std::move(compacted);
    garbage_ = 0;
}

Result<std::string> StringPool::LookupText(uint32_t id) const {
    const std::optional<std::string_view> bytes = Lookup(id);
    if (!bytes) return Status::NotFound("string id " + std::to_string(id) + " is not in use");
    return DatabaseToProcess(*bytes, code_page_);
}

// A neutral pool may hold a text in either of the two forms that read back
// as it (code_page.h): the Windows-1252 form we write, and the UTF-8 form
// written before or by others. Both count as the same string, so that keys
// and comparisons see one text, never two.
uint32_t StringPool::FindEitherForm(std::string_view text, std::string_view bytes) const {
    const uint32_t id = Find(bytes);
    if (id != 0 || code_page_ != kNeutralCodePage || bytes == text) return id;
    return Find(text);
}

Result<uint32_t> StringPool::FindText(std::string_view text) const {
    Result<std::string> bytes = ProcessToDatabase(text, code_page_);
    if (!bytes.ok()) return bytes.status();
    return FindEitherForm(text, *bytes);
}

Result<uint32_t> StringPool::AddText(std::string_view text, uint32_t refs) {
    Result<std::string> bytes = ProcessToDatabase(text, code_page_);
    if (!bytes.ok()) return bytes.status();
    if (const uint32_t id = FindEitherForm(text, *bytes); id != 0)
        return Add(std::string(*Lookup(id)), refs);
    return Add(bytes.value(), refs);
}

}  // namespace msi::format
