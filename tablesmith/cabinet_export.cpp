#include "cabinet_export.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "cabinet_file_match.h"
#include "core/exceptions.h"
#include "export_folder.h"
#include "media_cabinets.h"
#include "messages.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"

namespace tablesmith {

namespace {

// Pieces of this size keep memory flat however large a cabinet is, and let a
// progress line move while the copy runs.
constexpr DWORD kPieceSize = 1u << 20;

// The installer's field numbers of a _Streams row (Name, Data).
constexpr UINT kNameField = 1;
constexpr UINT kDataField = 2;

// A cabinet file written through the export folder's descriptor under a
// temporary name and renamed to its own name only once every byte is
// written (FolderFileWriter): an interrupted or failed export never leaves a
// cut cabinet under a cabinet's name, and no link is written through.
// Opening, Write and Commit raise the framework's file exception, as the
// framework's file object does.
class CabinetFile {
  public:
    CabinetFile(const ExportFolder& folder, const std::string& name)
        : file_(folder, name), path_(folder.Show(name)) {
        if (file_.error() != 0) Throw(file_.error());
    }
    void Write(const char* data, std::size_t count) {
        if (const int error = file_.Write(data, count); error != 0) Throw(error);
    }
    void Commit() {
        if (const int error = file_.Commit(); error != 0) Throw(error);
    }

  private:
    [[noreturn]] void Throw(int err) {
        AfxThrowFileException(CFileException::CauseFromErrno(err), err, path_);
    }

