// make_fuzz_seeds OUT: writes the seed inputs of every fuzz target into
// OUT/<target>/, made here with the engine, so that a plain clone has seeds
// without any third-party file:
//   compound_file, database  the base package, an empty package, a transform
//   transform                transforms from the base package to variants of it
//   sql                      statements of every kind, one per line
//   idt_import               archives of tables, code page and summary
//   summary                  summary streams of every value type
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "format/property_set.h"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

bool Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

bool Run(MSIHANDLE database, const std::string& query) {
    MSIHANDLE view = 0;
    bool ok = MsiDatabaseOpenViewA(database, query.c_str(), &view) == ERROR_SUCCESS &&
              MsiViewExecute(view, 0) == ERROR_SUCCESS;
    MsiCloseHandle(view);
    if (!ok) std::fprintf(stderr, "make_fuzz_seeds: failed: %s\n", query.c_str());
    return ok;
}

// The base package changed by `statements`, as a transform from the base.
bool MakeTransform(const std::string& base, const std::vector<std::string>& statements,
                   const fs::path& out) {
    const std::string changed = msi::fuzz::ScratchFolder() + "/changed.msi";
    fs::remove(changed);
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(base.c_str(), changed.c_str(), &database) != ERROR_SUCCESS) return false;
    bool ok = true;
    for (const std::string& statement : statements) ok = ok && Run(database, statement);
    ok = ok && MsiDatabaseCommit(database) == ERROR_SUCCESS;
    MsiCloseHandle(database);
    MSIHANDLE reference = 0;
    ok = ok && MsiOpenDatabaseA(changed.c_str(), MSIDBOPEN_READONLY, &database) == 0 &&
         MsiOpenDatabaseA(base.c_str(), MSIDBOPEN_READONLY, &reference) == 0 &&
         MsiDatabaseGenerateTransformA(database, reference, out.c_str(), 0, 0) == 0 &&
         MsiCreateTransformSummaryInfoA(database, reference, out.c_str(), 0, 0) == 0;
    MsiCloseHandle(database);
    MsiCloseHandle(reference);
    if (!ok) std::fprintf(stderr, "make_fuzz_seeds: cannot make %s\n", out.c_str());
    return ok;
}

bool TransformSeeds(const std::string& base, const fs::path& folder) {
    const std::vector<std::vector<std::string>> changes = {
        {"INSERT INTO `Property` (`Property`, `Value`) VALUES ('New', 'row')",
         "UPDATE `Property` SET `Value` = '2.0.0' WHERE `Property` = 'ProductVersion'",
         "DELETE FROM `Property` WHERE `Property` = 'ProductName'"},
        {"CREATE TABLE `Added` (`K` SHORT NOT NULL, `V` CHAR(20) PRIMARY KEY `K`)",
         "INSERT INTO `Added` (`K`, `V`) VALUES (1, 'a')", "DROP TABLE `Pair`"},
        {"ALTER TABLE `Pair` ADD `E` SHORT",
         "UPDATE `Pair` SET `C` = 7 WHERE `A` = 'x' AND `B` = 2",
         "DELETE FROM `Media` WHERE `DiskId` = 2"},
    };
    int n = 0;
    for (const auto& statements : changes)
        if (!MakeTransform(base, statements, folder / ("change" + std::to_string(++n) + ".mst")))
            return false;
    return true;
}

bool SqlSeeds(const fs::path& folder) {
    // The first byte picks the modify mode; statements follow, one per line.
    const std::vector<std::string> seeds = {
        std::string("\x03") + "SELECT * FROM `Property` WHERE `Property` = 'ProductName'",
        std::string("\x01") +
            "SELECT `A`, `B`, `C` FROM `Pair` WHERE `B` > 0 OR `C` IS NULL ORDER BY `C`, `A`",
        std::string("\x05") +
            "SELECT `Property`.`Value`, `Media`.`Cabinet` FROM `Property`, `Media` WHERE "
            "`Media`.`DiskId` = 1",
        std::string("\x00", 1) +
            "CREATE TABLE `T` (`K` CHAR(10) NOT NULL TEMPORARY, `V` LONG PRIMARY KEY `K`) HOLD\n"
            "INSERT INTO `T` (`K`, `V`) VALUES (?, 5)\nSELECT * FROM `T`\nALTER TABLE `T` FREE",
        std::string("\x02") +
            "UPDATE `Property` SET `Value` = ? WHERE `Property` = ?\n"
            "DELETE FROM `Media` WHERE `LastSequence` < 0\nSELECT DISTINCT `Cabinet` FROM `Media`",
        std::string("\x0a") + "SELECT * FROM `_Streams`\nSELECT `Name`, `Data` FROM `Binary`",
        std::string("\x04") +
            "SELECT * FROM `_Columns` WHERE `Table` = 'Pair'\n"
            "ALTER TABLE `Pair` ADD `Z` CHAR(8) TEMPORARY\nDROP TABLE `Media`",
        std::string("\x07") + "SELECT `A` FROM `Pair` WHERE `A` = 'x' AND (`B` = 1 OR `B` <> ?)",
    };
    int n = 0;
    for (const std::string& seed : seeds)
        if (!Write(folder / ("query" + std::to_string(++n) + ".sql"), seed)) return false;
    return true;
}

