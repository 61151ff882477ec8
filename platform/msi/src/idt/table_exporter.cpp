#include "idt/table_exporter.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "db/record.h"
#include "format/code_page.h"
#include "idt/binary_file_names.h"
#include "idt/control_chars.h"
#include "storage/atomic_file.h"

namespace msi::idt {

namespace {

using format::ColumnType;

// The rows are buffered up to this size before they go to the file, so a
// table of any size needs only this much memory for its text.
constexpr size_t kFlushSize = size_t{1} << 20;
constexpr size_t kStreamChunk = size_t{1} << 16;

bool HasHighByte(std::string_view bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

Status AppendText(storage::AtomicFile& file, std::string& text) {
    Status s = file.Append(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    text.clear();
    return s;
}

// An export can always be made again from the package, so its files are
// replaced whole (never left half written) but not forced to the disk one by
// one: two fsyncs per file made exporting a package wait on the disk.
constexpr auto kExportDurability = storage::AtomicFile::Durability::kReplaceOnly;

Status CopyStream(const db::StreamSource& source, const storage::Folder& folder,
                  const std::string& path) {
    auto file = storage::AtomicFile::Create(folder, path, kExportDurability);
    if (!file.ok()) return file.status();
    std::vector<std::byte> chunk(kStreamChunk);
    for (uint64_t offset = 0; offset < source.Size();) {
        auto got = source.ReadAt(offset, chunk);
        if (!got.ok()) return got.status();
        if (*got == 0) return Status::Corrupt("stream ends early: " + path);
        Status s = (*file)->Append(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(chunk.data()), *got));
        if (!s.ok()) return s;
        offset += *got;
    }
    return (*file)->Commit();
}

class Exporter {
  public:
    Exporter(db::Database& db, const db::Table& table, storage::Folder folder)
        : db_(db), table_(table), schema_(table.schema()), folder_(std::move(folder)) {}

    Status Run(const std::string& path) {
        auto file = storage::AtomicFile::Create(folder_, path, kExportDurability);
        if (!file.ok()) return file.status();
        std::string text;
        if (Status s = AppendHeader(text); !s.ok()) return s;
        for (const auto& row : table_.rows()) {
            if (Status s = AppendRow(*row, text); !s.ok()) return s;
            if (text.size() >= kFlushSize)
                if (Status s = AppendText(**file, text); !s.ok()) return s;
        }
        if (Status s = AppendText(**file, text); !s.ok()) return s;
        return (*file)->Commit();
    }

  private:
    std::string_view Bytes(uint32_t id) const {
        auto bytes = db_.pool().Lookup(id);
        return bytes ? *bytes : std::string_view();
    }

    bool NeedsCodePage() const {
        if (db_.pool().code_page() == format::kNeutralCodePage) return false;
        if (HasHighByte(schema_.name)) return true;
        for (const auto& c : schema_.columns)
            if (HasHighByte(c.name)) return true;
        for (const auto& row : table_.rows())
            for (size_t c = 0; c < schema_.columns.size(); ++c)
                if (schema_.columns[c].type.IsString() && HasHighByte(Bytes(row->cells[c])))
                    return true;
        return false;
    }

    Status AppendHeader(std::string& out) const {
        for (size_t c = 0; c < schema_.columns.size(); ++c) {
            if (c > 0) out += '\t';
            out += schema_.columns[c].name;
        }
        out += "\r\n";
        for (size_t c = 0; c < schema_.columns.size(); ++c) {
            if (c > 0) out += '\t';
            out += schema_.columns[c].type.ArchiveString();
        }
        out += "\r\n";
        if (NeedsCodePage()) out += std::to_string(db_.pool().code_page()) + "\t";
        out += schema_.name;
        // The installer cannot report the keys of its own catalog tables
        // (MsiDatabaseGetPrimaryKeys refuses them), and Wine writes none for
        // any system table; a user table lists its key columns.
        if (!db::IsSystemTable(schema_.name)) {
            for (size_t c = 0; c < schema_.KeyCount(); ++c) {
                out += '\t';
                out += schema_.columns[c].name;
            }
        }
        out += "\r\n";
        return Status::Ok();
    }

    Status AppendRow(const db::Row& row, std::string& out) {
        for (size_t c = 0; c < schema_.columns.size(); ++c) {
            if (c > 0) out += '\t';
            const ColumnType type = schema_.columns[c].type;
            const uint32_t cell = row.cells[c];
            if (type.IsBinary()) {
                if (Status s = AppendBinary(row, c, out); !s.ok()) return s;
            } else if (type.IsString()) {
                AppendEscaped(Bytes(cell), out);
            } else if (static_cast<int32_t>(cell) != db::Record::kNullInteger) {
                out += std::to_string(static_cast<int32_t>(cell));
            }
        }
        out += "\r\n";
        return Status::Ok();
    }

    // Writes the stream of a binary cell and appends its file name; a null
    // cell (or one whose stream is missing) is an empty field and no file.
    Status AppendBinary(const db::Row& row, size_t column, std::string& out) {
        db::StreamSourcePtr stream = db_.CellStream(table_, row, column);
        if (!stream) return Status::Ok();
        if (!stream_folder_) {
            if (!IsPlainFileName(schema_.name))
                return Status::InvalidArgument("table name " + schema_.name +
                                               " cannot name a folder for its streams");
            // A symbolic link there could point anywhere, so only a real
            // folder is taken (invariant 2).
            auto sub = folder_.Sub(schema_.name, true);
            if (!sub.ok()) return sub.status();
            stream_folder_ = std::move(sub).value();
        }
        std::vector<std::string> keys;
        for (size_t c = 0; c < schema_.KeyCount(); ++c) {
            if (schema_.columns[c].type.IsInteger())
                keys.push_back(std::to_string(static_cast<int32_t>(row.cells[c])));
            else
                keys.emplace_back(Bytes(row.cells[c]));
        }
        const std::string name = namer_.NameFor(keys);
        if (Status s = CopyStream(*stream, *stream_folder_, name); !s.ok()) return s;
        out += name;
        return Status::Ok();
    }

    db::Database& db_;
    const db::Table& table_;
    const db::TableSchema& schema_;
    storage::Folder folder_;
    std::optional<storage::Folder> stream_folder_;
    BinaryFileNamer namer_;
};

}  // namespace

Status ExportTable(db::Database& db, const std::string& table, const storage::Folder& folder,
                   const std::string& path) {
    if (!db.HasTable(table)) return Status::NotFound("no table " + table);
    auto loaded = db.GetTable(table);
    if (!loaded.ok()) return loaded.status();
    Exporter exporter(db, **loaded, folder);
    return exporter.Run(path);
}

Status WriteFileAtomically(const storage::Folder& folder, const std::string& path,
                           std::string_view text) {
    auto file = storage::AtomicFile::Create(folder, path, kExportDurability);
    if (!file.ok()) return file.status();
    Status s = (*file)->Append(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    if (!s.ok()) return s;
    return (*file)->Commit();
}

}  // namespace msi::idt
