#include "generate_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cabinet_export.h"
#include "cabinet_file_match.h"
#include "export_folder.h"
#include "file_services.h"
#include "generated_summary.h"
#include "media_cabinets.h"
#include "messages.h"
#include "msi_database.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"
#include "path_functions.h"

namespace tablesmith {

namespace {

// Field of the Cabinet column in a row of "SELECT * FROM Media".
constexpr std::uint32_t kCabinetField = 3;

// Step 5. "" when every table imported; else one line per table that did
// not, with the file and the engine's reason (which names the line).
std::string ImportTables(CMsiDatabase& database, const std::vector<std::string>& tables,
                         const ExportFolder& folder) {
    std::string failures;
    for (const std::string& table : tables) {
        const std::string file_name = table + ".tbl";
        // Through the folder's descriptor, as everything of the folder: the
        // tables read are those of the folder that was checked.
        if (database.ImportTableIn(folder.fd(), folder.path(), file_name) == ERROR_SUCCESS)
            continue;  // the next tables are imported all the same, to name every failure
        failures += "\n" + FillMessage(kCantImportTable,
                                       {table, folder.Show(file_name), database.GetFailureText()});
    }
    return failures;
}

enum class CabinetsResult { kDone, kMissing, kUnusable };

// Step 6: each Media row that names an internal cabinet ("#<stream>") names
// the file Export wrote for that stream instead. Every internal cabinet
// counts, not only names ending in ".cab": the new package carries no
// streams of cabinets, so a "#" left behind would name a cabinet that is
// not there. A row whose file is missing (or whose file would be a table's)
// is told and left as it is (kMissing); a file that is no whole cabinet is
// told and ends the generation (kUnusable): a package naming it would fail
// at install time.
CabinetsResult MakeCabinetsExternal(CMsiDatabase& database, const ExportFolder& folder,
                                    const std::vector<std::string>& tables,
                                    diag::OutcomeSink& sink) {
    CMsiView view;
    // A package without a Media table has nothing to rewrite; the view layer
    // traces the failed query.
    if (!view.Open(&database, "SELECT * FROM Media")) return CabinetsResult::kDone;
    view.Execute(0);
    CabinetsResult result = CabinetsResult::kDone;
    CMsiRecord row;
    while (view.Fetch(row)) {
        std::string cabinet;
        row.GetString(kCabinetField, cabinet);
        if (!NamesInternalCabinet(cabinet)) continue;
        const std::string stream = cabinet.substr(1);
        const std::string file = FindCabinetFile(folder, stream);
        if (file.empty() || !TableOfFileName(file, tables).empty()) {
            // The row keeps naming the stream: a file name made up here
            // would name nothing either, or, for a stream name holding a
            // path, a file outside the package's folder.
            sink.Stop(FillMessage(kCabFileMissing, {stream}));
            if (result == CabinetsResult::kDone) result = CabinetsResult::kMissing;
            continue;
        }
        const std::string problem = WholeCabinetProblem(folder, file);
        if (!problem.empty()) {
            sink.Stop(FillMessage(kCantUseCab, {folder.Show(file), problem}));
            result = CabinetsResult::kUnusable;
            continue;
        }
        row.SetString(kCabinetField, file);
        if (!view.Modify(MSIMODIFY_UPDATE, row) && result == CabinetsResult::kDone)
            result = CabinetsResult::kMissing;  // reported by the view layer
    }
    view.Close();
    return result;
}

// A new, empty file of the folder beside `name` that only this process made,
// to build the package under; "" (errno set) when none can be made. It gets
// the mode of the package it will replace, else what a plain create gives;
// the commit keeps the mode of the file it replaces.
std::string ReserveTemporaryName(const ExportFolder& folder, const std::string& name) {
    struct stat st {};
    const bool replaces = folder.Stat(name, st) && S_ISREG(st.st_mode);
    std::string temp;
    const int fd = folder.CreateUnfinished(name, 0666, temp);
    if (fd < 0) return std::string();
    // The mode of the package it replaces is kept as it was, umask or not.
    if (replaces) ::fchmod(fd, st.st_mode & 07777);
    ::close(fd);
    return temp;
}

// Tells the failure, shuts the database down and takes the unfinished
// package away; the package at the real path is untouched.
bool Abandon(CMsiDatabase& database, const ExportFolder& folder, const std::string& temp,
             diag::OutcomeSink& sink, const std::string& text, const std::string& detail = "") {
    sink.Stop(text, detail);
    database.Shutdown();
    folder.Remove(temp);
    return false;
}

// Steps 1 and 2: a stop message and false unless the folder may be read
// and holds what an export writes.
bool FolderIsReady(ExportFolder& folder, const std::string& path, diag::OutcomeSink& sink) {
    // Tables and cabinets planted by someone else must not become a package.
    if (const std::string problem = folder.Open(path); !problem.empty()) {
        sink.Stop(problem);
        return false;
    }
    struct stat st {};
    if (!folder.Stat("Property.tbl", st)) {
        sink.Stop(kExportFirst);
        return false;
    }
    if (!HoldsCabinetFile(folder)) {
        sink.Stop(kNoCabFound);
        return false;
    }
    return true;
}

}  // namespace

std::string GeneratedPackageName(const std::string& msi_file) {
    // Name and extension only, also for a relative path with folders, which
    // would otherwise name a folder below the export folder; exactly, so a
    // package without an extension gives a name without a dot.
    std::string name;
    std::string extension;
    VSB_SplitPath(msi_file, nullptr, &name, &extension);
    return name + extension;
}

std::string GeneratedPackagePath(const std::string& msi_file, const std::string& chosen_folder) {
    const std::string folder = chosen_folder.empty() ? ExportFolderOf(msi_file) : chosen_folder;
    if (folder.empty()) return std::string();
    return FileInFolder(folder, GeneratedPackageName(msi_file));
}

bool RunGenerate(const GenerateSettings& settings, diag::OutcomeSink& sink) {
    const std::string folder_path =
        settings.folder.empty() ? ExportFolderOf(settings.msi_file) : settings.folder;
    if (folder_path.empty()) {
        sink.Stop(kNoTempFolder);
        return false;
    }
    // Opened once: every file read or written below goes through it.
    ExportFolder folder;
    if (!FolderIsReady(folder, folder_path, sink)) return false;
    // Read before anything is made, and before a source lying in the export
    // folder under the new package's name is replaced. Without it the new
    // package would lack the source's package code: nothing is made.
    SourceSummary source;
    if (!ReadSourceSummary(settings.msi_file, source)) {
        sink.Stop(FillMessage(kCantReadSourceSummary, {settings.msi_file}));
        return false;
    }

    // The package is built under a temporary name and renamed over the real
    // one only when complete, so a failure leaves whatever package was there
    // (the source itself, when the user regenerates from a generated one).
    const std::string new_package = GeneratedPackagePath(settings.msi_file, folder_path);
    const std::string new_name = GeneratedPackageName(settings.msi_file);
    // A folder at that name could never be replaced by the package.
    struct stat in_the_way {};
    const bool folder_in_the_way = folder.Stat(new_name, in_the_way) && S_ISDIR(in_the_way.st_mode);
    const std::string temp =
        folder_in_the_way ? std::string() : ReserveTemporaryName(folder, new_name);
    const int reserve_error = errno;
    CMsiDatabase database;
    if (temp.empty() || !database.OpenIn(folder.fd(), temp, folder.Show(temp), 3)) {
        const std::string cause = folder_in_the_way ? "a folder lies at " + new_package
                                  : temp.empty()    ? std::strerror(reserve_error)
                                                    : database.GetFailureText();
        sink.Stop(kCantCreatePackage, cause);
        database.Shutdown();
        if (!temp.empty()) folder.Remove(temp);
        return false;
    }
    const std::string failures = ImportTables(database, settings.tables, folder);
    if (!failures.empty())
        return Abandon(database, folder, temp, sink,
                       std::string(kCantImportAll) + failures + "\n" + kNothingGenerated);
    const CabinetsResult cabinets = MakeCabinetsExternal(database, folder, settings.tables, sink);
    if (cabinets == CabinetsResult::kUnusable)
        return Abandon(database, folder, temp, sink, kNothingGenerated);

    bool ok = cabinets == CabinetsResult::kDone;
    if (!WriteGeneratedSummary(database.GetHandle(), source)) {
        sink.Stop(kCantWriteSummary);
        ok = false;
    }
    // One commit writes the tables, the Media changes and the summary.
    if (database.Commit() != ERROR_SUCCESS)
        return Abandon(database, folder, temp, sink, FillMessage(kCantSavePackage, {new_package}),
                       database.GetFailureText());
    database.Shutdown();
    if (!folder.Rename(temp, new_name)) {
        const int error = errno;
        folder.Remove(temp);
        sink.Stop(FillMessage(kCantSavePackage, {new_package}), std::strerror(error));
        return false;
    }
    sink.Inform(FillMessage(kGenerated, {new_package}));
    return ok;
}

}  // namespace tablesmith
