// Opening a package read-only: its string pool, catalog and every table,
// every stream of _Streams, and its summary information.
#include "fuzz_support.h"
#include "msi.h"

namespace {

void ReadSummary(MSIHANDLE database) {
    MSIHANDLE summary = 0;
    if (MsiGetSummaryInformationA(database, nullptr, 0, &summary) != ERROR_SUCCESS) return;
    UINT count = 0;
    MsiSummaryInfoGetPropertyCount(summary, &count);
    for (UINT pid = 0; pid < 24; ++pid) {
        UINT type = 0;
        INT value = 0;
        FILETIME time{};
        char text[512];
        DWORD size = sizeof text;
        MsiSummaryInfoGetPropertyA(summary, pid, &type, &value, &time, text, &size);
    }
    MsiCloseHandle(summary);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = msi::fuzz::MemoryFilePath({data, size});
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS) return 0;
    msi::fuzz::ReadEveryTable(database);
    ReadSummary(database);
    MsiCloseHandle(database);
    return 0;
}
