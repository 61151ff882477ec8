#include "stream_digest.h"

#include <nettle/sha2.h>

#include <vector>

#include "msiquery.h"

namespace deltalens {

namespace {

constexpr const char* kStreamsTable = "_Streams";
constexpr const char* kMarkers[] = {"INSERT", "DELETE", "CREATE", "DROP"};

// A name the query can quote: no backtick, nothing empty.
bool Quotable(const std::string& name) {
    return !name.empty() && name.find('`') == std::string::npos;
}

// The stream behind a row of `table`: "Table.key1.key2" (the Row column
// joins the keys with TAB and shows a null key as one blank); a _Streams
// row's stream is its Name.
std::string StreamName(const std::string& table, const std::string& row) {
    if (table == kStreamsTable) return row;
    std::string name = table;
    size_t start = 0;
    for (;;) {
        const size_t end = row.find('\t', start);
        const std::string key = row.substr(start, end == std::string::npos ? end : end - start);
        name += "." + (key == " " ? std::string() : key);
        if (end == std::string::npos) return name;
        start = end + 1;
    }
}

}  // namespace

std::string DescribeStreamBytes(std::uint64_t size, const unsigned char* sha256) {
    std::string digits = std::to_string(size);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hash;
    for (int i = 0; i < 4; ++i) {
        hash += kHex[sha256[i] >> 4];
        hash += kHex[sha256[i] & 0xF];
    }
    return "[" + digits + " bytes " + hash + "]";
}

StreamDigests::StreamDigests(std::string old_package, std::string new_file, NewSide new_side)
    : old_package_(std::move(old_package)),
      new_package_(std::move(new_file)),
      transform_(new_side == NewSide::kTransform) {}

StreamDigests::StreamDigests(MSIHANDLE open_package, std::string transform)
    : new_package_(std::move(transform)), old_(open_package), transform_(true), owns_old_(false) {}

StreamDigests::~StreamDigests() {
    if (old_ != 0 && owns_old_) MsiCloseHandle(old_);
    if (new_ != 0) MsiCloseHandle(new_);
}

void StreamDigests::Forget() {
    old_ = 0;
    new_ = 0;
}

MSIHANDLE StreamDigests::Database(bool new_side) {
    MSIHANDLE& handle = new_side ? new_ : old_;
    if (handle == 0) {
        const std::string& path = new_side ? new_package_ : old_package_;
        if (MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &handle) != ERROR_SUCCESS)
            handle = 0;
    }
    return handle;
}

bool StreamDigests::IsBinaryColumn(const std::string& table, const std::string& column,
                                   bool new_side) {
    const std::string key = (new_side ? "new\t" : "old\t") + table + "\t" + column;
    if (auto found = binary_columns_.find(key); found != binary_columns_.end())
        return found->second;
    bool binary = false;
    MSIHANDLE database = Database(new_side);
    MSIHANDLE view = 0;
    const std::string query = "SELECT `" + column + "` FROM `" + table + "`";
    if (database != 0 && Quotable(table) && Quotable(column) &&
        MsiDatabaseOpenViewA(database, query.c_str(), &view) == ERROR_SUCCESS) {
        MSIHANDLE types = 0;
        if (MsiViewGetColumnInfo(view, MSICOLINFO_TYPES, &types) == ERROR_SUCCESS) {
            char type[16] = {};
            DWORD size = sizeof type;
            binary = MsiRecordGetStringA(types, 1, type, &size) == ERROR_SUCCESS &&
                     (type[0] == 'v' || type[0] == 'V');
            MsiCloseHandle(types);
        }
        MsiCloseHandle(view);
    }
    binary_columns_.emplace(key, binary);
    return binary;
}

std::optional<std::string> StreamDigests::Describe(MSIHANDLE database, const std::string& stream) {
    if (database == 0) return std::nullopt;
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewA(database, "SELECT `Data` FROM `_Streams` WHERE `Name` = ?", &view) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> description;
    MSIHANDLE name = MsiCreateRecord(1);
    MSIHANDLE record = 0;
    if (MsiRecordSetStringA(name, 1, stream.c_str()) == ERROR_SUCCESS &&
        MsiViewExecute(view, name) == ERROR_SUCCESS &&
        MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        // Read in pieces: a cabinet can be larger than memory allows at once.
        sha256_ctx context;
        sha256_init(&context);
        std::vector<char> piece(1 << 16);
        std::uint64_t total = 0;
        bool read = true;
        for (;;) {
            DWORD size = static_cast<DWORD>(piece.size());
            if (MsiRecordReadStream(record, 1, piece.data(), &size) != ERROR_SUCCESS) {
                read = false;
                break;
            }
            if (size == 0) break;
            sha256_update(&context, size, reinterpret_cast<const uint8_t*>(piece.data()));
            total += size;
        }
        if (read) {
            uint8_t digest[SHA256_DIGEST_SIZE];
            sha256_digest(&context, sizeof digest, digest);
            description = DescribeStreamBytes(total, digest);
        }
        MsiCloseHandle(record);
    }
    MsiCloseHandle(name);
    MsiCloseHandle(view);
    return description;
}

bool StreamDigests::Rewrite(const std::string& table, const std::string& column,
                            const std::string& row, std::string& data, std::string& current) {
    if (row.empty()) return false;  // a schema row
    for (const char* marker : kMarkers)
        if (column == marker) return false;
    if (transform_) return RewriteTransformRow(table, column, row, data, current);
    if (!IsBinaryColumn(table, column)) return false;
    const std::string stream = StreamName(table, row);
    if (!data.empty())
        if (auto described = Describe(Database(true), stream)) data = *described;
    current = Describe(Database(false), stream).value_or("");
    return true;
}

TakeChange StreamDigests::Describing(const TakeChange& take_change) {
    return [this, take_change](const ChangeRow& change) {
        std::string data = change[3];
        std::string current = change[4];
        if (!Rewrite(change[0], change[1], change[2], data, current)) {
            take_change(change);
            return;
        }
        ChangeRow row = change;
        row[3] = std::move(data);
        row[4] = std::move(current);
        take_change(row);
    };
}

ApplyOutcome ApplyTransformViewDescribed(const std::string& package_path,
                                         const std::string& transform_path, int error_conditions,
                                         const TakeChange& take_change, diag::OutcomeSink& sink) {
    StreamDigests digests(package_path, transform_path, StreamDigests::NewSide::kTransform);
    const ApplyOutcome outcome = ApplyTransformView(package_path, transform_path, error_conditions,
                                                    digests.Describing(take_change), sink);
    digests.Forget();  // the listing closed every handle
    return outcome;
}

bool StreamDigests::RewriteTransformRow(const std::string& table, const std::string& column,
                                        const std::string& row, std::string& data,
                                        std::string& current) {
    // The view names a binary cell's new data by the transform's stream:
    // `Table.key`, and `_Streams.NAME` for a stream of _Streams. A table the
    // package lacks is known only by that name, and the stream being there.
    const std::string carried =
        table == kStreamsTable ? std::string(kStreamsTable) + "." + row : StreamName(table, row);
    // Any other text is no binary cell's: no file needs opening for it.
    if (!data.empty() && data != carried) return false;
    std::optional<std::string> described;
    if (!data.empty()) described = Describe(Database(true), carried);
    if (!described && !IsBinaryColumn(table, column, false)) return false;
    if (described) data = *described;
    current = Describe(Database(false), StreamName(table, row)).value_or("");
    return true;
}

}  // namespace deltalens
