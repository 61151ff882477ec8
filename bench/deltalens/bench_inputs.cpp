#include "bench_inputs.h"

#include <algorithm>
#include <vector>

#include "msiquery.h"
#include "sample_packages.h"

namespace deltalens_bench {

namespace {

// One statement changes every row, so making the changed copy costs one
// pass of the engine instead of `changes` parses.
constexpr const char* kChangeEveryRow = "UPDATE `Items` SET `Value` = 'changed'";

bool Check(UINT result, const char* step, std::string& error) {
    if (result == ERROR_SUCCESS) return true;
    error = std::string(step) + " failed with installer result " + std::to_string(result);
    return false;
}

// Keys of equal length, so that the table's key order is the insert order.
std::vector<std::vector<std::string>> ItemRows(int count) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        std::string key = std::to_string(i);
        key.insert(0, 8 - std::min<std::size_t>(key.size(), 8), '0');
        rows.push_back({"item" + key, "value of item " + std::to_string(i)});
    }
    return rows;
}

UINT CreateBasePackage(const std::string& path, int changes) {
    std::vector<std::string> statements =
        deltalens::ProductProperties("{3C1F6A0E-8D52-4B7A-9E46-1F2D3C4B5A69}", "Bench");
    statements.push_back(
        "CREATE TABLE `Items` (`Item` CHAR(32) NOT NULL, `Value` CHAR(64) PRIMARY KEY `Item`)");
    MSIHANDLE database = 0;
    UINT result = MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &database);
    if (result == ERROR_SUCCESS) result = deltalens::RunStatements(database, statements);
    if (result == ERROR_SUCCESS)
        result = deltalens::InsertRows(database, "Items", {"Item", "Value"}, ItemRows(changes));
    if (result == ERROR_SUCCESS) result = MsiDatabaseCommit(database);
    if (database != 0) MsiCloseHandle(database);
    return result;
}

}  // namespace

bool MakeBenchInputs(const std::filesystem::path& folder, int changes, BenchInputs& inputs,
                     std::string& error) {
    const std::string package = (folder / "bench.msi").string();
    const std::string changed = (folder / "bench-changed.msi").string();
    const std::string transform = (folder / "bench.mst").string();
    if (!Check(CreateBasePackage(package, changes), "making the package", error)) return false;
    if (!Check(deltalens::MakeChangedCopy(package, changed, {kChangeEveryRow}), "changing a copy",
               error))
        return false;
    if (!Check(deltalens::MakeTransform(package, changed, transform), "generating the transform",
               error))
        return false;
    inputs.package = package;
    inputs.transform = transform;
    return true;
}

}  // namespace deltalens_bench
