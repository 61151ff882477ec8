#include "transform/transform_source.h"

#include <sys/stat.h>

#include "format/stream_name.h"
#include "format/unicode.h"
#include "storage/stream_reader.h"

namespace msi::transform {

namespace {

Result<std::shared_ptr<storage::CompoundFile>> OpenContainer(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return Status::NotFound("no transform file " + path);
    auto file = storage::CompoundFile::Open(path);
    if (!file.ok()) {
        // A file that exists but is no compound file is not a transform.
        if (file.status().kind() == Status::Kind::kCorrupt)
            return Status::Unsupported(path + " is not a transform: " + file.status().message());
        return file.status();
    }
    return std::shared_ptr<storage::CompoundFile>(std::move(file).value());
}

}  // namespace

Result<TransformSource> TransformSource::OpenFile(const std::string& path) {
    auto file = OpenContainer(path);
    if (!file.ok()) return file.status();
    TransformSource source;
    Status s = source.Load(*file, storage::CompoundFile::kRootId);
    if (!s.ok()) return s;
    return source;
}

Result<TransformSource> TransformSource::Open(const db::Database& target,
                                              const std::string& source_name) {
    if (source_name.empty() || source_name[0] != ':') return OpenFile(source_name);
    // ":Name" names a sub-storage of the database's own file. The file on
    // disk still holds it: a commit writes a new file that copies storages.
    if (target.path().empty())
        return Status::NotFound("the database has no file to hold " + source_name);
    return OpenStorage(target.path(), source_name.substr(1));
}

Result<TransformSource> TransformSource::OpenStorage(const std::string& path,
                                                     const std::string& storage) {
    if (storage.empty()) return OpenFile(path);
    auto file = OpenContainer(path);
    if (!file.ok()) return file.status();
    auto name = format::Utf8ToUtf16(storage);
    if (!name.ok()) return Status::NotFound("bad sub-storage name " + storage);
    auto id = (*file)->Find(storage::CompoundFile::kRootId, *name);
    if (!id || !(*file)->entry(*id).is_storage())
        return Status::NotFound("no sub-storage " + storage + " in " + path);
    TransformSource source;
    Status s = source.Load(*file, *id);
    if (!s.ok()) return s;
    return source;
}

Status TransformSource::Load(std::shared_ptr<storage::CompoundFile> file,
                             storage::EntryId storage) {
    file_ = std::move(file);
    if (file_->entry(storage).clsid != storage::kTransformClsid)
        return Status::Unsupported("not a transform (CLSID)");
    std::vector<uint8_t> pool_bytes;
    std::vector<uint8_t> data_bytes;
    for (storage::EntryId child : file_->Children(storage)) {
        const auto& entry = file_->entry(child);
        if (!entry.is_stream()) continue;
        auto decoded = format::DecodeStreamName(entry.name);
        if (!decoded.ok()) continue;  // a name no writer of ours would read; not a table
        if (!decoded->is_table) {
            streams_.emplace(decoded->name, child);
            continue;
        }
        auto reader = file_->OpenStream(child);
        if (!reader.ok()) return reader.status();
        auto bytes = reader->ReadAll();
        if (!bytes.ok()) return Status::Corrupt(decoded->name + ": " + bytes.status().message());
        if (decoded->name == "_StringPool") {
            pool_bytes = std::move(bytes).value();
        } else if (decoded->name == "_StringData") {
            data_bytes = std::move(bytes).value();
        } else {
            tables_[decoded->name] = std::move(bytes).value();
        }
    }
    auto pool = format::StringPool::Load(pool_bytes, std::move(data_bytes));
    if (!pool.ok()) return Status::Corrupt("transform string pool: " + pool.status().message());
    pool_ = std::move(pool).value();
    return Status::Ok();
}

Result<std::vector<uint8_t>> TransformSource::ReadStream(const std::string& name) const {
    auto it = streams_.find(name);
    if (it == streams_.end()) return Status::NotFound("no stream " + name + " in the transform");
    auto reader = file_->OpenStream(it->second);
    if (!reader.ok()) return reader.status();
    auto bytes = reader->ReadAll();
    if (!bytes.ok()) return Status::Corrupt(name + ": " + bytes.status().message());
    return bytes;
}

}  // namespace msi::transform
