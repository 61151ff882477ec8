#include "fuzz_support.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <vector>

#include "msi.h"

namespace msi::fuzz {

namespace {

namespace fs = std::filesystem;

// Rows and bytes read per view: enough to reach every decoder, small enough
// that a table claiming millions of rows does not stall a fuzzing run.
constexpr int kMaxRows = 2000;
constexpr DWORD kMaxStreamBytes = 1 << 20;

// Every handle a function opened, closed when it returns. A deque, so that
// the slot Next gives stays where it is while more are added.
struct Opened {
    std::deque<MSIHANDLE> handles;
    ~Opened() {
        for (MSIHANDLE handle : handles) MsiCloseHandle(handle);
    }
    MSIHANDLE* Next() { return &handles.emplace_back(0); }
    MSIHANDLE Add(MSIHANDLE handle) { return handles.emplace_back(handle); }
};

struct Scratch {
    std::string path;
    Scratch() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/msi-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("msi fuzz: cannot make a scratch folder");
            std::abort();
        }
        path = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

bool Run(MSIHANDLE database, const char* query) {
    Opened opened;
    MSIHANDLE* view = opened.Next();
    return MsiDatabaseOpenViewA(database, query, view) == ERROR_SUCCESS &&
           MsiViewExecute(*view, 0) == ERROR_SUCCESS;
}

// Runs an INSERT whose one parameter is the stream of `file`.
bool InsertFile(MSIHANDLE database, const char* query, const std::string& file) {
    Opened opened;
    MSIHANDLE* view = opened.Next();
    if (MsiDatabaseOpenViewA(database, query, view) != ERROR_SUCCESS) return false;
    const MSIHANDLE record = opened.Add(MsiCreateRecord(1));
    return MsiRecordSetStreamA(record, 1, file.c_str()) == ERROR_SUCCESS &&
           MsiViewExecute(*view, record) == ERROR_SUCCESS;
}

bool WriteSummary(MSIHANDLE database) {
    Opened opened;
    MSIHANDLE* slot = opened.Next();
    if (MsiGetSummaryInformationA(database, nullptr, 8, slot) != ERROR_SUCCESS) return false;
    const MSIHANDLE summary = *slot;
    FILETIME time{0x12345678, 0x01D00000};
    return MsiSummaryInfoSetPropertyA(summary, PID_CODEPAGE, VT_I2, 1252, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyA(summary, PID_TITLE, VT_LPSTR, 0, nullptr, "Fuzz base") ==
               ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyA(summary, PID_TEMPLATE, VT_LPSTR, 0, nullptr, "Intel;1033") ==
               ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyA(summary, PID_REVNUMBER, VT_LPSTR, 0, nullptr,
                                      "{01234567-89AB-CDEF-0123-456789ABCDEF}") == ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyA(summary, PID_CREATE_DTM, VT_FILETIME, 0, &time, nullptr) ==
               ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyA(summary, PID_PAGECOUNT, VT_I4, 200, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           MsiSummaryInfoPersist(summary) == ERROR_SUCCESS;
}

}  // namespace

const std::string& ScratchFolder() {
    static const Scratch scratch;
    return scratch.path;
}

std::string MemoryFilePath(std::span<const uint8_t> bytes) {
    static const int fd = ::memfd_create("msi-fuzz-input", MFD_CLOEXEC);
    if (fd < 0) {
        std::perror("msi fuzz: memfd_create");
        std::abort();
    }
    if (::ftruncate(fd, 0) != 0 ||
        (!bytes.empty() && ::pwrite(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size()))) {
        std::perror("msi fuzz: writing the in-memory file");
        std::abort();
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
    const std::string path = ScratchFolder() + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::perror("msi fuzz: writing a scratch file");
        std::abort();
    }
    std::fclose(file);
    return path;
}

bool BuildBasePackage(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
    Opened opened;
    MSIHANDLE* slot = opened.Next();
    if (MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, slot) != ERROR_SUCCESS) return false;
    const MSIHANDLE database = *slot;
    static const char* const kStatements[] = {
        "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL "
        "LOCALIZABLE PRIMARY KEY `Property`)",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductName', 'Fuzz')",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductVersion', '1.0.0')",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductCode', "
        "'{11111111-2222-3333-4444-555555555555}')",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('UpgradeCode', "
        "'{66666666-7777-8888-9999-AAAAAAAAAAAA}')",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('Caf\xC3\xA9', 'cr\xC3\xA8me')",
        "CREATE TABLE `Media` (`DiskId` SHORT NOT NULL, `LastSequence` LONG NOT NULL, "
        "`DiskPrompt` CHAR(64) LOCALIZABLE, `Cabinet` CHAR(255), `VolumeLabel` CHAR(32), "
        "`Source` CHAR(72) PRIMARY KEY `DiskId`)",
        "INSERT INTO `Media` (`DiskId`, `LastSequence`, `Cabinet`) VALUES (1, 2, '#Data1.cab')",
        "INSERT INTO `Media` (`DiskId`, `LastSequence`, `Cabinet`) VALUES (2, -5, 'ext.cab')",
        "CREATE TABLE `Pair` (`A` CHAR(16) NOT NULL, `B` SHORT NOT NULL, `C` LONG, "
        "`D` CHAR(0) PRIMARY KEY `A`, `B`)",
        "INSERT INTO `Pair` (`A`, `B`, `C`, `D`) VALUES ('x', 1, 100, 'one')",
        "INSERT INTO `Pair` (`A`, `B`, `C`, `D`) VALUES ('x', 2, -100, '')",
        "INSERT INTO `Pair` (`A`, `B`) VALUES ('y', -32767)",
        "CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT NOT NULL "
        "PRIMARY KEY `Name`)",
    };
    for (const char* statement : kStatements)
        if (!Run(database, statement)) return false;
    const std::string cell = path + ".cell";
    const std::string cabinet = path + ".cab";
    {
        std::FILE* file = std::fopen(cell.c_str(), "wb");
        std::FILE* cab = std::fopen(cabinet.c_str(), "wb");
        if (file == nullptr || cab == nullptr) return false;
        std::fputs("binary cell bytes\x01\x02", file);
        std::fwrite("MSCF\0\0\0\0\x2c\0\0\0", 1, 12, cab);
        std::fwrite(std::string(32, '\x11').data(), 1, 32, cab);
        std::fclose(file);
        std::fclose(cab);
    }
    const bool ok =
        InsertFile(database, "INSERT INTO `Binary` (`Name`, `Data`) VALUES ('logo', ?)", cell) &&
        InsertFile(database, "INSERT INTO `_Streams` (`Name`, `Data`) VALUES ('Data1.cab', ?)",
                   cabinet) &&
        WriteSummary(database) && MsiDatabaseCommit(database) == 0;
    fs::remove(cell, ignored);
    fs::remove(cabinet, ignored);
    return ok;
}

const std::string& BasePackage() {
    static const std::string path = [] {
        const std::string base = ScratchFolder() + "/base.msi";
        if (!BuildBasePackage(base)) {
            std::fprintf(stderr, "msi fuzz: cannot build the base package\n");
            std::abort();
        }
        return base;
    }();
    return path;
}

void DrainView(MSIHANDLE view) {
    std::vector<char> buffer(4096);
    for (int rows = 0; rows < kMaxRows; ++rows) {
        Opened opened;
        MSIHANDLE* record = opened.Next();
        if (MsiViewFetch(view, record) != ERROR_SUCCESS) return;
        const UINT fields = MsiRecordGetFieldCount(*record);
        for (UINT field = 0; field <= fields; ++field) {
            DWORD size = DWORD(buffer.size());
            MsiRecordGetStringA(*record, field, buffer.data(), &size);
            MsiRecordGetInteger(*record, field);
            if (MsiRecordDataSize(*record, field) == 0) continue;
            for (DWORD total = 0; total < kMaxStreamBytes;) {
                DWORD count = DWORD(buffer.size());
                if (MsiRecordReadStream(*record, field, buffer.data(), &count) != ERROR_SUCCESS ||
                    count == 0)
                    break;
                total += count;
            }
        }
    }
}

void ReadEveryTable(MSIHANDLE database) {
    std::vector<std::string> tables = {"_Tables", "_Columns", "_Streams", "_Storages"};
    Opened opened;
    MSIHANDLE* names = opened.Next();
    if (MsiDatabaseOpenViewA(database, "SELECT `Name` FROM `_Tables`", names) == ERROR_SUCCESS &&
        MsiViewExecute(*names, 0) == ERROR_SUCCESS) {
        MSIHANDLE record = 0;
        for (int rows = 0; rows < kMaxRows && MsiViewFetch(*names, &record) == ERROR_SUCCESS;
             ++rows) {
            char name[256];
            DWORD size = sizeof name;
            if (MsiRecordGetStringA(record, 1, name, &size) == ERROR_SUCCESS)
                tables.emplace_back(name);
            MsiCloseHandle(record);
        }
    }
    for (const std::string& table : tables) {
        const std::string query = "SELECT * FROM `" + table + "`";
        MSIHANDLE* view = opened.Next();
        if (MsiDatabaseOpenViewA(database, query.c_str(), view) != ERROR_SUCCESS) continue;
        if (MsiViewExecute(*view, 0) == ERROR_SUCCESS) DrainView(*view);
        MsiDatabaseGetPrimaryKeysA(database, table.c_str(), opened.Next());
    }
}

}  // namespace msi::fuzz
