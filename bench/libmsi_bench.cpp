// The same work as engine_bench's scan and stream phases, done through
// msitools' libmsi, the peer library our engine is measured against:
//
//   libmsi_bench scan PACKAGE              open, SELECT * of every table, read every cell
//   libmsi_bench join PACKAGE              File joined with Component, every cell read
//   libmsi_bench stream PACKAGE NAME OUT   copy one _Streams entry to OUT in pieces
//
// It prints the same digest as engine_bench, so the run script can check that
// both read the same cells before it compares their times.
#include <libmsi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "join_query.h"
#include "phase_clock.h"
#include "scan_digest.h"

namespace {

constexpr size_t kStreamPiece = 1 << 20;

// Prints and clears a GError; true when there was none.
bool Check(GError** error, const char* what) {
    if (*error == nullptr) return true;
    std::fprintf(stderr, "libmsi_bench: %s: %s\n", what, (*error)->message);
    g_clear_error(error);
    return false;
}

// Owns one reference to a libmsi object (database, query, record).
template <typename T>
class Ref {
  public:
    explicit Ref(T* object = nullptr) : object_(object) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { Reset(nullptr); }

    T* get() const { return object_; }
    void Reset(T* object) {
        if (object_ != nullptr) g_object_unref(object_);
        object_ = object;
    }

  private:
    T* object_;
};

// A string the library handed over with g_strdup.
std::string TakeString(gchar* text) {
    std::string result = text != nullptr ? text : "";
    g_free(text);
    return result;
}

bool TableNames(LibmsiDatabase* database, std::vector<std::string>* names) {
    GError* error = nullptr;
    Ref<LibmsiQuery> query(libmsi_query_new(database, "SELECT `Name` FROM `_Tables`", &error));
    if (!Check(&error, "query of _Tables")) return false;
    if (!libmsi_query_execute(query.get(), nullptr, &error) || !Check(&error, "execute _Tables"))
        return false;
    for (;;) {
        Ref<LibmsiRecord> record(libmsi_query_fetch(query.get(), &error));
        if (record.get() == nullptr) break;
        names->push_back(TakeString(libmsi_record_get_string(record.get(), 1)));
    }
    return Check(&error, "fetch of _Tables");
}

// Every row of a query, every cell read as its column type says.
bool ScanQuery(LibmsiDatabase* database, const std::string& sql, bench::ScanDigest* digest) {
    GError* error = nullptr;
    Ref<LibmsiQuery> query(libmsi_query_new(database, sql.c_str(), &error));
    if (!Check(&error, sql.c_str())) return false;
    if (!libmsi_query_execute(query.get(), nullptr, &error) || !Check(&error, sql.c_str()))
        return false;
    Ref<LibmsiRecord> types(
        libmsi_query_get_column_info(query.get(), LIBMSI_COL_INFO_TYPES, &error));
    if (!Check(&error, "column types")) return false;
    const guint columns = libmsi_record_get_field_count(types.get());
    std::vector<char> kinds;
    for (guint i = 1; i <= columns; ++i) {
        const std::string type = TakeString(libmsi_record_get_string(types.get(), i));
        if (type.empty()) return false;
        kinds.push_back(static_cast<char>(type[0] | 0x20));
    }
    digest->CountTable();
    for (;;) {
        Ref<LibmsiRecord> record(libmsi_query_fetch(query.get(), &error));
        if (record.get() == nullptr) break;
        digest->BeginRow();
        for (guint i = 1; i <= columns; ++i) {
            if (libmsi_record_is_null(record.get(), i)) {
                digest->AddNull();
            } else if (kinds[i - 1] == 'i') {
                digest->AddInteger(libmsi_record_get_int(record.get(), i));
            } else if (kinds[i - 1] == 'v') {
                digest->AddStream();
            } else {
                digest->AddString(TakeString(libmsi_record_get_string(record.get(), i)));
            }
        }
        digest->EndRow();
    }
    return Check(&error, "fetch");
}

bool ScanTable(LibmsiDatabase* database, const std::string& table, bench::ScanDigest* digest) {
    return ScanQuery(database, "SELECT * FROM `" + table + "`", digest);
}

bool OpenReadOnly(const char* path, Ref<LibmsiDatabase>* database) {
    GError* error = nullptr;
    database->Reset(libmsi_database_new(path, LIBMSI_DB_FLAGS_READONLY, nullptr, &error));
    return Check(&error, path) && database->get() != nullptr;
}

int Scan(const char* package) {
    bench::PhaseClock clock;
    Ref<LibmsiDatabase> database;
    if (!OpenReadOnly(package, &database)) return 1;
    clock.Mark("open");
    std::vector<std::string> tables;
    if (!TableNames(database.get(), &tables)) return 1;
    bench::ScanDigest digest;
    for (const auto& table : tables)
        if (!ScanTable(database.get(), table, &digest)) return 1;
    clock.Mark("scan");
    digest.Print(stdout);
    return 0;
}

int Join(const char* package) {
    bench::PhaseClock clock;
    Ref<LibmsiDatabase> database;
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
    Ref<LibmsiDatabase> database;
    if (!OpenReadOnly(package, &database)) return 1;
    GError* error = nullptr;
    Ref<LibmsiQuery> query(
        libmsi_query_new(database.get(), "SELECT `Data` FROM `_Streams` WHERE `Name` = ?", &error));
    if (!Check(&error, "query of _Streams")) return 1;
    Ref<LibmsiRecord> key(libmsi_record_new(1));
    libmsi_record_set_string(key.get(), 1, name);
    if (!libmsi_query_execute(query.get(), key.get(), &error) || !Check(&error, "execute"))
        return 1;
    Ref<LibmsiRecord> record(libmsi_query_fetch(query.get(), &error));
    if (!Check(&error, "fetch of the stream row") || record.get() == nullptr) return 1;
    Ref<GInputStream> input(libmsi_record_get_stream(record.get(), 1));
    if (input.get() == nullptr) {
        std::fprintf(stderr, "libmsi_bench: no stream in the row\n");
        return 1;
    }
    clock.Mark("open");
    FILE* out = std::fopen(out_path, "wb");
    if (!out) {
        std::perror(out_path);
        return 1;
    }
    std::vector<char> piece(kStreamPiece);
    unsigned long long total = 0;
    for (;;) {
        const gssize size =
            g_input_stream_read(input.get(), piece.data(), piece.size(), nullptr, &error);
        if (size < 0 || !Check(&error, "read stream")) {
            std::fclose(out);
            return 1;
        }
        if (size == 0) break;
        if (std::fwrite(piece.data(), 1, static_cast<size_t>(size), out) !=
            static_cast<size_t>(size)) {
            std::perror(out_path);
            std::fclose(out);
            return 1;
        }
        total += static_cast<unsigned long long>(size);
    }
    if (std::fclose(out) != 0) {
        std::perror(out_path);
        return 1;
    }
    clock.Mark("read");
    std::printf("bytes=%llu\n", total);
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: libmsi_bench scan PACKAGE\n"
                 "       libmsi_bench join PACKAGE\n"
                 "       libmsi_bench stream PACKAGE NAME OUT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "scan" && argc == 3) return Scan(argv[2]);
    if (command == "join" && argc == 3) return Join(argv[2]);
    if (command == "stream" && argc == 5) return Stream(argv[2], argv[3], argv[4]);
    return Usage();
}
