#include "idt/idt_test_util.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "db/record.h"
#include "test_support.h"

namespace msi::idt::test {

namespace fs = std::filesystem;

std::shared_ptr<db::Database> CreateDatabase(const std::string& path) {
    db::OpenRequest request;
    request.path = path;
    request.mode = db::OpenMode::kCreate;
    auto opened = db::Database::Open(request);
    EXPECT_TRUE(opened.ok()) << opened.status().ToString();
    return opened.ok() ? *opened : nullptr;
}

std::shared_ptr<db::Database> OpenReadOnly(const std::string& path) {
    db::OpenRequest request;
    request.path = path;
    auto opened = db::Database::Open(request);
    EXPECT_TRUE(opened.ok()) << path << ": " << opened.status().ToString();
    return opened.ok() ? *opened : nullptr;
}

void MakeTable(db::Database& db, const std::string& name, const std::vector<TestColumn>& columns,
               size_t keys) {
    db::TableSchema schema;
    schema.name = name;
    for (size_t c = 0; c < columns.size(); ++c) {
        auto type = format::ColumnType::ParseArchive(columns[c].type);
        ASSERT_TRUE(type.ok()) << columns[c].type;
        schema.columns.push_back({columns[c].name, type->WithKey(c < keys)});
    }
    Status s = db.CreateTable(schema);
    ASSERT_TRUE(s.ok()) << s.ToString();
}

void AddRow(db::Database& db, const std::string& table,
            const std::vector<std::optional<std::string>>& cells) {
    auto loaded = db.GetTable(table);
    ASSERT_TRUE(loaded.ok());
    const db::TableSchema& schema = (*loaded)->schema();
    ASSERT_EQ(cells.size(), schema.columns.size());
    auto row = std::make_shared<db::Row>();
    std::vector<std::pair<size_t, std::string>> streams;
    for (size_t c = 0; c < cells.size(); ++c) {
        const auto type = schema.columns[c].type;
        if (type.IsBinary()) {
            row->cells.push_back(cells[c] ? 1 : 0);
            if (cells[c]) streams.emplace_back(c, *cells[c]);
        } else if (type.IsString()) {
            row->cells.push_back(cells[c] ? *db.pool().Add(*cells[c], 1) : 0);
        } else {
            row->cells.push_back(cells[c] ? static_cast<uint32_t>(std::stoi(*cells[c]))
                                          : static_cast<uint32_t>(db::Record::kNullInteger));
        }
    }
    for (auto& [column, bytes] : streams) {
        auto name = db.BinaryStreamName(**loaded, *row);
        ASSERT_TRUE(name.ok());
        std::vector<std::byte> data(bytes.size());
        std::memcpy(data.data(), bytes.data(), bytes.size());
        db.streams().Put(*name, std::make_shared<db::MemoryStreamSource>(std::move(data)));
        (void)column;
    }
    Status s = (*loaded)->Insert(row);
    ASSERT_TRUE(s.ok()) << s.ToString();
    db.MarkModified();
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::map<std::string, std::string> ReadTree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path().string());
    }
    return files;
}

std::vector<std::string> ArchiveTables(db::Database& db) {
    std::vector<std::string> tables;
    for (const auto& name : db.TableNames())
        if (db.IsPersistent(name).value_or(false)) tables.push_back(name);
    tables.push_back("_ForceCodepage");
    tables.push_back("_SummaryInformation");
    return tables;
}

}  // namespace msi::idt::test
