// The string pool of a database or transform: every string cell of every table
// holds an id into it. Layout of the two streams: pool_entry.h.
//
// Strings are kept as raw bytes in the database's code page; LookupText,
// FindText and AddText convert from and to the process code page.
//
// Reading costs only what it uses. Load keeps the _StringData bytes as they
// are and one small slot per id; the hash index that Find and Add need is
// built on their first call, and a string is converted to process text the
// first time LookupText asks for it (a string whose text is its bytes, as
// ASCII is in most code pages, is never copied). So a query that only reads
// cells never pays for an index or for strings it does not fetch.
//
// Reference counts. Files made by Windows carry exact counts (cells holding
// the id in all persistent tables, _Tables and _Columns included); libmsi
// writes lower ones. So counts read from a file are not trusted: after Load,
// and before writing, the database layer calls ResetCounts, then AddRef once
// per string cell, then FreeUnreferenced. Between those, Release of a string
// whose count reaches 0 frees its id for the next Add.
//
// Ids: 1..0xFFFF fit 2-byte references; up to 0xFFFFFF need the 3-byte form,
// which Serialize announces exactly when an id above 0xFFFF is in use.
//
// Not thread-safe, even for const calls: the index and the converted texts
// are filled in on first use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/mapped_allocator.h"
#include "common/status.h"
#include "common/uninitialized_allocator.h"
#include "format/pool_entry.h"
#include "format/string_index.h"
#include "win32/codepage.h"

namespace msi::format {

class StringPool {
  public:
    static constexpr uint32_t kMaxShortId = 0xFFFF;
    static constexpr uint32_t kMaxId = 0xFFFFFF;
    // The string bytes are addressed with 32-bit offsets: the streams of a
    // package stay far below this, and Add refuses to grow past it.
    static constexpr uint64_t kMaxBytes = 0xFFFFFFFF;

    struct Streams {
        std::vector<uint8_t> pool;  // _StringPool
        std::vector<uint8_t> data;  // _StringData
    };

    // An empty pool with code page 0 (neutral).
    StringPool() = default;

    // Reads the two streams; pass empty ones for absent streams (an empty
    // pool). `data` becomes the pool's byte buffer, so a caller that hands it
    // over with std::move saves a copy of every string. Entries whose lengths
    // overrun _StringData are corrupt. Long strings are read in the correct
    // form; the form libmsi's writer uses is accepted only when the correct
    // reading does not account for _StringData exactly and libmsi's reading
    // does (see the comment in Load). The code page is kept as written, even
    // one SetCodePage would refuse: the bytes stay readable, and only a
    // conversion reports the code page it lacks.
    static Result<StringPool> Load(std::span<const uint8_t> pool, std::vector<uint8_t> data);
    // Reads _StringData into place as it is needed.
    using DataRead = std::function<Status(std::span<uint8_t> out)>;
    // The same for a _StringData stream of `data_size` bytes, whose first
    // bytes `read` copies straight into the pool's own buffer: the bytes are
    // neither held twice nor zeroed before they arrive.
    static Result<StringPool> Load(std::span<const uint8_t> pool, uint64_t data_size,
                                   const DataRead& read);
    // Writes both streams; call it after the recount, with no change since the
    // tables were encoded, so that the 3-byte flag (NeedsLongRefs) matches the
    // tables. Entries for ids 1..HighestId(), free ids as holes,
    // counts as held (saturated at 65,535, the field's width), the long-string
    // form for strings of 64 KiB or more. A long string with count 0 is written
    // as a free id, because its entry form cannot carry a zero count.
    Streams Serialize() const;

    uint32_t code_page() const { return code_page_; }
    // Sets the code page without converting stored strings (as _ForceCodepage
    // does). Refuses code pages IsValidDatabaseCodePage does not list.
    Status SetCodePage(uint32_t code_page);
    // The 3-byte flag of the loaded header: tables of the loaded file use it.
    bool loaded_long_refs() const { return loaded_long_refs_; }
    // Whether tables written with this pool need 3-byte references.
    bool NeedsLongRefs() const { return HighestId() > kMaxShortId; }

    // The highest id in use, 0 when the pool is empty.
    uint32_t HighestId() const { return highest_; }
    // One past the highest id that has a slot (used or free): the bound for
    // walking all ids with Lookup.
    uint32_t IdLimit() const { return uint32_t(slots_.size()); }
    // Number of strings in use.
    size_t size() const { return used_; }

    // The bytes of an id: "" for id 0, nothing for a free or unknown id. The
    // view is valid until the next Add.
    std::optional<std::string_view> Lookup(uint32_t id) const {
        if (id == 0) return std::string_view();
        if (!IsUsed(id)) return std::nullopt;
        return TextOf(id);
    }
    // The id holding exactly these bytes, or 0 (also for ""). When a file
    // holds the same bytes under several ids, the lowest one.
    uint32_t Find(std::string_view bytes) const;
    // Interns bytes and adds `refs` references: the existing id, else the
    // lowest free id, else a new one. "" is the null string: id 0, no entry.
    Result<uint32_t> Add(std::string_view bytes, uint32_t refs = 1);
    // Reference counting. Id 0 is accepted and ignored, so that a recount can
    // pass every string cell; free and unknown ids are refused.
    Status AddRef(uint32_t id);
    Status Release(uint32_t id);
    uint32_t RefCount(uint32_t id) const;
    // Sets every count to 0, keeping the strings (step one of a recount).
    void ResetCounts();
    // Frees every string whose count is 0 (the last step of a recount).
    void FreeUnreferenced();

