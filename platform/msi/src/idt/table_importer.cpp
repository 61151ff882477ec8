#include "idt/table_importer.h"

#include <sys/stat.h>

#include <optional>
#include <unordered_set>

#include "db/file_stream_source.h"
#include "db/record.h"
#include "format/code_page.h"
#include "format/stream_name.h"
#include "idt/binary_file_names.h"
#include "idt/control_chars.h"
#include "idt/integer_text.h"

namespace msi::idt {

namespace {

using format::ColumnType;

struct KeyHash {
    size_t operator()(const std::vector<uint32_t>& key) const {
        size_t h = 0xcbf29ce484222325ULL;
        for (uint32_t v : key) h = (h ^ v) * 0x100000001b3ULL;
        return h;
    }
};

// A binary cell's file, opened while the rows are read.
struct PendingStream {
    size_t row;
    db::StreamSourcePtr source;
};

class Importer {
  public:
    Importer(db::Database& db, const ArchiveHeader& header, TextSource& source,
             const StreamFolder& stream_folder)
        : db_(db), header_(header), source_(source), stream_folder_(stream_folder) {}

    Status Run() {
        if (db_.read_only()) return Status::InvalidArgument("the database is read-only");
        if (Status s = BuildSchema(); !s.ok()) return s;
        if (Status s = ChooseCodePages(); !s.ok()) return s;
        if (Status s = ReadRows(); !s.ok()) return s;
        return Apply();
    }

  private:
    Status LineError(size_t line, const std::string& message) const {
        return Status::Corrupt(source_.name() + ":" + std::to_string(line) + ": " + message);
    }

    Status BuildSchema() {
        schema_.name = header_.table;
        if (!format::EncodeStreamName(schema_.name, true).ok())
            return LineError(3, "table name cannot be stored: " + schema_.name);
        if (header_.keys.empty()) return LineError(3, "the table has no key column");
        // The installer stores key columns first, in key order; a table whose
        // keys are other columns has no stored form.
        for (size_t k = 0; k < header_.keys.size(); ++k)
            if (header_.keys[k] != header_.column_names[k])
                return LineError(3, "key columns must be the first columns, in order");
        for (size_t c = 0; c < header_.column_names.size(); ++c) {
            auto type = ColumnType::ParseArchive(header_.column_types[c]);
            if (!type.ok()) return LineError(2, type.status().message());
            schema_.columns.push_back(
                {header_.column_names[c], type->WithKey(c < header_.keys.size())});
        }
        return Status::Ok();
    }

    Status ChooseCodePages() {
        db_code_page_ = db_.pool().code_page();
        if (!header_.code_page) return Status::Ok();
        file_code_page_ = *header_.code_page;
        if (!format::IsValidDatabaseCodePage(file_code_page_))
            return LineError(3, "unknown code page " + std::to_string(file_code_page_));
        if (db_code_page_ == format::kNeutralCodePage) adopt_code_page_ = true;
        return Status::Ok();
    }

    // File bytes -> bytes in the database's code page.
    Result<std::string> Convert(std::string bytes) const {
        if (adopt_code_page_ || file_code_page_ == format::kNeutralCodePage ||
            file_code_page_ == db_code_page_)
            return bytes;
        auto text = format::DatabaseToProcess(bytes, file_code_page_);
        if (!text.ok()) return text.status();
        return format::ProcessToDatabase(*text, db_code_page_);
    }

    Status ReadRows() {
        const size_t columns = schema_.columns.size();
        const size_t keys = header_.keys.size();
        std::unordered_set<std::vector<uint32_t>, KeyHash> seen;
        std::string line;
        for (;;) {
            auto got = source_.ReadLine(line);
            if (!got.ok()) return got.status();
            if (!*got) return Status::Ok();
            // Blank lines carry no row (some editors leave one at the end).
            if (line.empty()) continue;
            const auto fields = SplitFields(line);
            if (fields.size() != columns)
                return source_.Error(std::to_string(fields.size()) + " fields for " +
                                     std::to_string(columns) + " columns");
            auto row = std::make_shared<db::Row>();
            row->cells.resize(columns);
            for (size_t c = 0; c < columns; ++c) {
                auto cell = Cell(c, fields[c]);
                if (!cell.ok())
                    return source_.Error(schema_.columns[c].name + ": " + cell.status().message());
                row->cells[c] = *cell;
            }
            std::vector<uint32_t> key(row->cells.begin(), row->cells.begin() + keys);
            if (!seen.insert(std::move(key)).second) return source_.Error("duplicate key");
            rows_.push_back(std::move(row));
        }
    }

    Result<uint32_t> Cell(size_t column, std::string_view field) {
        const ColumnType type = schema_.columns[column].type;
        if (type.IsBinary()) {
            if (field.empty()) return uint32_t{0};
            Status s = OpenStream(Unescape(field));
            if (!s.ok()) return s;
            return uint32_t{1};
        }
        if (type.IsString()) {
            auto bytes = Convert(Unescape(field));
            if (!bytes.ok()) return bytes.status();
            return db_.pool().Add(*bytes, 1);
        }
        if (field.empty()) return static_cast<uint32_t>(db::Record::kNullInteger);
        auto value = ParseInteger(field, type.IsLongInteger() ? 4 : 2);
        if (!value.ok()) return value.status();
        return static_cast<uint32_t>(*value);
    }

