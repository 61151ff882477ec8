// IDT import: the input is one archive file ("Fuzz.idt") imported into a new
// database, whose tables are then read, exported again and committed. The
// import folder holds binary-cell files for tables named Binary and Icon, so
// that the stream columns of those tables can be reached.
#include <filesystem>
#include <string>

#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

struct Folders {
    std::string import;
    std::string exported;
    std::string package;
};

const Folders& Setup() {
    static const Folders folders = [] {
        Folders f{msi::fuzz::ScratchFolder() + "/import", msi::fuzz::ScratchFolder() + "/export",
                  msi::fuzz::ScratchFolder() + "/imported.msi"};
        fs::create_directories(f.import);
        fs::create_directories(f.exported);
        for (const char* table : {"Binary", "Icon"}) {
            fs::create_directories(f.import + "/" + table);
            msi::fuzz::WriteScratchFile(std::string("import/") + table + "/logo.ibd", "bytes");
            msi::fuzz::WriteScratchFile(std::string("import/") + table + "/a", "");
        }
        return f;
    }();
    return folders;
}

void ExportEveryTable(MSIHANDLE database, const std::string& folder) {
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewA(database, "SELECT `Name` FROM `_Tables`", &view) != ERROR_SUCCESS)
        return;
    if (MsiViewExecute(view, 0) == ERROR_SUCCESS) {
        MSIHANDLE record = 0;
        for (int n = 0; n < 64 && MsiViewFetch(view, &record) == ERROR_SUCCESS; ++n) {
            char name[256];
            DWORD size = sizeof name;
            if (MsiRecordGetStringA(record, 1, name, &size) == ERROR_SUCCESS)
                MsiDatabaseExportA(database, name, folder.c_str(), "out.idt");
            MsiCloseHandle(record);
        }
    }
    MsiCloseHandle(view);
    MsiDatabaseExportA(database, "_SummaryInformation", folder.c_str(), "summary.idt");
    MsiDatabaseExportA(database, "_ForceCodepage", folder.c_str(), "codepage.idt");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Folders& folders = Setup();
    msi::fuzz::WriteScratchFile("import/Fuzz.idt",
                                std::string_view(reinterpret_cast<const char*>(data), size));
    std::error_code ignored;
    fs::remove(folders.package, ignored);
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(folders.package.c_str(), MSIDBOPEN_CREATE, &database) != ERROR_SUCCESS)
        return 0;
    if (MsiDatabaseImportA(database, folders.import.c_str(), "Fuzz.idt") == ERROR_SUCCESS) {
        msi::fuzz::ReadEveryTable(database);
        ExportEveryTable(database, folders.exported);
        if (MsiDatabaseCommit(database) == ERROR_SUCCESS) {
            MSIHANDLE again = 0;
            // What was committed must open again.
            if (MsiOpenDatabaseA(folders.package.c_str(), MSIDBOPEN_READONLY, &again) !=
                ERROR_SUCCESS)
                __builtin_trap();
            msi::fuzz::ReadEveryTable(again);
            MsiCloseHandle(again);
        }
    }
    MsiCloseHandle(database);
    return 0;
}
