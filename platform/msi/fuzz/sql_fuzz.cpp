// The SQL parser and executor on the small base package: each line of the
// input is one statement, run in order on the same transacted database (so
// that a CREATE or INSERT is seen by the statements after it), with a
// parameter record, its rows fetched and the first fetched row handed to
// MsiViewModify in a mode chosen by the input's first byte. Nothing is
// committed.
#include <string>
#include <string_view>

#include "fuzz_support.h"

namespace {

constexpr int kMaxStatements = 8;

MSIHANDLE Parameters() {
    MSIHANDLE record = MsiCreateRecord(4);
    MsiRecordSetInteger(record, 1, 2);
    MsiRecordSetStringA(record, 2, "x");
    MsiRecordSetStringA(record, 3, "ProductName");
    return record;
}

void RunStatement(MSIHANDLE database, const std::string& query, int modify_mode) {
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewA(database, query.c_str(), &view) != ERROR_SUCCESS) return;
    MSIHANDLE columns = 0;
    if (MsiViewGetColumnInfo(view, MSICOLINFO_NAMES, &columns) == ERROR_SUCCESS)
        MsiCloseHandle(columns);
    if (MsiViewGetColumnInfo(view, MSICOLINFO_TYPES, &columns) == ERROR_SUCCESS)
        MsiCloseHandle(columns);
    const MSIHANDLE parameters = Parameters();
    if (MsiViewExecute(view, parameters) == ERROR_SUCCESS) {
        MSIHANDLE first = 0;
        if (MsiViewFetch(view, &first) == ERROR_SUCCESS) {
            MsiRecordSetStringA(first, 2, "changed");
            MsiViewModify(view, static_cast<MSIMODIFY>(modify_mode), first);
            char column[80];
            DWORD size = sizeof column;
            MsiViewGetErrorA(view, column, &size);
            MsiCloseHandle(first);
        }
        msi::fuzz::DrainView(view);
    }
    MsiCloseHandle(parameters);
    MsiViewClose(view);
    MsiCloseHandle(view);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // Modes -1 (seek) to 11 (validate delete).
    const int modify_mode = int(data[0] % 13) - 1;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(msi::fuzz::BasePackage().c_str(), MSIDBOPEN_TRANSACT, &database) !=
        ERROR_SUCCESS)
        return 0;
    for (int n = 0; n < kMaxStatements && !text.empty(); ++n) {
        const size_t end = text.find('\n');
        RunStatement(database, std::string(text.substr(0, end)), modify_mode);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    MsiCloseHandle(database);
    return 0;
}
