#include "idt/text_archive.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "db/summary_info.h"
#include "idt/archive_header.h"
#include "idt/binary_file_names.h"
#include "idt/summary_archive.h"
#include "idt/table_exporter.h"
#include "idt/table_importer.h"
#include "idt/text_source.h"

namespace msi::idt {

namespace {

Status Fail(ArchiveFailure* failure, ArchiveFailure why, Status status) {
    if (failure) *failure = why;
    return status;
}

// The folder a path names, opened once (a link to a folder is followed, as
// the interface's callers expect), so that everything after happens in it.
Result<storage::Folder> OpenFolder(const std::string& folder, ArchiveFailure* failure) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Fail(failure, ArchiveFailure::kBadPath, Status::NotFound("no folder " + folder));
    auto opened = storage::Folder::FromDescriptor(fd);
    ::close(fd);
    if (!opened.ok()) return Fail(failure, ArchiveFailure::kFailed, opened.status());
    return opened;
}

// The caller names a file inside the folder; a path there ("../x.idt")
// would read or write elsewhere.
Status CheckFileName(const std::string& file, ArchiveFailure* failure) {
    if (!IsPlainFileName(file))
        return Fail(failure, ArchiveFailure::kBadPath,
                    Status::InvalidArgument("not a plain file name: " + file));
    return Status::Ok();
}

Status ExportSummary(db::Database& db, const storage::Folder& folder, const std::string& path) {
    format::SummaryPropertySet set;
    if (auto stream = db.streams().Get(db::SummaryInfo::kStreamName)) {
        auto bytes = db::ReadAll(*stream);
        if (!bytes.ok()) return bytes.status();
        auto decoded = format::SummaryPropertySet::Decode(std::span<const uint8_t>(
            reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
        if (!decoded.ok()) return decoded.status();
        set = std::move(decoded).value();
    }
    return WriteFileAtomically(folder, path, FormatSummaryArchive(set));
}

Status ImportSummary(db::Database& db, TextSource& source) {
    if (db.read_only()) return Status::InvalidArgument("the database is read-only");
    auto set = ReadSummaryRows(source);
    if (!set.ok()) return set.status();
    const std::vector<uint8_t> bytes = set->Encode();
    std::vector<std::byte> copy(bytes.size());
    std::memcpy(copy.data(), bytes.data(), bytes.size());
    db.streams().Put(db::SummaryInfo::kStreamName,
                     std::make_shared<db::MemoryStreamSource>(std::move(copy)));
    db.MarkModified();
    return Status::Ok();
}

Status ImportCodePage(db::Database& db, const ArchiveHeader& header, TextSource& source) {
    if (db.read_only()) return Status::InvalidArgument("the database is read-only");
    if (Status s = db.pool().SetCodePage(*header.code_page); !s.ok())
        return source.Error(s.message());
    db.MarkModified();
    return Status::Ok();
}

}  // namespace

Status ExportArchive(db::Database& db, const std::string& table, const std::string& folder,
                     const std::string& file, ArchiveFailure* failure) {
    if (failure) *failure = ArchiveFailure::kNone;
    auto opened = OpenFolder(folder, failure);
    if (!opened.ok()) return opened.status();
    return ExportArchive(db, table, *opened, file, failure);
}

Status ImportArchive(db::Database& db, const std::string& folder, const std::string& file,
                     ArchiveFailure* failure) {
    if (failure) *failure = ArchiveFailure::kNone;
    auto opened = OpenFolder(folder, failure);
    if (!opened.ok()) return opened.status();
    return ImportArchive(db, *opened, folder, file, failure);
}

Status ExportArchive(db::Database& db, const std::string& table, const storage::Folder& folder,
                     const std::string& file, ArchiveFailure* failure) {
    if (failure) *failure = ArchiveFailure::kNone;
    if (Status s = CheckFileName(file, failure); !s.ok()) return s;
    Status s;
    if (table == kForceCodepageTable) {
        s = WriteFileAtomically(
            folder, file,
            "\r\n\r\n" + std::to_string(db.pool().code_page()) + "\t_ForceCodepage\r\n");
    } else if (table == kSummaryTable) {
        s = ExportSummary(db, folder, file);
    } else if (!db.HasTable(table)) {
        return Fail(failure, ArchiveFailure::kUnknownTable, Status::NotFound("no table " + table));
    } else {
        s = ExportTable(db, table, folder, file);
    }
    return s.ok() ? s : Fail(failure, ArchiveFailure::kFailed, s);
}

Status ImportArchive(db::Database& db, const storage::Folder& folder, const std::string& shown,
                     const std::string& file, ArchiveFailure* failure) {
    if (failure) *failure = ArchiveFailure::kNone;
    if (Status s = CheckFileName(file, failure); !s.ok()) return s;
    auto source = FileTextSource::Open(folder, file, shown + "/" + file, file);
    if (!source.ok()) return Fail(failure, ArchiveFailure::kFailed, source.status());
    auto header = ReadArchiveHeader(**source);
    Status s;
    if (!header.ok()) {
        s = header.status();
    } else if (header->table == kForceCodepageTable) {
        s = ImportCodePage(db, *header, **source);
    } else if (header->table == kSummaryTable) {
        s = ImportSummary(db, **source);
    } else {
        // Binary cells name files in the folder named after the archive
        // file without its extension.
        const size_t dot = file.rfind('.');
        const std::string stem = dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
        s = ImportTable(db, *header, **source, StreamFolder{folder, stem, shown + "/" + stem});
    }
    return s.ok() ? s : Fail(failure, ArchiveFailure::kFailed, s);
}

}  // namespace msi::idt
