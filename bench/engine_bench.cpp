// The work the benchmarks time, done through our engine's installer interface.
// One phase per process run, so that the peak memory the run script sees
// belongs to that phase alone:
//
//   engine_bench scan PACKAGE              open, SELECT * of every table, read every cell
//   engine_bench join PACKAGE              File joined with Component, every cell read
//   engine_bench stream PACKAGE NAME OUT   copy one _Streams entry to OUT in pieces
//   engine_bench export PACKAGE FOLDER     export every table as msidump -t does
//   engine_bench generate NEW BASE MST     write the transform from BASE to NEW
//   engine_bench view BASE MST             view MST over BASE, fetch all of _TransformView
//   engine_bench apply BASE MST            apply MST to BASE (nothing is committed)
//   engine_bench import OUT IDT...         make a package from text archives
//
// Each prints a digest or a count that the run script checks, and its phase
// times ("phase NAME SECONDS"). Exit status 0 on success, 1 on failure.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "msiquery.h"
#include "join_query.h"
#include "phase_clock.h"
#include "scan_digest.h"

namespace {

constexpr size_t kStreamPiece = 1 << 20;

bool Check(UINT status, const char* what) {
    if (status == ERROR_SUCCESS) return true;
    std::fprintf(stderr, "engine_bench: %s failed with %u\n", what, status);
    return false;
}

// Closes a handle when it goes out of scope.
class Handle {
  public:
    Handle() = default;
    explicit Handle(MSIHANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Reset(); }

    MSIHANDLE get() const { return handle_; }
    void Close() { Reset(); }
    MSIHANDLE* out() {
        Reset();
        return &handle_;
    }