    // Rule 5.
    Status OpenStream(const std::string& cell) {
        // Export writes a table's streams to a folder named after the
        // table; a table whose name cannot name a folder could never be
        // exported again with its streams.
        if (!IsPlainFileName(schema_.name))
            return Status::InvalidArgument("table name cannot name a folder of stream files");
        if (!IsPlainFileName(cell))
            return Status::InvalidArgument("stream file \"" + cell.substr(0, 64) +
                                           "\" is not a plain file name");
        if (!sub_) {
            // Opened once, without following a link, and read through its
            // descriptor from then on.
            auto sub = stream_folder_.parent.Sub(stream_folder_.name, false);
            if (!sub.ok()) return Status::NotFound("no folder " + stream_folder_.shown);
            sub_ = std::move(sub).value();
        }
        const std::string path = stream_folder_.shown + "/" + cell;
        struct stat st {};
        if (::fstatat(sub_->fd(), cell.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return Status::NotFound("no file " + path);
        if (!S_ISREG(st.st_mode)) return Status::InvalidArgument(path + " is not a regular file");
        auto source = db::FileStreamSource::Open(*sub_, cell);
        if (!source.ok()) return source.status();
        streams_.push_back({rows_.size(), std::move(source).value()});
        return Status::Ok();
    }

    Status Apply() {
        if (adopt_code_page_)
            if (Status s = db_.pool().SetCodePage(file_code_page_); !s.ok()) return s;
        if (db_.HasTable(schema_.name))
            if (Status s = db_.DropTable(schema_.name); !s.ok()) return s;
        if (Status s = db_.CreateTable(schema_); !s.ok()) return s;
        auto table = db_.GetTable(schema_.name);
        if (!table.ok()) return table.status();
        for (auto& row : rows_) (*table)->Append(row);
        for (auto& pending : streams_) {
            auto name = db_.BinaryStreamName(**table, *rows_[pending.row]);
            if (!name.ok()) return name.status();
            db_.streams().Put(*name, pending.source);
        }
        db_.MarkModified();
        return Status::Ok();
    }

    db::Database& db_;
    const ArchiveHeader& header_;
    TextSource& source_;
    const StreamFolder& stream_folder_;
    std::optional<storage::Folder> sub_;
    db::TableSchema schema_;
    uint32_t db_code_page_ = 0;
    uint32_t file_code_page_ = 0;
    bool adopt_code_page_ = false;
    std::vector<db::RowPtr> rows_;
    std::vector<PendingStream> streams_;
};

// _Streams: each row names a stream and the file holding its bytes.
Status ImportStreams(db::Database& db, const ArchiveHeader& header, TextSource& source,
                     const StreamFolder& stream_folder) {
    if (db.read_only()) return Status::InvalidArgument("the database is read-only");
    if (header.column_names.size() != 2) return source.Error("_Streams has two columns");
    const uint32_t code_page = db.pool().code_page();
    std::vector<std::pair<std::string, db::StreamSourcePtr>> streams;
    std::optional<storage::Folder> sub;
    std::string line;
    for (;;) {
        auto got = source.ReadLine(line);
        if (!got.ok()) return got.status();
        if (!*got) break;
        if (line.empty()) continue;
        const auto fields = SplitFields(line);
        if (fields.size() != 2) return source.Error("a _Streams row has two fields");
        auto name = format::DatabaseToProcess(Unescape(fields[0]), code_page);
        // A name the storage cannot hold would only fail at the commit.
        if (!name.ok() || !format::EncodeStreamName(*name, false).ok())
            return source.Error("invalid stream name");
        const std::string cell = Unescape(fields[1]);
        if (cell.empty()) continue;
        if (!IsPlainFileName(cell)) return source.Error("stream file is not a plain file name");
        const std::string path = stream_folder.shown + "/" + cell;
        if (!sub) {
            auto opened = stream_folder.parent.Sub(stream_folder.name, false);
            if (!opened.ok()) return source.Error("no regular file " + path);
            sub = std::move(opened).value();
        }
        struct stat st {};
        if (::fstatat(sub->fd(), cell.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            return source.Error("no regular file " + path);
        auto stream = db::FileStreamSource::Open(*sub, cell);
        if (!stream.ok()) return source.Error(stream.status().message());
        streams.emplace_back(std::move(name).value(), std::move(stream).value());
    }
    for (auto& [name, stream] : streams) db.streams().Put(name, stream);
    db.MarkModified();
    return Status::Ok();
}

}  // namespace

Status ImportTable(db::Database& db, const ArchiveHeader& header, TextSource& source,
                   const StreamFolder& stream_folder) {
    if (header.table == "_Streams") return ImportStreams(db, header, source, stream_folder);
    if (db::IsSystemTable(header.table))
        return Status::Unsupported(header.table + " cannot be imported");
    Importer importer(db, header, source, stream_folder);
    return importer.Run();
}

}  // namespace msi::idt
