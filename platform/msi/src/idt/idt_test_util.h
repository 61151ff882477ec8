// Helpers for the text-archive tests: databases built in memory, folders
// read back as maps, the shared fixtures, and the oracle (Wine's msi.dll)
// when VSB_ORACLE names its run script.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "test_support.h"

namespace msi::idt::test {

// A new database (create mode; nothing is written until a commit).
std::shared_ptr<db::Database> CreateDatabase(const std::string& path);
std::shared_ptr<db::Database> OpenReadOnly(const std::string& path);

struct TestColumn {
    std::string name;
    std::string type;  // archive notation: s72, I2, v0 ...
};
// A table whose first `keys` columns are its key.
void MakeTable(db::Database& db, const std::string& name, const std::vector<TestColumn>& columns,
               size_t keys);
// A row: nullopt is null; strings are pool bytes, integers decimal text,
// binary cells the bytes of the stream.
void AddRow(db::Database& db, const std::string& table,
            const std::vector<std::optional<std::string>>& cells);

std::string ReadBytes(const std::string& path);
// Every regular file below `folder`, by path relative to it.
std::map<std::string, std::string> ReadTree(const std::string& folder);

// What a full export writes: every user table, _ForceCodepage and
// _SummaryInformation (the set Wine's export of "all tables" writes).
std::vector<std::string> ArchiveTables(db::Database& db);

}  // namespace msi::idt::test
