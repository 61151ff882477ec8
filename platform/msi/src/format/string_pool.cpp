#include "format/string_pool.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

#include "format/code_page.h"
#include "format/byte_order.h"
#include "format/pool_entry.h"
#include "win32/codepage.h"

namespace msi::format {
namespace {

// Compaction copies every live string, so it waits until freed strings make up
// half the buffer and at least this much.
constexpr size_t kCompactionThreshold = 1 << 20;

// Makes room for `more` elements at the end. A loaded pool's buffers are as
// large as its file asked, and doubling them for the first string added
// would cost as much again; an eighth more keeps appends amortized too.
template <class Vector>
void MakeRoom(Vector& v, size_t more) {
    if (v.size() + more <= v.capacity()) return;
    v.reserve(std::max(v.size() + more, v.size() + v.size() / 8 + 64));
}

}  // namespace

Result<StringPool> StringPool::Load(std::span<const uint8_t> pool, std::vector<uint8_t> data) {
    return Load(pool, data.size(), [&data](std::span<uint8_t> out) {
        std::copy_n(data.begin(), out.size(), out.begin());
        return Status::Ok();
    });
}

// What one reading of the entries adds up to.
struct StringPool::EntryTotals {
    uint64_t total_length = 0;
    bool has_long_form = false;
};

Result<StringPool> StringPool::Load(std::span<const uint8_t> pool, uint64_t data_size,
                                    const DataRead& read) {
    StringPool result;
    if (pool.empty()) {
        // Without entries no byte of _StringData can be reached.
        if (data_size != 0) return Status::Corrupt("_StringData present without _StringPool");
        return result;
    }
    Result<PoolHeader> header = PoolHeader::Decode(pool);
    if (!header.ok()) return header.status();
    const std::span<const uint8_t> entry_bytes = pool.subspan(PoolHeader::kEncodedSize);

    // The totals decide the reading before _StringData is read.
    Result<EntryTotals> totals = result.ReadSlots(entry_bytes, &PoolEntry::Decode);
    if (!totals.ok()) return totals.status();
    if (totals->has_long_form && totals->total_length != data_size) {
        // libmsi's writer lays long entries out as 0, length >> 16,
        // length & 0xFFFF, count. Read correctly, such a pool accounts for the
        // wrong number of bytes. Both forms take 8 bytes and one id, so the
        // only safe evidence is the byte total: we switch readings only when
        // libmsi's reading matches _StringData to the byte and ours does not.
        StringPool libmsi;
        Result<EntryTotals> libmsi_totals =
            libmsi.ReadSlots(entry_bytes, &PoolEntry::DecodeLibmsiForm);
        if (libmsi_totals.ok() && libmsi_totals->total_length == data_size) {
            result = std::move(libmsi);
            totals = std::move(libmsi_totals);
        }
    }
    if (totals->total_length > data_size) {
        return Status::Corrupt("string lengths in _StringPool add up to " +
                               std::to_string(totals->total_length) +
                               " bytes, but _StringData has " + std::to_string(data_size));
    }
    if (totals->total_length > kMaxBytes) {
        return Status::Unsupported("_StringData of " + std::to_string(totals->total_length) +
                                   " bytes is larger than the 4 GiB a string pool may hold");
    }
    // Fewer bytes than _StringData holds are accepted: the strings read are
    // whole, and other readers ignore such trailing bytes too.

    result.code_page_ = header->code_page;
    result.loaded_long_refs_ = header->long_refs;
    // Only the bytes the entries account for are read.
    result.bytes_.resize(totals->total_length);
    if (Status s = read(result.bytes_); !s.ok()) return s;
    result.free_ids_known_ = false;
    return result;
}

// One pass over the entries: each takes at least four bytes, so the slots are
// sized for that many ids first (left unwritten) and cut to the ids found
// after; the pass writes every slot it keeps, free ones too.
Result<StringPool::EntryTotals> StringPool::ReadSlots(std::span<const uint8_t> entries,
                                                      EntryDecoder decode) {
    EntryTotals totals;
    slots_.clear();
    slots_.resize(entries.size() / PoolEntry::kShortSize + 1);
    slots_[0] = Slot{};
    Slot* const slots = slots_.data();
    const uint8_t* const bytes = entries.data();
    const size_t size = entries.size();
    // Locals, not members, in the loop: the stores to the slots could
    // otherwise alias them, and each would be reloaded per entry.
    uint64_t total_length = 0;
    size_t used = 0;
    uint32_t highest = 0;
    size_t pos = 0;
    uint32_t id = 0;
    while (pos < size) {
        uint32_t length = 0;
        uint16_t count = 0;
        size_t consumed = PoolEntry::kShortSize;
        // Both readings agree on the short form, which nearly every entry has.
        if (size - pos >= PoolEntry::kShortSize) {
            length = LoadU16(bytes + pos);
            count = LoadU16(bytes + pos + 2);
        }
        if (size - pos < PoolEntry::kShortSize || PoolEntry::IsLongFormMarker(length, count))
            [[unlikely]] {
            Result<PoolEntry> decoded = decode(entries.subspan(pos), consumed);
            if (!decoded.ok()) {
                return Status::Corrupt(decoded.status().message() + " (id " +
                                       std::to_string(id + 1) + ")");
            }
            length = decoded->length;
            count = decoded->ref_count;
            totals.has_long_form |= consumed == PoolEntry::kLongSize;
        }
        if (++id > kMaxId) [[unlikely]] {
            return Status::Corrupt(
                "_StringPool holds more than 16,777,215 ids, the most "
                "3-byte references reach");
        }
        // A string counted 0 times is kept: libmsi writes low counts, and only
        // a recount can tell whether it is really unused.
        slots[id] = length != 0 ? Slot{uint32_t(total_length), length, count} : Slot{};
        if (length != 0) {
            total_length += length;
            ++used;
            highest = id;
        }
        pos += consumed;
    }
    totals.total_length = total_length;
    used_ = used;
    highest_ = highest;
    slots_.resize(id + 1);
    return totals;
}

void StringPool::EnsureFreeIds() {
    if (free_ids_known_) return;
    free_ids_known_ = true;
    std::vector<uint32_t> free_ids;
    for (uint32_t id = 1; id < slots_.size(); ++id)
        if (slots_[id].length == 0) free_ids.push_back(id);
    // Ascending ids already form a valid heap; building it from the vector
    // spares a push per hole.
    free_ids_ = decltype(free_ids_)(std::greater<>(), std::move(free_ids));
}

StringPool::Streams StringPool::Serialize() const {
    // A string of 64 KiB or more with no references is written as a free id:
    // its entry form announces itself by a non-zero count, so a zero count
    // would read back as a free id followed by garbage.
    auto written_as_free = [this](uint32_t id) {
        const Slot& slot = slots_[id];
        return slot.length == 0 || (slot.length >= PoolEntry::kShortLengthLimit && slot.refs == 0);
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
    if (code_page != code_page_) {
        // Texts converted under the old code page no longer hold.
        text_states_.clear();
        converted_.clear();
        converted_for_ = 0;
    }
    code_page_ = code_page;
    return Status::Ok();
}

void StringPool::EnsureIndex() const {
    if (indexed_) return;
    indexed_ = true;
    index_.Reserve(used_);
    auto text_of = [this](uint32_t other) { return TextOf(other); };
    for (uint32_t id = 1; id < slots_.size(); ++id) {
        if (slots_[id].length == 0) continue;
        const std::string_view text = TextOf(id);
        const uint32_t hash = StringIndex::Hash(text);
        if (index_.Find(text, hash, text_of) == 0) index_.Insert(id, hash);
    }
}

uint32_t StringPool::Find(std::string_view bytes) const {
    if (bytes.empty()) return 0;
    EnsureIndex();
    auto text_of = [this](uint32_t id) { return TextOf(id); };
    return index_.Find(bytes, StringIndex::Hash(bytes), text_of);
}

Result<uint32_t> StringPool::Add(std::string_view bytes, uint32_t refs) {
    if (bytes.empty()) return 0u;
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
        return Status::InvalidArgument("string of " + std::to_string(bytes.size()) +
                                       " bytes is too long for the string pool");
    }
    EnsureIndex();
    const uint32_t hash = StringIndex::Hash(bytes);
    auto text_of = [this](uint32_t id) { return TextOf(id); };
    if (uint32_t id = index_.Find(bytes, hash, text_of); id != 0) {
        if (slots_[id].refs > std::numeric_limits<uint32_t>::max() - refs) {
            return Status::InvalidArgument("reference count overflow for string id " +
                                           std::to_string(id));
        }
        slots_[id].refs += refs;
        return id;
    }
    // The caller's bytes may be a view into bytes_ (a part of a stored string);
    // copy them before compaction or growth can move the buffer.
    std::string copy;
    const auto* first = reinterpret_cast<const char*>(bytes_.data());
    if (!bytes_.empty() && bytes.data() >= first && bytes.data() < first + bytes_.size()) {
        copy.assign(bytes);
        bytes = copy;
    }
    CompactIfWasteful();
    if (bytes_.size() + bytes.size() > kMaxBytes) {
        return Status::Unsupported("string pool is full: its strings would pass 4 GiB");
    }
    uint32_t id = 0;
    EnsureFreeIds();
    if (!free_ids_.empty()) {
        id = free_ids_.top();
        free_ids_.pop();
    } else {
        if (slots_.size() > kMaxId) {
            return Status::Unsupported("string pool is full: ids end at 16,777,215");
        }
        MakeRoom(slots_, 2);
        if (slots_.empty()) slots_.push_back(Slot{});  // id 0, the null string
        id = uint32_t(slots_.size());
        slots_.push_back(Slot{});
    }
    slots_[id] = Slot{uint32_t(bytes_.size()), uint32_t(bytes.size()), refs};
    ForgetAsciiFrom(bytes_.size());
    MakeRoom(bytes_, bytes.size());
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    index_.Insert(id, hash);
    ForgetText(id);
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
    // Counting below zero means a cell was released twice or never counted;
    // freeing now could drop a string other cells still name.
    if (slots_[id].refs == 0) {
        return Status::InvalidArgument("Release of string id " + std::to_string(id) +
                                       ", whose count is already 0");
    }
    if (--slots_[id].refs == 0) FreeSlot(id);
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
        if (slots_[id].length != 0 && slots_[id].refs == 0) FreeSlot(id);
    }
}

