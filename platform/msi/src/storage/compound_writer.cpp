#include "storage/compound_writer.h"

#include <algorithm>
#include <deque>

#include "storage/atomic_file.h"
#include "storage/entry_name.h"
#include "storage/sibling_tree.h"
#include "storage/write_plan.h"

namespace msi::storage {

namespace {

constexpr size_t kCopyChunk = 1 << 20;

Status AppendU32s(AtomicFile& out, const std::vector<uint32_t>& values) {
    std::vector<uint8_t> bytes(values.size() * kSectorNumberSize);
    for (size_t i = 0; i < values.size(); ++i) {
        StoreU32(bytes.data() + i * kSectorNumberSize, values[i]);
    }
    return out.Append(bytes);
}

uint64_t PaddingTo(uint64_t size, uint64_t unit) {
    return (unit - size % unit) % unit;
}

// Copies a source to the file in pieces, then pads it to whole `unit`s.
Status CopySource(StreamSource& source, uint64_t size, uint64_t unit, std::vector<uint8_t>& buffer,
                  AtomicFile& out) {
    for (uint64_t done = 0; done < size;) {
        const size_t piece = size_t(std::min<uint64_t>(buffer.size(), size - done));
        std::span<uint8_t> chunk(buffer.data(), piece);
        Status s = source.Read(done, chunk);
        if (!s.ok()) return s;
        if (!(s = out.Append(chunk)).ok()) return s;
        done += piece;
    }
    return out.AppendZeros(PaddingTo(size, unit));
}

}  // namespace

struct CompoundWriter::Node {
    std::u16string name;
    bool storage = false;
    StorageInfo info;
    std::vector<NodeId> children;
    std::unique_ptr<StreamSource> source;
};

StorageInfo StorageInfo::Of(const DirectoryEntry& entry) {
    return StorageInfo{entry.clsid, entry.state_bits, entry.creation_time, entry.modified_time};
}

CompoundWriter::CompoundWriter() {
    nodes_.push_back(std::make_unique<Node>());
    nodes_[kRoot]->name = u"Root Entry";
    nodes_[kRoot]->storage = true;
}

CompoundWriter::~CompoundWriter() = default;
CompoundWriter::CompoundWriter(CompoundWriter&&) noexcept = default;
CompoundWriter& CompoundWriter::operator=(CompoundWriter&&) noexcept = default;

void CompoundWriter::SetRootInfo(const StorageInfo& info) {
    nodes_[kRoot]->info = info;
}

Result<CompoundWriter::NodeId> CompoundWriter::AddNode(NodeId parent, std::u16string name,
                                                       bool storage) {
    if (parent >= nodes_.size() || !nodes_[parent]->storage) {
        return Status::InvalidArgument("node " + std::to_string(parent) + " is not a storage");
    }
    Status s = CheckEntryName(name);
    if (!s.ok()) return s;
    for (NodeId sibling : nodes_[parent]->children) {
        if (CompareEntryNames(nodes_[sibling]->name, name) == 0) {
            return Status::Exists("'" + NameForMessage(name) + "' clashes with its sibling '" +
                                  NameForMessage(nodes_[sibling]->name) + "'");
        }
    }
    // Directory ids are 32 bits with the top few values reserved.
    if (nodes_.size() >= kMaxEntryId) return Status::InvalidArgument("too many entries");
    const NodeId id = NodeId(nodes_.size());
    nodes_.push_back(std::make_unique<Node>());
    nodes_[id]->name = std::move(name);
    nodes_[id]->storage = storage;
    nodes_[parent]->children.push_back(id);
    return id;
}

Result<CompoundWriter::NodeId> CompoundWriter::AddStorage(NodeId parent, std::u16string name,
                                                          const StorageInfo& info) {
    auto id = AddNode(parent, std::move(name), true);
    if (id.ok()) nodes_[id.value()]->info = info;
    return id;
}

Status CompoundWriter::AddStream(NodeId parent, std::u16string name, std::vector<uint8_t> bytes) {
    return AddStream(parent, std::move(name), std::make_unique<MemorySource>(std::move(bytes)));
}

Status CompoundWriter::AddStream(NodeId parent, std::u16string name,
                                 std::unique_ptr<StreamSource> source) {
    if (!source) return Status::InvalidArgument("stream without a source");
    auto id = AddNode(parent, std::move(name), false);
    if (!id.ok()) return id.status();
    nodes_[id.value()]->source = std::move(source);
    return Status::Ok();
}

Result<CompoundWriter::NodeId> CompoundWriter::CopyStorage(NodeId parent, const CompoundFile& file,
                                                           EntryId storage) {
    if (storage >= file.entry_count() || !file.entry(storage).is_storage()) {
        return Status::InvalidArgument("entry " + std::to_string(storage) + " is not a storage");
    }
    const DirectoryEntry& e = file.entry(storage);
    auto id = AddStorage(parent, e.name, StorageInfo::Of(e));
    if (!id.ok()) return id;
    Status s = CopyChildren(id.value(), file, storage);
    if (!s.ok()) return s;
    return id;
}

Status CompoundWriter::CopyChildren(NodeId parent, const CompoundFile& file, EntryId storage) {
    if (storage >= file.entry_count() || !file.entry(storage).is_storage()) {
        return Status::InvalidArgument("entry " + std::to_string(storage) + " is not a storage");
    }
    // Depth-first with an explicit list: storages may nest as deep as the
    // directory is long, deeper than the call stack should go.
    std::vector<std::pair<EntryId, NodeId>> pending = {{storage, parent}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (EntryId child : file.Children(from)) {
            const DirectoryEntry& e = file.entry(child);
            if (e.is_storage()) {
                auto id = AddStorage(to, e.name, StorageInfo::Of(e));
                if (!id.ok()) return id.status();
                pending.emplace_back(child, id.value());
                continue;
            }
            auto reader = file.OpenStream(child);
            if (!reader.ok()) return reader.status();
            Status s = AddStream(to, e.name,
                                 std::make_unique<StreamRangeSource>(std::move(reader).value()));
            if (!s.ok()) return s;
        }
    }
    return Status::Ok();
}

Status CompoundWriter::WriteFile(const std::string& path, AtomicFile::Durability durability) const {
    return WriteFile(Folder(), path, durability);
}

Status CompoundWriter::WriteFile(const Folder& folder, const std::string& path,
                                 AtomicFile::Durability durability) const {
    auto out = AtomicFile::Create(folder, path, durability);
    if (!out.ok()) return out.status();
    Status s = WriteTo(*out.value());
    if (!s.ok()) return s;  // the AtomicFile removes its temporary file
    return out.value()->Commit();
}

// Where each node goes: directory ids in breadth-first order from the root
// (id 0), each storage's children sorted by name, and the streams numbered in
// directory order, which is also the order their bytes are written in.
struct CompoundWriter::Arrangement {
    std::vector<NodeId> order;
    std::vector<uint32_t> dir_id;
    std::vector<std::vector<NodeId>> sorted_children;
    std::vector<size_t> stream_index;
    std::vector<uint64_t> stream_sizes;
};

CompoundWriter::Arrangement CompoundWriter::Arrange() const {
    Arrangement a;
    a.order = {kRoot};
    a.dir_id.assign(nodes_.size(), kNoStream);
    a.sorted_children.resize(nodes_.size());
    a.stream_index.assign(nodes_.size(), 0);
    a.dir_id[kRoot] = 0;
    for (size_t i = 0; i < a.order.size(); ++i) {
        const NodeId node = a.order[i];
        std::vector<NodeId>& kids = a.sorted_children[node];
        kids = nodes_[node]->children;
        std::sort(kids.begin(), kids.end(), [this](NodeId x, NodeId y) {
            return CompareEntryNames(nodes_[x]->name, nodes_[y]->name) < 0;
        });
        for (NodeId child : kids) {
            a.dir_id[child] = uint32_t(a.order.size());
            a.order.push_back(child);
        }
    }
    for (NodeId node : a.order) {
        if (nodes_[node]->storage) continue;
        a.stream_index[node] = a.stream_sizes.size();
        a.stream_sizes.push_back(nodes_[node]->source->size());
    }
    return a;
}

std::vector<DirectoryEntry> CompoundWriter::DirectoryFor(const Arrangement& a,
                                                         const WritePlan& plan) const {
    std::vector<DirectoryEntry> entries(a.order.size());
    for (size_t i = 0; i < a.order.size(); ++i) {
        const Node& node = *nodes_[a.order[i]];
        DirectoryEntry& e = entries[i];
        e.name = node.name;
        if (node.storage) {
            e.type = i == 0 ? EntryType::kRoot : EntryType::kStorage;
            e.clsid = node.info.clsid;
            e.state_bits = node.info.state_bits;
            e.creation_time = node.info.creation_time;
            e.modified_time = node.info.modified_time;
            // The root's data is the mini stream; other storages have none.
            e.start_sector = i == 0 ? plan.mini_stream_start() : 0;
            e.size = i == 0 ? plan.mini_stream_size() : 0;
        } else {
            const size_t stream = a.stream_index[a.order[i]];
            e.type = EntryType::kStream;
            e.start_sector = plan.stream_start(stream);
            e.size = a.stream_sizes[stream];
        }
    }
    // Each storage's children as a balanced red-black tree (sibling_tree.h).
    for (NodeId node : a.order) {
        const std::vector<NodeId>& kids = a.sorted_children[node];
        if (kids.empty()) continue;
        const SiblingTreeShape shape = ShapeSiblingTree(kids.size());
        const auto id_of = [&](size_t position) {
            return position == SiblingTreeShape::kNone ? kNoStream : a.dir_id[kids[position]];
        };
        entries[a.dir_id[node]].child = id_of(shape.root);
        for (size_t k = 0; k < kids.size(); ++k) {
            DirectoryEntry& e = entries[a.dir_id[kids[k]]];
            e.color = shape.color[k];
            e.left = id_of(shape.left[k]);
            e.right = id_of(shape.right[k]);
        }
    }
    return entries;
}

Status CompoundWriter::WriteTo(AtomicFile& out) const {
    const Arrangement a = Arrange();
    auto plan_or = WritePlan::Make(a.order.size(), a.stream_sizes);
    if (!plan_or.ok()) return plan_or.status();
    const WritePlan& plan = plan_or.value();
    const std::vector<DirectoryEntry> entries = DirectoryFor(a, plan);

    // The file, front to back, in the order write_plan.h describes.
    Status s = out.Append(plan.Header().Encode());
    if (s.ok()) s = AppendU32s(out, plan.Fat());
    if (s.ok()) s = AppendU32s(out, plan.DifatSectors());
    if (!s.ok()) return s;
    std::vector<uint8_t> directory(size_t(plan.directory_sectors()) * WritePlan::kSectorSize);
    const DirectoryEntry blank;  // fills the last directory sector
    for (size_t i = 0; i < directory.size() / kDirectoryEntrySize; ++i) {
        (i < entries.size() ? entries[i] : blank)
            .EncodeTo(std::span<uint8_t>(directory).subspan(i * kDirectoryEntrySize));
    }
    if (!(s = out.Append(directory)).ok()) return s;
    if (!(s = AppendU32s(out, plan.MiniFat())).ok()) return s;

    // The mini stream (streams below the cutoff, each padded to whole mini
    // sectors), then every other stream padded to whole sectors.
    std::vector<uint8_t> buffer(kCopyChunk);
    for (bool mini : {true, false}) {
        for (NodeId node : a.order) {
            if (nodes_[node]->storage) continue;
            const size_t stream = a.stream_index[node];
            if (plan.in_mini_stream(stream) != mini) continue;
            s = CopySource(*nodes_[node]->source, a.stream_sizes[stream],
                           mini ? kMiniSectorSize : WritePlan::kSectorSize, buffer, out);
            if (!s.ok()) return s;
        }
        if (mini) s = out.AppendZeros(PaddingTo(plan.mini_stream_size(), WritePlan::kSectorSize));
        if (!s.ok()) return s;
    }
    // A mismatch here is a bug in the plan, caught before the rename.
    if (out.bytes_written() != plan.file_size()) {
        return Status::Corrupt("wrote " + std::to_string(out.bytes_written()) +
                               " bytes where the layout needs " + std::to_string(plan.file_size()));
    }
    return Status::Ok();
}

}  // namespace msi::storage
