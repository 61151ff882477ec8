#include "table_export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <filesystem>
#include <sstream>
#include <unistd.h>

#include "msi_engine.h"
#include "msiquery.h"
#include "row_writer.h"

namespace viewer {

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string FolderOf(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

std::string SystemText(int error) {
    return std::strerror(error);
}

}  // namespace

std::optional<ExportFormat> ExportFormatOfPath(const std::string& path) {
    const std::string extension = Lower(std::filesystem::path(path).extension().string());
    if (extension == ".csv") return ExportFormat::kCsv;
    if (extension == ".tsv" || extension == ".txt") return ExportFormat::kTsv;
    if (extension == ".json") return ExportFormat::kJson;
    if (extension == ".idt" || extension == ".tbl") return ExportFormat::kIdt;
    return std::nullopt;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* failure) {
    std::string temporary =
        FolderOf(path) + "/." + std::filesystem::path(path).filename().string() + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        if (failure) *failure = SystemText(errno);
        return false;
    }
    std::size_t written = 0;
    int error = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    // mkstemp makes the file private; a saved file gets the usual modes.
    if (error == 0 && fchmod(fd, 0644) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        std::remove(temporary.c_str());
        if (failure) *failure = SystemText(error);
        return false;
    }
    return true;
}

bool ExportTable(PackageView& package, std::size_t table, ExportFormat format,
                 const std::string& path, std::string* failure) {
    if (table >= package.Tables().size()) return false;
    const std::string& name = package.Tables()[table].name;
    if (format == ExportFormat::kIdt) {
        // The engine writes into a private folder beside the target; only
        // the finished file is renamed into place.
        std::string folder = FolderOf(path) + "/.vsb-export-XXXXXX";
        if (!mkdtemp(folder.data())) {
            if (failure) *failure = SystemText(errno);
            return false;
        }
        bool done = MsiDatabaseExportA(package.Database(), name.c_str(), folder.c_str(),
                                       "table.idt") == ERROR_SUCCESS;
        if (!done && failure) *failure = msi::LastFailureText();
        if (done && std::rename((folder + "/table.idt").c_str(), path.c_str()) != 0) {
            done = false;
            if (failure) *failure = SystemText(errno);
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return done;
    }
    const TableRows* rows = package.Rows(table);
    if (!rows) {
        if (failure) *failure = package.Tables()[table].failure;
        return false;
    }
    static constexpr cli::OutputFormat kFormats[] = {
        cli::OutputFormat::kCsv, cli::OutputFormat::kTsv, cli::OutputFormat::kJson};
    std::vector<std::string> names;
    for (const ColumnInfo& column : rows->Columns()) names.push_back(column.name);
    std::ostringstream out;
    cli::RowWriter writer(kFormats[static_cast<int>(format)], names, out);
    for (std::size_t row = 0; row < rows->RowCount(); ++row) writer.Add(rows->RowCells(row));
    writer.Finish();
    return WriteFileAtomically(path, out.str(), failure);
}

}  // namespace viewer
