#include "change_list_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "change_writer.h"
#include "entry_list.h"

namespace deltalens::gui {

namespace fs = std::filesystem;

namespace {

// The list's changes through deltalens-cli's own writer, in list order.
void WriteChanges(const CEntryList& list, ::cli::OutputFormat format, std::ostream& out) {
    ChangeWriter writer(format, out);
    ChangeRow row(kChangeColumnCount);
    for (POSITION position = list.GetHeadPosition(); position != nullptr;) {
        const auto* entry = dynamic_cast<const CEntry*>(list.GetNext(position));
        if (entry == nullptr) continue;
        for (int field = 0; field < kChangeColumnCount; ++field)
            row[static_cast<std::size_t>(field)] = entry->GetFieldText(field);
        writer.Add(row);
    }
    writer.Finish();
}

}  // namespace

std::string ChangeListText(const CEntryList& list) {
    std::ostringstream text;
    WriteChanges(list, ::cli::OutputFormat::kTsv, text);
    return text.str();
}

::cli::OutputFormat FormatOfFile(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".json") return ::cli::OutputFormat::kJson;
    if (extension == ".csv") return ::cli::OutputFormat::kCsv;
    return ::cli::OutputFormat::kTsv;
}

bool SaveChangeList(const CEntryList& list, const std::string& path, std::string& error) {
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // A hidden name of our own beside the target: the rename that puts the
    // file in place then stays within one file system.
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        error = "cannot create a file in " + folder.string() + ": " + std::strerror(errno);
        return false;
    }
    close(descriptor);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        WriteChanges(list, FormatOfFile(path), out);
        out.flush();
        if (!out) {
            error = "cannot write " + temporary + ": " + std::strerror(errno);
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    // mkstemp makes the file readable by its owner alone; a saved list is an
    // ordinary file.
    std::error_code permission_error;
    fs::permissions(temporary,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read,
                    fs::perm_options::replace, permission_error);
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

}  // namespace deltalens::gui
