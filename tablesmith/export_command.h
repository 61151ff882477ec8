// The Export command (the dialog's OnExport): writes the chosen table, or all
// listed tables, of a package to "<table>.tbl" files in the package's export
// folder, then, when asked, copies the package's cabinets there as well.
//
// Order of steps, each telling its outcome before the next one runs:
//   1. no package path: nothing at all happens;
//   2. the package is opened read-only; if it does not open, a stop message
//      and the end, with no folder made;
//   3. the export folder is made (one level, mode 0700) or, when it exists,
//      checked: a link, a folder of another user or one that others may
//      write to is refused with a stop message (export_folder.h);
//      an existing folder of the user's own is reused with what it holds;
//      it is opened once, and every file of steps 4 and 5 is written
//      through that descriptor, never by the folder's path again;
//   4. unless only cabinets are wanted: the tables, with one message;
//   5. when cabinets are wanted: ExportCabinets, with its own message;
//   6. the package is closed.
// Every file is written under a temporary name in the folder and renamed
// into place when whole.
#pragma once

#include <string>
#include <vector>

#include "copy_progress.h"
#include "outcome.h"

namespace tablesmith {

struct ExportSettings {
    std::string msi_file;             // m_strMsiFile: the package path
    std::vector<std::string> tables;  // the table list as the browse step filled it
    std::string selected_table;       // the list's selection; "" when there is none
    bool export_all = false;          // m_bExportAll: every listed table
    bool export_cab = false;          // m_bExportCab: the cabinets as well
    bool only_cab = false;            // m_bOnlyCab: the cabinets and no table
    // Where the files go; "" for the package's export folder (export_folder.h).
    // The command line's --folder sets it, for jobs that choose their own.
    std::string folder = {};
};

// OnExport's work. True when every step that ran succeeded. Tables are
// exported from the given list, which is not read again from the package:
// a table the package lacks fails like any other. A single-table export with
// no selection does nothing for the tables. only_cab implies export_cab (the
// dialog can tick the first only while the second is ticked).
bool RunExport(const ExportSettings& settings, diag::OutcomeSink& sink,
               CopyProgress* progress = nullptr);

}  // namespace tablesmith
