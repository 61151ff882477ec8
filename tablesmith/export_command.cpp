#include "export_command.h"

#include "cabinet_export.h"
#include "export_folder.h"
#include "messages.h"
#include "msi_database.h"
#include "msiquery.h"

namespace tablesmith {

namespace {

UINT ExportTable(CMsiDatabase& database, const std::string& table, const ExportFolder& folder) {
    const std::string file_name = table + ".tbl";
    // Through the folder's descriptor: the file (and the folder of the
    // table's binary cells) lands in the folder that was checked.
    return database.ExportTableIn(table, folder.fd(), file_name);
}

// Step 4: the tables. True when every export succeeded.
bool ExportTables(CMsiDatabase& database, const ExportSettings& settings,
                  const ExportFolder& folder, diag::OutcomeSink& sink) {
    if (settings.export_all) {
        // A failed table does not stop the others. Failures are counted
        // rather than result codes added up: a sum of codes can wrap to 0.
        int failures = 0;
        std::string first_failure;  // the table and the engine's reason
        for (const std::string& table : settings.tables) {
            if (ExportTable(database, table, folder) == ERROR_SUCCESS) continue;
            if (++failures == 1)
                first_failure = "table " + table + ": " + database.GetFailureText();
        }
        if (failures != 0) {
            const std::string more =
                failures == 1   ? ""
                : failures == 2 ? " (and 1 more table)"
                                : " (and " + std::to_string(failures - 1) + " more tables)";
            sink.Stop(kExportAllFailed, first_failure + more);
            return false;
        }
        // Also for an empty list: nothing was asked that failed.
        sink.Inform(FillMessage(kExportedAllTables, {folder.path()}));
        return true;
    }
    const std::string& table = settings.selected_table;
    if (table.empty()) return true;
    if (ExportTable(database, table, folder) != ERROR_SUCCESS) {
        sink.Stop(FillMessage(kCantExportTable, {table}), database.GetFailureText());
        return false;
    }
    sink.Inform(FillMessage(kExportedTable, {table, folder.path()}));
    return true;
}

}  // namespace

bool RunExport(const ExportSettings& settings, diag::OutcomeSink& sink, CopyProgress* progress) {
    if (settings.msi_file.empty()) return false;
    const std::string folder_path =
        settings.folder.empty() ? ExportFolderOf(settings.msi_file) : settings.folder;
    if (folder_path.empty()) {
        sink.Stop(kNoTempFolder);
        return false;
    }
    CMsiDatabase database;
    // The package is opened before the folder is made, so that a package
    // that does not open leaves no empty folder behind.
    if (!database.Open(settings.msi_file, 0)) {
        // The message names transaction mode whatever happened; the cause
        // says what did (a missing file, a file that is no package).
        sink.Stop(kCantOpenPackage, database.GetFailureText());
        database.Shutdown();
        return false;
    }
    // One level only, and an existing folder of the user's own is fine: a
    // second export of the same package (or of one of the same name) writes
    // into the same folder.
    ExportFolder folder;
    const std::string problem = folder.Make(folder_path);
    if (!problem.empty()) {
        sink.Stop(problem);
        database.Shutdown();
        return false;
    }
    bool ok = true;
    if (!settings.only_cab) ok = ExportTables(database, settings, folder, sink);
    if (settings.export_cab || settings.only_cab)
        ok = ExportCabinets(database, folder, sink, progress) && ok;
    database.Shutdown();
    return ok;
}

}  // namespace tablesmith