  private:
    void Reset() {
        if (handle_ != 0) MsiCloseHandle(handle_);
        handle_ = 0;
    }
    MSIHANDLE handle_ = 0;
};

// Reads a string field into buffer (grown when the engine asks for more) and
// returns a view of it.
bool ReadString(MSIHANDLE record, UINT field, std::vector<char>& buffer, std::string_view* text) {
    DWORD size = static_cast<DWORD>(buffer.size());
    UINT status = MsiRecordGetStringA(record, field, buffer.data(), &size);
    if (status == ERROR_MORE_DATA) {
        buffer.resize(size + 1);
        size = static_cast<DWORD>(buffer.size());
        status = MsiRecordGetStringA(record, field, buffer.data(), &size);
    }
    if (!Check(status, "MsiRecordGetStringA")) return false;
    *text = std::string_view(buffer.data(), size);
    return true;
}

// The names of the persistent tables, in the order _Tables gives them.
bool TableNames(MSIHANDLE database, std::vector<std::string>* names) {
    Handle view;
    if (!Check(MsiDatabaseOpenViewA(database, "SELECT `Name` FROM `_Tables`", view.out()),
               "open view of _Tables"))
        return false;
    if (!Check(MsiViewExecute(view.get(), 0), "execute view of _Tables")) return false;
    std::vector<char> buffer(256);
    Handle record;
    while (MsiViewFetch(view.get(), record.out()) == ERROR_SUCCESS) {
        std::string_view name;
        if (!ReadString(record.get(), 1, buffer, &name)) return false;
        names->emplace_back(name);
    }
    return true;
}

bool OpenReadOnly(const char* path, Handle* database) {
    return Check(MsiOpenDatabaseA(path, MSIDBOPEN_READONLY, database->out()), "MsiOpenDatabaseA");
}

// Every row of a query, every cell read as its column type says.
bool ScanQuery(MSIHANDLE database, const std::string& query, bench::ScanDigest* digest) {
    Handle view;
    if (!Check(MsiDatabaseOpenViewA(database, query.c_str(), view.out()), query.c_str()))
        return false;
    if (!Check(MsiViewExecute(view.get(), 0), "MsiViewExecute")) return false;
    Handle types;
    if (!Check(MsiViewGetColumnInfo(view.get(), MSICOLINFO_TYPES, types.out()), "column types"))
        return false;
    const UINT columns = MsiRecordGetFieldCount(types.get());
    std::vector<char> kinds;
    std::vector<char> buffer(4096);
    for (UINT i = 1; i <= columns; ++i) {
        std::string_view type;
        if (!ReadString(types.get(), i, buffer, &type) || type.empty()) return false;
        kinds.push_back(static_cast<char>(type[0] | 0x20));  // lower case: nullability aside
    }
    digest->CountTable();
    Handle record;
    UINT status;
    while ((status = MsiViewFetch(view.get(), record.out())) == ERROR_SUCCESS) {
        digest->BeginRow();
        for (UINT i = 1; i <= columns; ++i) {
            if (MsiRecordIsNull(record.get(), i)) {
                digest->AddNull();
            } else if (kinds[i - 1] == 'i') {
                digest->AddInteger(MsiRecordGetInteger(record.get(), i));
            } else if (kinds[i - 1] == 'v') {
                digest->AddStream();
            } else {
                std::string_view text;
                if (!ReadString(record.get(), i, buffer, &text)) return false;
                digest->AddString(text);
            }
        }
        digest->EndRow();
    }
    return Check(status == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : status, "MsiViewFetch");
}

bool ScanTable(MSIHANDLE database, const std::string& table, bench::ScanDigest* digest) {
    return ScanQuery(database, "SELECT * FROM `" + table + "`", digest);
}

int Scan(const char* package) {
    bench::PhaseClock clock;
    Handle database;
    if (!OpenReadOnly(package, &database)) return 1;
    clock.Mark("open");
    std::vector<std::string> tables;
    if (!TableNames(database.get(), &tables)) return 1;
    bench::ScanDigest digest;
    for (const auto& table : tables)
        if (!ScanTable(database.get(), table, &digest)) return 1;
    clock.Mark("scan");
    database.Close();  // freeing what the open built is part of the work
    clock.Mark("close");
    digest.Print(stdout);
    return 0;
}

int Join(const char* package) {
    bench::PhaseClock clock;
    Handle database;
    if (!OpenReadOnly(package, &database)) return 1;
    clock.Mark("open");
    bench::ScanDigest digest;
    if (!ScanQuery(database.get(), bench::kJoinQuery, &digest)) return 1;
    clock.Mark("join");
    digest.Print(stdout);
    return 0;
}

int Stream(const char* package, const char* name, const char* out_path) {
    bench::PhaseClock clock;
    Handle database;
    if (!OpenReadOnly(package, &database)) return 1;
    Handle view;
    if (!Check(MsiDatabaseOpenViewA(database.get(),
                                    "SELECT `Data` FROM `_Streams` WHERE `Name` = ?", view.out()),
               "open view of _Streams"))
        return 1;
    Handle key(MsiCreateRecord(1));
    MsiRecordSetStringA(key.get(), 1, name);
    if (!Check(MsiViewExecute(view.get(), key.get()), "execute view of _Streams")) return 1;
    Handle record;
    if (!Check(MsiViewFetch(view.get(), record.out()), "fetch of the stream row")) return 1;
    clock.Mark("open");
    FILE* out = std::fopen(out_path, "wb");
    if (!out) {
        std::perror(out_path);
        return 1;
    }
    std::vector<char> piece(kStreamPiece);
    unsigned long long total = 0;
    for (;;) {
        DWORD size = static_cast<DWORD>(piece.size());
        if (!Check(MsiRecordReadStream(record.get(), 1, piece.data(), &size), "read stream")) {
            std::fclose(out);
            return 1;
        }
        if (size == 0) break;
        if (std::fwrite(piece.data(), 1, size, out) != size) {
            std::perror(out_path);
            std::fclose(out);
            return 1;
        }
        total += size;
    }
    if (std::fclose(out) != 0) {
        std::perror(out_path);
        return 1;
    }
    clock.Mark("read");
    std::printf("bytes=%llu\n", total);
    return 0;
}

int Export(const char* package, const char* folder) {
    bench::PhaseClock clock;
    Handle database;
    if (!OpenReadOnly(package, &database)) return 1;
    clock.Mark("open");
    // The same tables msidump -t writes: the two special ones, then the rest.
    std::vector<std::string> tables = {"_SummaryInformation", "_ForceCodepage"};
    if (!TableNames(database.get(), &tables)) return 1;
    for (const auto& table : tables) {
        const std::string file = table + ".idt";
        if (!Check(MsiDatabaseExportA(database.get(), table.c_str(), folder, file.c_str()),
                   table.c_str()))
            return 1;
    }
    clock.Mark("export");
    std::printf("tables=%zu\n", tables.size());
    return 0;
}

int Generate(const char* changed, const char* base, const char* transform) {
    bench::PhaseClock clock;
    Handle new_database;
    Handle base_database;
    if (!OpenReadOnly(changed, &new_database) || !OpenReadOnly(base, &base_database)) return 1;
    clock.Mark("open");
    if (!Check(
            MsiDatabaseGenerateTransformA(new_database.get(), base_database.get(), transform, 0, 0),
            "MsiDatabaseGenerateTransformA"))
        return 1;
    clock.Mark("generate");
    if (!Check(MsiCreateTransformSummaryInfoA(new_database.get(), base_database.get(), transform,
                                              MSITRANSFORM_ERROR_NONE, 0),
               "MsiCreateTransformSummaryInfoA"))
        return 1;
    clock.Mark("summary");
    return 0;
}

int View(const char* base, const char* transform) {
    bench::PhaseClock clock;
    Handle database;
    // The engine refuses to apply anything, even in view mode, to a read-only
    // database; a viewer opens transacted and never commits.
    if (!Check(MsiOpenDatabaseA(base, MSIDBOPEN_TRANSACT, database.out()), "MsiOpenDatabaseA"))
        return 1;
    clock.Mark("open");
    if (!Check(
            MsiDatabaseApplyTransformA(database.get(), transform, MSITRANSFORM_ERROR_VIEWTRANSFORM),
            "MsiDatabaseApplyTransformA"))
        return 1;
    clock.Mark("apply");
    Handle view;
    if (!Check(MsiDatabaseOpenViewA(database.get(),
                                    "SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`",
                                    view.out()),
               "open view of _TransformView"))
        return 1;
    if (!Check(MsiViewExecute(view.get(), 0), "execute view of _TransformView")) return 1;
    bench::ScanDigest digest;
    std::vector<char> buffer(4096);
    Handle record;
    UINT status;
    while ((status = MsiViewFetch(view.get(), record.out())) == ERROR_SUCCESS) {
        digest.BeginRow();
        const UINT columns = MsiRecordGetFieldCount(record.get());
        for (UINT i = 1; i <= columns; ++i) {
            std::string_view text;
            if (!ReadString(record.get(), i, buffer, &text)) return 1;
            digest.AddString(text);
        }
        digest.EndRow();
    }
    if (!Check(status == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : status, "MsiViewFetch")) return 1;
    clock.Mark("fetch");
    digest.Print(stdout);
    return 0;
}

int Apply(const char* base, const char* transform) {
    bench::PhaseClock clock;
    Handle database;
    if (!Check(MsiOpenDatabaseA(base, MSIDBOPEN_TRANSACT, database.out()), "MsiOpenDatabaseA"))
        return 1;
    clock.Mark("open");
    if (!Check(MsiDatabaseApplyTransformA(database.get(), transform, 0),
               "MsiDatabaseApplyTransformA"))
        return 1;
    clock.Mark("apply");
    return 0;
}

int Import(const char* out_path, int count, char** files) {
    bench::PhaseClock clock;
    Handle database;
    if (!Check(MsiOpenDatabaseA(out_path, MSIDBOPEN_CREATE, database.out()), "MsiOpenDatabaseA"))
        return 1;
    for (int i = 0; i < count; ++i) {
        const std::string path = files[i];
        const size_t slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (!Check(MsiDatabaseImportA(database.get(), folder.c_str(), name.c_str()), files[i]))
            return 1;
    }
    clock.Mark("import");
    if (!Check(MsiDatabaseCommit(database.get()), "MsiDatabaseCommit")) return 1;
    clock.Mark("commit");
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: engine_bench scan PACKAGE\n"
                 "       engine_bench join PACKAGE\n"
                 "       engine_bench stream PACKAGE NAME OUT\n"
                 "       engine_bench export PACKAGE FOLDER\n"
                 "       engine_bench generate NEW BASE TRANSFORM\n"
                 "       engine_bench view BASE TRANSFORM\n"
                 "       engine_bench apply BASE TRANSFORM\n"
                 "       engine_bench import OUT IDT...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string_view command = argv[1];
    if (command == "scan" && argc == 3) return Scan(argv[2]);
    if (command == "join" && argc == 3) return Join(argv[2]);
    if (command == "stream" && argc == 5) return Stream(argv[2], argv[3], argv[4]);
    if (command == "export" && argc == 4) return Export(argv[2], argv[3]);
    if (command == "generate" && argc == 5) return Generate(argv[2], argv[3], argv[4]);
    if (command == "view" && argc == 4) return View(argv[2], argv[3]);
    if (command == "apply" && argc == 4) return Apply(argv[2], argv[3]);
    if (command == "import" && argc >= 4) return Import(argv[2], argc - 3, argv + 3);
    return Usage();
}