    FolderFileWriter file_;
    std::string path_;
};

enum class CopyResult { kCopied, kReadFailed };

// Copies the stream of the fetched row into the file `name` of `folder`,
// piece by piece. Raises CFileException when the file cannot be written.
CopyResult CopyStream(CMsiRecord& row, const ExportFolder& folder, const std::string& name,
                      CopyProgress* progress) {
    const std::string path = folder.Show(name);
    const std::uint64_t total = MsiRecordDataSize(row.GetHandle(), kDataField);
    const bool show = progress != nullptr && total > progress->Threshold();
    if (show) progress->Begin(path, total);
    struct EndProgress {
        CopyProgress* progress;
        ~EndProgress() {
            if (progress != nullptr) progress->End();
        }
    } end_progress{show ? progress : nullptr};

    CabinetFile file(folder, name);
    std::vector<char> piece(kPieceSize);
    std::uint64_t done = 0;
    for (;;) {
        DWORD count = kPieceSize;
        if (MsiRecordReadStream(row.GetHandle(), kDataField, piece.data(), &count) != ERROR_SUCCESS)
            return CopyResult::kReadFailed;
        if (count == 0) break;
        file.Write(piece.data(), count);
        done += count;
        if (show) progress->Advance(done);
    }
    file.Commit();
    return CopyResult::kCopied;
}

// The package's table names (from _Tables); empty when they cannot be read.
std::vector<std::string> TableNames(CMsiDatabase& database) {
    std::vector<std::string> tables;
    CMsiView view;
    if (!view.Open(&database, "SELECT `Name` FROM `_Tables`")) return tables;
    view.Execute(0);
    CMsiRecord row;
    while (view.Fetch(row)) {
        std::string table;
        row.GetString(0, table);
        tables.push_back(table);
    }
    view.Close();
    return tables;
}

}  // namespace

std::string LowerAscii(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool IsCabinetStreamName(const std::string& stream_name) {
    const std::string lower = LowerAscii(stream_name);
    return lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".cab") == 0;
}

std::string TableOfFileName(const std::string& file_name, const std::vector<std::string>& tables) {
    // Letter case is ignored: Generate finds cabinet files without regard to
    // it, and on a folder that ignores case the two files would be one.
    const std::string file = LowerAscii(file_name);
    for (const std::string& table : tables) {
        const std::string lower = LowerAscii(table);
        if (file == lower + ".tbl" || file == lower) return table;
    }
    return std::string();
}

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    // Both separators count whatever the path style: a package made on
    // Windows means a folder by a backslash, and a slash is one here.
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

namespace {

// The names of the streams that hold cabinets (by their name, or named by a
// Media row); false when the package's streams cannot be listed.
bool CabinetStreams(CMsiDatabase& database, std::vector<std::string>& cabinet_streams) {
    const std::set<std::string> internal = InternalCabinetStreams(database);
    CMsiView names;
    if (!names.Open(&database, "SELECT `Name` FROM `_Streams`")) return false;
    names.Execute(0);
    CMsiRecord row;
    while (names.Fetch(row)) {
        std::string stream_name;
        row.GetString(0, stream_name);
        if (IsCabinetStreamName(stream_name) || internal.count(stream_name) != 0)
            cabinet_streams.push_back(stream_name);
    }
    names.Close();
    return true;
}

// Whether a cabinet may be written under `file_name` in the export folder;
// when not, the user is told why and the stream is skipped.
bool FileNameAllowed(const std::string& stream_name, const std::string& file_name,
                     const std::vector<std::string>& tables, diag::OutcomeSink& sink) {
    if (!IsPlainFileName(file_name)) {
        // Written as it is, such a name would put the file outside the
        // export folder (or into a folder of it).
        sink.Stop(FillMessage(kUnsafeCabName, {stream_name}));
        return false;
    }
    const std::string table = TableOfFileName(file_name, tables);
    if (!table.empty()) {
        // The table's file wins: a cabinet there would overwrite the
        // exported table, and Generate would import a cabinet as a table.
        sink.Stop(FillMessage(kCabNameOfTable, {stream_name, file_name, table}));
        return false;
    }
    return true;
}

}  // namespace

bool ExportCabinets(CMsiDatabase& database, const ExportFolder& export_folder,
                    diag::OutcomeSink& sink, CopyProgress* progress) {
    // First the names alone, so that every cabinet's file name is settled
    // before a byte is written (see CabinetFileNames).
    std::vector<std::string> cabinet_streams;
    if (!CabinetStreams(database, cabinet_streams)) {
        // The view layer has traced why; the user is told that nothing was copied.
        sink.Stop(kCantReadStreams);
        return false;
    }
    const std::map<std::string, std::string> file_names = CabinetFileNames(cabinet_streams);
    const std::vector<std::string> tables = TableNames(database);

    CMsiView view;
    if (!view.Open(&database, "SELECT * FROM _Streams")) {
        sink.Stop(kCantReadStreams);
        return false;
    }
    view.Execute(0);

    bool found = false;
    bool failed = false;
    CMsiRecord row;
    while (view.Fetch(row)) {
        std::string stream_name;
        row.GetString(0, stream_name);
        const auto file_name = file_names.find(stream_name);
        if (file_name == file_names.end()) continue;  // not a cabinet: its bytes are not read
        if (!FileNameAllowed(stream_name, file_name->second, tables, sink)) {
            failed = true;
            continue;
        }
        // Joined exactly: a stream name without a dot ("Cab1") gets no dot
        // added, so the Media row's name finds its file.
        const std::string path = export_folder.Show(file_name->second);
        try {
            if (CopyStream(row, export_folder, file_name->second, progress) ==
                CopyResult::kReadFailed) {
                sink.Stop(FillMessage(kCantReadCab, {stream_name}));
                failed = true;
                continue;
            }
        } catch (const CFileException& e) {
            const std::string reason =
                e.m_lOsError != 0 ? std::strerror(e.m_lOsError) : e.GetErrorMessage();
            sink.Stop(FillMessage(kCantWriteCab, {path, reason}));
            view.Close();
            return false;
        }
        found = true;
    }
    if (!failed) {
        if (found)
            sink.Inform(FillMessage(kExportedAllCabs, {export_folder.path()}));
        else
            sink.Inform(kNoCabsInPackage);
    }
    view.Close();
    return !failed;
}

}  // namespace tablesmith
