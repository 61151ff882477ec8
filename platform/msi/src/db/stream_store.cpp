#include "db/stream_store.h"

#include <algorithm>

#include "db/file_stream_source.h"
#include "format/stream_name.h"
#include "format/unicode.h"

namespace msi::db {

namespace {

// A stream of the database as a record holds it: empty once removed.
class RecordStreamSource final : public StreamSource {
  public:
    RecordStreamSource(StreamSourcePtr source, std::shared_ptr<const bool> removed)
        : source_(std::move(source)), removed_(std::move(removed)) {}
    uint64_t Size() const override { return *removed_ ? 0 : source_->Size(); }
    Result<size_t> ReadAt(uint64_t offset, std::span<std::byte> out) const override {
        if (*removed_) return size_t{0};
        return source_->ReadAt(offset, out);
    }
    // What the record reads now, for storing it under another name.
    StreamSourcePtr Current() const {
        return *removed_ ? std::make_shared<MemoryStreamSource>(std::vector<std::byte>()) : source_;
    }

  private:
    StreamSourcePtr source_;
    std::shared_ptr<const bool> removed_;
};

}  // namespace

void StreamStore::Load(const std::shared_ptr<const storage::CompoundFile>& file) {
    streams_.clear();
    table_streams_.clear();
    storages_.clear();
    opaque_.clear();
    next_order_ = 0;
    modified_ = false;
    for (storage::EntryId id : file->Children(storage::CompoundFile::kRootId)) {
        const auto& entry = file->entry(id);
        if (entry.is_storage()) {
            // Storage names are stored as plain UTF-16, never packed.
            auto name = format::Utf16ToUtf8(entry.name);
            if (name.ok()) {
                storages_.push_back({std::move(name).value(), id});
            } else {
                opaque_.push_back(id);
            }
            continue;
        }
        if (!entry.is_stream()) continue;
        auto decoded = format::DecodeStreamName(entry.name);
        if (!decoded.ok()) {
            opaque_.push_back(id);
            continue;
        }
        if (decoded->is_table) {
            table_streams_.emplace(decoded->name, id);
            continue;
        }
        Stream s;
        s.source = std::make_shared<CompoundStreamSource>(file, id);
        s.on_disk = id;
        s.raw_name = entry.name;
        s.order = next_order_++;
        auto existing = streams_.find(decoded->name);
        if (existing != streams_.end()) {
            // Two entries decoding to one name cannot both be addressed by
            // name: the one spelled the standard way is the one the
            // installer reads; the other is kept verbatim.
            auto canonical = format::EncodeStreamName(decoded->name, false);
            if (canonical.ok() && *canonical == entry.name) {
                opaque_.push_back(*existing->second.on_disk);
                s.order = existing->second.order;
                existing->second = std::move(s);
            } else {
                opaque_.push_back(id);
            }
            continue;
        }
        streams_.emplace(decoded->name, std::move(s));
    }
}

std::vector<std::string> StreamStore::Names() const {
    std::vector<std::pair<uint64_t, std::string>> ordered;
    for (const auto& [name, s] : streams_) ordered.emplace_back(s.order, name);
    std::sort(ordered.begin(), ordered.end());
    std::vector<std::string> names;
    for (auto& [order, name] : ordered) names.push_back(std::move(name));
    return names;
}

StreamSourcePtr StreamStore::Get(const std::string& name) const {
    auto it = streams_.find(name);
    return it == streams_.end() ? nullptr : it->second.source;
}

StreamSourcePtr StreamStore::GetForRecord(const std::string& name) const {
    auto it = streams_.find(name);
    if (it == streams_.end()) return nullptr;
    return std::make_shared<RecordStreamSource>(it->second.source, it->second.removed);
}

void StreamStore::Put(const std::string& name, StreamSourcePtr source) {
    if (auto* held = dynamic_cast<const RecordStreamSource*>(source.get()))
        source = held->Current();
    auto it = streams_.find(name);
    if (it == streams_.end()) {
        Stream s;
        s.order = next_order_++;
        it = streams_.emplace(name, std::move(s)).first;
    }
    it->second.source = std::move(source);
    it->second.on_disk.reset();
    // Records holding the stream this one replaces keep reading its bytes.
    it->second.removed = std::make_shared<bool>(false);
    modified_ = true;
}

bool StreamStore::Remove(const std::string& name) {
    auto it = streams_.find(name);
    if (it == streams_.end()) return false;
    *it->second.removed = true;
    streams_.erase(it);
    modified_ = true;
    return true;
}

}  // namespace msi::db