bool IdtSeeds(const fs::path& folder) {
    const std::vector<std::string> seeds = {
        "Property\tValue\r\ns72\tl0\r\nProperty\tProperty\r\nProductName\tWidget\r\n"
        "Caf\xC3\xA9\tcr\xC3\xA8me\r\n",
        "A\tB\tC\tD\r\ns16\ti2\tI4\tS0\r\n1252\tPair\tA\tB\r\nx\t1\t100\tone\r\nx\t2\t\t\r\n",
        "Name\tData\r\ns72\tv0\r\nBinary\tName\r\nlogo\tlogo.ibd\r\nempty\ta\r\n",
        "\r\n\r\n1252\t_ForceCodepage\r\n",
        "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n1\t1252\r\n"
        "2\tInstallation Database\r\n9\t{01234567-89AB-CDEF-0123-456789ABCDEF}\r\n"
        "12\t2024/01/02 03:04:05\r\n14\t200\r\n",
        "Text\tMore\r\ns255\tL0\r\nEsc\tText\r\nline\\x0Abreak\ttab\x11here\r\n",
    };
    int n = 0;
    for (const std::string& seed : seeds)
        if (!Write(folder / ("table" + std::to_string(++n) + ".idt"), seed)) return false;
    return true;
}

bool SummarySeeds(const fs::path& folder) {
    using namespace msi::format;
    SummaryPropertySet full;
    full.properties[kPidCodepage] = int16_t{1252};
    full.properties[kPidTitle] = std::string("Installation Database");
    full.properties[kPidAuthor] = std::string("Caf\xE9");
    full.properties[kPidTemplate] = std::string("Intel;1033");
    full.properties[kPidRevisionNumber] = std::string("{01234567-89AB-CDEF-0123-456789ABCDEF}");
    full.properties[kPidCreateTime] = FileTime{133000000000000000ull};
    full.properties[kPidPageCount] = int32_t{200};
    full.properties[kPidWordCount] = int32_t{2};
    full.properties[kPidSecurity] = int32_t{2};
    SummaryPropertySet japanese;
    japanese.properties[kPidCodepage] = int16_t{932};
    japanese.properties[kPidSubject] = std::string("\x93\xfa\x96\x7b\x8c\xea\x5c");
    SummaryPropertySet empty;
    int n = 0;
    for (const SummaryPropertySet* set : {&full, &japanese, &empty}) {
        const std::vector<uint8_t> bytes = set->Encode();
        if (!Write(folder / ("summary" + std::to_string(++n) + ".bin"),
                   std::string(bytes.begin(), bytes.end())))
            return false;
    }
    return true;
}

bool PackageSeeds(const std::string& base, const fs::path& folder) {
    std::error_code error;
    fs::copy_file(base, folder / "base.msi", fs::copy_options::overwrite_existing, error);
    if (error) return false;
    const fs::path empty = folder / "empty.msi";
    fs::remove(empty, error);
    MSIHANDLE database = 0;
    const bool ok = MsiOpenDatabaseA(empty.c_str(), MSIDBOPEN_CREATE, &database) == 0 &&
                    MsiDatabaseCommit(database) == 0;
    MsiCloseHandle(database);
    if (!ok) std::fprintf(stderr, "make_fuzz_seeds: cannot make %s\n", empty.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds OUT\n");
        return 2;
    }
    const fs::path out = argv[1];
    for (const char* target :
         {"compound_file", "database", "transform", "sql", "idt_import", "summary"})
        fs::create_directories(out / target);
    const std::string& base = msi::fuzz::BasePackage();
    bool ok = PackageSeeds(base, out / "database") && TransformSeeds(base, out / "transform") &&
              SqlSeeds(out / "sql") && IdtSeeds(out / "idt_import") &&
              SummarySeeds(out / "summary");
    // The compound-file reader sees packages and transforms alike.
    constexpr auto kCopy = fs::copy_options::overwrite_existing | fs::copy_options::recursive;
    std::error_code error;
    fs::copy(out / "database", out / "compound_file", kCopy, error);
    fs::copy(out / "transform", out / "compound_file", kCopy, error);
    ok = ok && !error;
    if (!ok) std::fprintf(stderr, "make_fuzz_seeds: a seed could not be made\n");
    return ok ? 0 : 1;
}
