#include "generate_command.h"

#include "cabinet_file_match.h"
#include "core/message_box.h"
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

// Step 4. True when every table imported.
bool ImportTables(CMsiDatabase& database, const std::vector<std::string>& tables,
                  const std::string& folder) {
    int failures = 0;
    for (const std::string& table : tables) {
        const std::string file_name = table + ".tbl";
        if (MsiDatabaseImportA(database.GetHandle(), folder.c_str(), file_name.c_str()) !=
            ERROR_SUCCESS)
            ++failures;  // the next tables are imported all the same
    }
    return failures == 0;
}

// Step 5: each Media row that names an internal cabinet ("#<stream>") names
// the file Export wrote for that stream instead. Every internal cabinet
// counts, not only names ending in ".cab": the new package carries no
// streams of cabinets, so a "#" left behind would name a cabinet that is
// not there. A row whose file is missing is told and left as it is. False
// when a row could not be updated or its file is missing.
bool MakeCabinetsExternal(CMsiDatabase& database, const std::string& folder, MessageSink& sink) {
    CMsiView view;
    // A package without a Media table has nothing to rewrite; the view layer
    // traces the failed query.
    if (!view.Open(&database, "SELECT * FROM Media")) return true;
    view.Execute(0);
    bool ok = true;
    CMsiRecord row;
    while (view.Fetch(row)) {
        std::string cabinet;
        row.GetString(kCabinetField, cabinet);
        if (!NamesInternalCabinet(cabinet)) continue;
        const std::string stream = cabinet.substr(1);
        const std::string file = FindCabinetFile(folder, stream);
        if (file.empty()) {
            // The row keeps naming the stream: a file name made up here
            // would name nothing either, or, for a stream name holding a
            // path, a file outside the package's folder.
            sink.Tell(FormatMessageText(kCabFileMissing, {stream}), MB_ICONSTOP);
            ok = false;
            continue;
        }
        row.SetString(kCabinetField, file);
        if (!view.Modify(MSIMODIFY_UPDATE, row)) ok = false;  // reported by the view layer
    }
    view.Close();
    return ok;
}

}  // namespace

std::string GeneratedPackagePath(const std::string& msi_file) {
    const std::string folder = ExportFolderOf(msi_file);
    if (folder.empty()) return std::string();
    // Name and extension only, also for a relative path with folders, which
    // would otherwise name a folder below the export folder.
    std::string name;
    std::string extension;
    VSB_SplitPath(msi_file, nullptr, &name, &extension);
    return VSB_MakePath(folder, name + extension);
}

bool RunGenerate(const GenerateSettings& settings, MessageSink& sink) {
    const std::string folder = ExportFolderOf(settings.msi_file);
    if (folder.empty()) {
        sink.Tell(kNoTempFolder, MB_ICONSTOP);
        return false;
    }
    if (!VSB_FileExists(VSB_MakePath(folder, "Property.tbl"))) {
        sink.Tell(kExportFirst, MB_ICONSTOP);
        return false;
    }
    if (!HoldsCabinetFile(folder)) {
        sink.Tell(kNoCabFound, MB_ICONSTOP);
        return false;
    }

    SourceSummary source;
    const bool source_read = ReadSourceSummary(settings.msi_file, source);

    const std::string new_package = GeneratedPackagePath(settings.msi_file);
    CMsiDatabase database;
    if (!database.Open(new_package, 3)) {
        sink.Tell(kCantCreatePackage, MB_ICONSTOP);
        database.Shutdown();
        return false;
    }
    bool ok = true;
    if (!ImportTables(database, settings.tables, folder)) {
        sink.Tell(kCantImportAll, MB_ICONSTOP);
        ok = false;  // generation goes on with the tables that did import
    }
    if (!MakeCabinetsExternal(database, folder, sink)) ok = false;
    // Its result shows at the second commit, which writes the same file.
    MsiDatabaseCommit(database.GetHandle());

    if (!source_read) {
        // The tables are in place, but the package code and platform could
        // not be copied: the user must not take the package for complete.
        sink.Tell(FormatMessageText(kCantReadSourceSummary, {settings.msi_file}), MB_ICONSTOP);
        database.Shutdown();
        return false;
    }
    if (!WriteGeneratedSummary(database.GetHandle(), source)) {
        sink.Tell(kCantWriteSummary, MB_ICONSTOP);
        ok = false;
    }
    if (MsiDatabaseCommit(database.GetHandle()) != ERROR_SUCCESS) {
        // Nothing of the new package reached the disk: announcing it would lie.
        sink.Tell(FormatMessageText(kCantSavePackage, {new_package}), MB_ICONSTOP);
        database.Shutdown();
        return false;
    }
    sink.Tell(FormatMessageText(kGenerated, {new_package}), MB_ICONINFORMATION);
    database.Shutdown();
    return ok;
}

}  // namespace tablesmith
