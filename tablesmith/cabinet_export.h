// The cabinet step of Export: every cabinet the package carries in its
// _Streams table is copied, byte for byte, into a file of the export folder
// named by the stream's name in lower case (exactly that name: a name
// without a dot gets none). A cabinet stream is one whose
// name ends in ".cab" (any case), or one that a Media row names as an
// internal cabinet ("#<stream>") whatever its name ends in. Generate later
// makes the package refer to these files instead of its streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "copy_progress.h"
#include "export_folder.h"
#include "outcome.h"
#include "msi_database.h"

namespace tablesmith {

// Lower-cases the single-byte letters A-Z only; other bytes, and so every
// byte of a multibyte character, stay as they are.
std::string LowerAscii(const std::string& text);

// The stream name, lower-cased, ends in the four characters ".cab".
bool IsCabinetStreamName(const std::string& stream_name);

// A name that stays inside the folder it is joined to: not empty, not "." or
// "..", and without a separator of either style or a zero byte. Stream names
// come from the package, so they are checked before they name a file.
bool IsPlainFileName(const std::string& name);

// The table whose exported files `file_name` would take, without regard to
// ASCII letter case: "<table>.tbl", or "<table>", the folder of the table's
// binary cells. "" when it takes no table's name.
std::string TableOfFileName(const std::string& file_name, const std::vector<std::string>& tables);

// ExportCabinets: the step described above, on a database open for reading.
// Tells one message at the end ("Successfully exported all CABs ..." or "No
// CAB files found ..."), and a stop message for each stream it could not copy:
// an unsafe name (skipped), a name that an exported table's file has (skipped,
// the table's file kept), a stream that cannot be read (the other streams go
// on), or a file that cannot be written (the step ends there). Each file is
// written under a temporary name and renamed into place when whole, so no
// failure leaves a cut file or touches a file that was there. False when
// anything failed.
bool ExportCabinets(CMsiDatabase& database, const ExportFolder& export_folder,
                    diag::OutcomeSink& sink, CopyProgress* progress = nullptr);

}  // namespace tablesmith