    // The same in the process code page (UTF-8), converted with the pool's.
    // A neutral pool reads and writes by the rules of code_page.h.
    Result<std::string> LookupText(uint32_t id) const;
    // LookupText without a copy: the view is valid until the pool changes
    // (Add, Release, FreeUnreferenced, SetCodePage).
    Result<std::string_view> LookupTextView(uint32_t id) const;
    // The common case of LookupTextView, cheap enough for every cell a query
    // reads: true, with the text in `text`, when the id's bytes are ASCII and
    // the code pages read ASCII as itself; false when LookupTextView must
    // decide (and for id 0 and free ids).
    bool TextIsBytes(uint32_t id, std::string_view& text) const {
        if (!IsUsed(id) || !ascii_reads_as_itself_ || converted_for_ != win32::ProcessCodePage())
            return false;
        const Slot& slot = slots_[id];
        if (!RangeIsAscii(slot.offset, slot.length)) return false;
        text = TextOf(id);
        return true;
    }
    Result<uint32_t> FindText(std::string_view text) const;
    Result<uint32_t> AddText(std::string_view text, uint32_t refs = 1);

  private:
    // A used id has a length above 0: the empty string is never stored.
    // The count sits beside the string it counts: one block for every id.
    // No member initialisers: a loaded pool's slots are written once, by the
    // pass that reads them (Slot{} is the zero slot).
    struct Slot {
        uint32_t offset;  // in bytes_
        uint32_t length;
        uint32_t refs;
    };
    struct EntryTotals;
    using EntryDecoder = Result<PoolEntry> (*)(std::span<const uint8_t>, size_t&);
    // Fills the slots (and used_, highest_) from the entries after the
    // header, read with one of the two long-string readings.
    Result<EntryTotals> ReadSlots(std::span<const uint8_t> entries, EntryDecoder decode);

    // The bytes are checked for ASCII a block at a time, the first time a
    // string in the block is looked up: a pool of ASCII strings then needs no
    // state per id, and a query pays only for the blocks it reads.
    static constexpr uint32_t kAsciiBlockShift = 16;
    enum class BlockState : uint8_t { kUnknown, kAscii, kOther };
    bool RangeIsAscii(uint32_t offset, uint32_t length) const {
        const uint32_t first = offset >> kAsciiBlockShift;
        const uint32_t last = (offset + length - 1) >> kAsciiBlockShift;
        for (uint32_t block = first; block <= last; ++block) {
            const BlockState state =
                block < ascii_blocks_.size() ? ascii_blocks_[block] : BlockState::kUnknown;
            if (state == BlockState::kOther) return false;
            if (state == BlockState::kUnknown && !CheckAsciiBlock(block)) return false;
        }
        return true;
    }
    // Fills in the state of one block; true when its bytes are ASCII.
    bool CheckAsciiBlock(uint32_t block) const;
    // Forgets the blocks from the one holding `offset` on (their bytes changed).
    void ForgetAsciiFrom(size_t offset);
    // Sets up LookupTextView's caches for the process code page, when it is
    // not the one they were filled for.
    void MatchProcessCodePage() const;

    // What LookupText knows about an id's text, filled in on first use.
    enum class TextState : uint8_t { kUnknown, kSameAsBytes, kConverted, kUnconvertible };

    std::string_view TextOf(uint32_t id) const {
        return std::string_view(reinterpret_cast<const char*>(bytes_.data()) + slots_[id].offset,
                                slots_[id].length);
    }
    bool IsUsed(uint32_t id) const { return id < slots_.size() && slots_[id].length != 0; }
    void FreeSlot(uint32_t id);
    // Makes free_ids_ hold every free id: a loaded pool finds them on the
    // first call, which a pool that is only read never makes.
    void EnsureFreeIds();
    // Builds the index over every used id on first need; the lowest of
    // several ids with the same bytes is the one indexed.
    void EnsureIndex() const;
    // Forgets what LookupText learnt about an id (its bytes changed or went).
    void ForgetText(uint32_t id);
    // The id of `bytes` (the stored form of `text`), else of another stored
    // form that reads as `text`; 0 when neither is present.
    uint32_t FindEitherForm(std::string_view text, std::string_view bytes) const;
    void CompactIfWasteful();

    FilledAtOnceVector<uint8_t>
        bytes_;           // string bytes; freed strings leave garbage until compaction
    size_t garbage_ = 0;  // bytes of freed strings still in bytes_
    // Sized once by Load for every id of the file, each slot written once.
    FilledAtOnceVector<Slot> slots_;  // index = id; slot 0 (null) is never used
    std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<>> free_ids_;
    bool free_ids_known_ = true;  // false from Load until EnsureFreeIds
    mutable StringIndex index_;
    mutable bool indexed_ = false;
    // Filled by LookupText: a state per id (empty until the first call), the
    // converted text of ids whose text differs from their bytes, and the
    // process code page they were converted for.
    mutable std::vector<TextState, MappedAllocator<TextState>> text_states_;
    mutable std::unordered_map<uint32_t, std::string> converted_;
    // No process code page is 0, so the caches start out stale.
    mutable uint32_t converted_for_ = 0;
    // Whether ASCII bytes read as themselves under the pool's and the process
    // code page (valid while converted_for_ is the process code page).
    mutable bool ascii_reads_as_itself_ = false;
    mutable std::vector<BlockState> ascii_blocks_;
    size_t used_ = 0;
    // Kept up to date by Add and FreeSlot: table writers ask for it often, and
    // files may end in long runs of free ids.
    uint32_t highest_ = 0;
    uint32_t code_page_ = 0;
    bool loaded_long_refs_ = false;
};

}  // namespace msi::format