void StringPool::FreeSlot(uint32_t id) {
    EnsureFreeIds();
    Slot& slot = slots_[id];
    // A second copy of some bytes (a file may hold one) was never indexed;
    // erasing it finds nothing.
    if (indexed_) index_.Erase(id, StringIndex::Hash(TextOf(id)));
    garbage_ += slot.length;
    slot = Slot{};
    ForgetText(id);
    free_ids_.push(id);
    --used_;
    // The new highest id is found by walking down; the walk is paid for by the
    // Adds that raised it.
    while (highest_ > 0 && slots_[highest_].length == 0) --highest_;
}

void StringPool::CompactIfWasteful() {
    if (garbage_ < kCompactionThreshold || garbage_ * 2 < bytes_.size()) return;
    FilledAtOnceVector<uint8_t> compacted;
    compacted.reserve(bytes_.size() - garbage_);
    for (Slot& slot : slots_) {
        if (slot.length == 0) continue;
        const uint32_t offset = uint32_t(compacted.size());
        compacted.insert(compacted.end(), bytes_.begin() + slot.offset,
                         bytes_.begin() + slot.offset + slot.length);
        slot.offset = offset;
    }
    bytes_ = std::move(compacted);
    garbage_ = 0;
    ascii_blocks_.clear();
}

void StringPool::ForgetAsciiFrom(size_t offset) {
    const size_t block = offset >> kAsciiBlockShift;
    if (block < ascii_blocks_.size()) ascii_blocks_.resize(block);
}

bool StringPool::CheckAsciiBlock(uint32_t block) const {
    const size_t begin = size_t(block) << kAsciiBlockShift;
    const size_t end = std::min(begin + (size_t(1) << kAsciiBlockShift), bytes_.size());
    // Eight bytes a step, their high bits gathered: no branch per byte.
    uint64_t high_bits = 0;
    size_t i = begin;
    for (; i + 8 <= end; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes_.data() + i, 8);
        high_bits |= word;
    }
    for (; i < end; ++i) high_bits |= bytes_[i];
    const bool ascii = (high_bits & 0x8080808080808080ull) == 0;
    if (ascii_blocks_.size() <= block) ascii_blocks_.resize(block + 1, BlockState::kUnknown);
    ascii_blocks_[block] = ascii ? BlockState::kAscii : BlockState::kOther;
    return ascii;
}

void StringPool::MatchProcessCodePage() const {
    const uint32_t process = win32::ProcessCodePage();
    if (process == converted_for_) return;
    text_states_.clear();
    converted_.clear();
    converted_for_ = process;
    // As ReadsAsItself decides for ASCII bytes.
    ascii_reads_as_itself_ =
        code_page_ == kNeutralCodePage || win32::CodePagesShareAscii(code_page_, CP_ACP);
}

void StringPool::ForgetText(uint32_t id) {
    if (id < text_states_.size() && text_states_[id] == TextState::kConverted) converted_.erase(id);
    if (id < text_states_.size()) text_states_[id] = TextState::kUnknown;
}

Result<std::string_view> StringPool::LookupTextView(uint32_t id) const {
    const std::optional<std::string_view> bytes = Lookup(id);
    if (!bytes) return Status::NotFound("string id " + std::to_string(id) + " is not in use");
    if (id == 0) return std::string_view();
    // The neutral rules depend on the process code page, which a program
    // may change between calls.
    MatchProcessCodePage();
    const Slot& slot = slots_[id];
    if (ascii_reads_as_itself_ && RangeIsAscii(slot.offset, slot.length)) return *bytes;
    if (text_states_.size() < slots_.size()) text_states_.resize(slots_.size());
    switch (text_states_[id]) {
        case TextState::kSameAsBytes:
            return *bytes;
        case TextState::kConverted:
            return std::string_view(converted_.at(id));
        case TextState::kUnknown:
        case TextState::kUnconvertible:
            break;
    }
    if (ReadsAsItself(*bytes, code_page_)) {
        text_states_[id] = TextState::kSameAsBytes;
        return *bytes;
    }
    Result<std::string> text = DatabaseToProcess(*bytes, code_page_);
    if (!text.ok()) {
        text_states_[id] = TextState::kUnconvertible;
        return text.status();
    }
    if (*text == *bytes) {
        text_states_[id] = TextState::kSameAsBytes;
        return *bytes;
    }
    text_states_[id] = TextState::kConverted;
    return std::string_view(converted_[id] = std::move(text).value());
}

Result<std::string> StringPool::LookupText(uint32_t id) const {
    Result<std::string_view> text = LookupTextView(id);
    if (!text.ok()) return text.status();
    return std::string(*text);
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
