// The database core: open modes and failures, create/commit/reopen, what a
// commit keeps, transactions and read-only databases.
#include "db/database.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db/db_test_util.h"
#include "db/record.h"
#include "format/stream_name.h"
#include "msi_engine.h"
#include "msiquery.h"
#include "storage/compound_file.h"
#include "storage/compound_writer.h"
#include "storage/entry_name.h"
#include "storage/stream_reader.h"
#include "test_support.h"

namespace msi::db {
namespace {

namespace fs = std::filesystem;
using format::ColumnType;
using testing_support::TempDir;

TableSchema PropertySchema() {
    TableSchema s;
    s.name = "Property";
    s.columns = {{"Property", ColumnType(0x2D48)}, {"Value", ColumnType(0x0F00)}};
    return s;
}

std::shared_ptr<Database> OpenDb(const std::string& path, OpenMode mode) {
    OpenRequest request;
    request.path = path;
    request.mode = mode;
    auto db = Database::Open(request);
    EXPECT_TRUE(db.ok()) << db.status().ToString();
    return db.ok() ? std::move(db).value() : nullptr;
}

// Makes a small database with a Property table and commits it.
void MakeSmallDatabase(const std::string& path) {
    auto db = OpenDb(path, OpenMode::kCreate);
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->CreateTable(PropertySchema()).ok());
    auto table = db->GetTable("Property").value();
    for (auto [k, v] : {std::pair{"ProductName", "Demo"}, {"ProductVersion", "1.0"}})
        ASSERT_TRUE(table->Insert(test::MakeRow(*db, table->schema(), {k, v})).ok());
    db->MarkModified();
    ASSERT_TRUE(db->Commit().ok());
}

std::vector<uint8_t> StreamBytes(const storage::CompoundFile& file, storage::EntryId id) {
    auto reader = file.OpenStream(id);
    EXPECT_TRUE(reader.ok());
    auto bytes = reader->ReadAll();
    EXPECT_TRUE(bytes.ok());
    return bytes.ok() ? std::move(bytes).value() : std::vector<uint8_t>();
}

// Compares two storages of two files entry by entry, recursively.
void ExpectSameStorage(const storage::CompoundFile& a, storage::EntryId sa,
                       const storage::CompoundFile& b, storage::EntryId sb) {
    ASSERT_EQ(a.Children(sa).size(), b.Children(sb).size());
    EXPECT_EQ(a.entry(sa).clsid, b.entry(sb).clsid);
    for (storage::EntryId child : a.Children(sa)) {
        const auto& e = a.entry(child);
        auto other = b.Find(sb, e.name);
        ASSERT_TRUE(other.has_value()) << storage::NameForMessage(e.name);
        ASSERT_EQ(e.type, b.entry(*other).type);
        if (e.is_storage()) {
            ExpectSameStorage(a, child, b, *other);
        } else {
            EXPECT_EQ(StreamBytes(a, child), StreamBytes(b, *other))
                << storage::NameForMessage(e.name);
        }
    }
}

TEST(DatabaseOpen, BadModeIsInvalidParameter) {
    MSIHANDLE h = 0;
    EXPECT_EQ(MsiOpenDatabaseA("/nonexistent.msi", reinterpret_cast<LPCSTR>(5), &h),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiOpenDatabaseA("/nonexistent.msi", reinterpret_cast<LPCSTR>(0xFF), &h),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiOpenDatabaseA(nullptr, MSIDBOPEN_READONLY, &h), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiOpenDatabaseA("/x.msi", MSIDBOPEN_READONLY, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(h, 0u);
}

TEST(DatabaseOpen, MissingForeignAndNonCompoundFilesFailToOpen) {
    TempDir dir;
    MSIHANDLE h = 0;
    EXPECT_EQ(MsiOpenDatabaseA((dir.path() / "none.msi").c_str(), MSIDBOPEN_READONLY, &h),
              ERROR_OPEN_FAILED);
    testing_support::WriteFile(dir.path() / "text.msi", "this is not a compound file at all");
    EXPECT_EQ(MsiOpenDatabaseA((dir.path() / "text.msi").c_str(), MSIDBOPEN_TRANSACT, &h),
              ERROR_OPEN_FAILED);

    // A well-formed compound file whose root CLSID is not an installer's.
    storage::CompoundWriter writer;
    ASSERT_TRUE(writer.AddStream(storage::CompoundWriter::kRoot, u"Data", {1, 2, 3}).ok());
    ASSERT_TRUE(writer.WriteFile((dir.path() / "foreign.msi").string()).ok());
    EXPECT_EQ(MsiOpenDatabaseA((dir.path() / "foreign.msi").c_str(), MSIDBOPEN_READONLY, &h),
              ERROR_OPEN_FAILED);

    // A package is not a patch.
    MakeSmallDatabase((dir.path() / "small.msi").string());
    const auto patch_mode = reinterpret_cast<LPCSTR>(uintptr_t{MSIDBOPEN_PATCHFILE});
    EXPECT_EQ(MsiOpenDatabaseA((dir.path() / "small.msi").c_str(), patch_mode, &h),
              ERROR_OPEN_FAILED);
    EXPECT_EQ(h, 0u);
}

TEST(DatabaseOpen, CreateWithoutCommitLeavesNoFile) {
    TempDir dir;
    MSIHANDLE h = 0;
    const fs::path path = dir.path() / "new.msi";
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &h), ERROR_SUCCESS);
    EXPECT_EQ(MsiGetDatabaseState(h), MSIDBSTATE_WRITE);
    EXPECT_EQ(MsiCloseHandle(h), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(MsiOpenDatabaseA((dir.path() / "no" / "such.msi").c_str(), MSIDBOPEN_CREATE, &h),
              ERROR_CREATE_FAILED);
}

TEST(DatabaseOpen, EmptyCreatedDatabaseCommitsAndReopens) {
    TempDir dir;
    const fs::path path = dir.path() / "empty.msi";
    MSIHANDLE h = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &h), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseCommit(h), ERROR_SUCCESS);
    MsiCloseHandle(h);
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &h), ERROR_SUCCESS);
    EXPECT_EQ(MsiGetDatabaseState(h), MSIDBSTATE_READ);
    MsiCloseHandle(h);
    auto file = storage::CompoundFile::Open(path.string());
    ASSERT_TRUE(file.ok());
    EXPECT_EQ((*file)->root_clsid(), storage::kPackageClsid);
}

// A table's columns take the order of their Number, whatever the order of
// the _Columns rows: a table's rows reversed, or split among another's.
TEST(DatabaseOpen, ColumnsFollowTheirNumberWhateverOrderTheCatalogRowsHave) {
    TempDir dir;
    const std::string path = (dir.path() / "catalog.msi").string();
    {
        auto db = OpenDb(path, OpenMode::kCreate);
        ASSERT_TRUE(db);
        for (const char* name : {"A", "B"}) {
            TableSchema schema;
            schema.name = name;
            for (int i = 1; i <= 3; ++i)
                schema.columns.push_back({name + std::to_string(i), ColumnType(0x2D48)});
            ASSERT_TRUE(db->CreateTable(schema).ok());
        }
        ASSERT_TRUE(db->Commit().ok());
    }
    auto source = storage::CompoundFile::Open(path);
    ASSERT_TRUE(source.ok());
    const std::u16string columns_name = format::EncodeStreamName("_Columns", true).value();
    // Rows A1 A2 A3 B1 B2 B3 as stored (a column at a time, two-byte cells).
    for (const std::vector<size_t>& order :
         {std::vector<size_t>{2, 1, 0, 5, 4, 3}, std::vector<size_t>{4, 2, 3, 0, 5, 1}}) {
        storage::CompoundWriter writer;
        writer.SetRootInfo(
            storage::StorageInfo::Of((*source)->entry(storage::CompoundFile::kRootId)));
        for (auto id : (*source)->Children(storage::CompoundFile::kRootId)) {
            const auto& entry = (*source)->entry(id);
            auto bytes = StreamBytes(**source, id);
            if (entry.name == columns_name) {
                ASSERT_EQ(bytes.size(), 6u * 8);
                std::vector<uint8_t> moved(bytes.size());
                for (size_t column = 0; column < 4; ++column)
                    for (size_t row = 0; row < 6; ++row)
                        std::copy_n(&bytes[column * 12 + order[row] * 2], 2,
                                    &moved[column * 12 + row * 2]);
                bytes = std::move(moved);
            }
            ASSERT_TRUE(writer.AddStream(storage::CompoundWriter::kRoot, entry.name, bytes).ok());
        }
        const std::string moved_path = (dir.path() / "moved.msi").string();
        ASSERT_TRUE(writer.WriteFile(moved_path).ok());
        auto db = OpenDb(moved_path, OpenMode::kReadOnly);
        ASSERT_TRUE(db);
        for (const char* name : {"A", "B"}) {
            const TableSchema* schema = db->Schema(name);
            ASSERT_NE(schema, nullptr);
            std::vector<std::string> names;
            for (const auto& column : schema->columns) names.push_back(column.name);
            EXPECT_EQ(names,
                      (std::vector<std::string>{name + std::string("1"), name + std::string("2"),
                                                name + std::string("3")}))
                << order[0];
        }
    }
}

TEST(DatabaseCommit, CreateInsertCommitReopenKeepsRowsAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = (dir.path() / "small.msi").string();
    MakeSmallDatabase(path);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"small.msi"});

    auto db = OpenDb(path, OpenMode::kReadOnly);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->TableNames(), std::vector<std::string>{"Property"});
    auto table = db->GetTable("Property");
    ASSERT_TRUE(table.ok());
    EXPECT_EQ(test::RenderRows(*db, **table),
              (std::vector<std::string>{"ProductName\tDemo", "ProductVersion\t1.0"}));
    // Exact reference counts: each key and value once, names as the catalog uses them.
    EXPECT_EQ(db->pool().RefCount(db->pool().FindText("ProductName").value()), 1u);
    EXPECT_EQ(db->pool().RefCount(db->pool().FindText("Property").value()), 4u);
    EXPECT_EQ(db->pool().RefCount(db->pool().FindText("Value").value()), 1u);
}

// _Tables and _Columns list names by the ids the file's catalog holds. A
// commit frees the names of a dropped table; once other strings take those
// ids, the table made again under its old name still lists as itself.
TEST(DatabaseCommit, CatalogListsATableMadeAgainAfterItsNameIdWasReused) {
    TempDir dir;
    const std::string path = (dir.path() / "again.msi").string();
    MakeSmallDatabase(path);
    auto db = OpenDb(path, OpenMode::kTransact);
    ASSERT_TRUE(db);
    auto listed = [&db](const char* system, size_t column) {
        std::vector<std::string> names;
        auto table = db->GetTable(system);
        EXPECT_TRUE(table.ok());
        if (!table.ok()) return names;
        for (const auto& row : (*table)->rows()) names.push_back(*db->Text(row->cells[column]));
        return names;
    };
    EXPECT_EQ(listed("_Tables", 0), std::vector<std::string>{"Property"});
    ASSERT_TRUE(db->DropTable("Property").ok());
    ASSERT_TRUE(db->Commit().ok());
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(db->Intern("filler " + std::to_string(i)).ok());
    ASSERT_TRUE(db->CreateTable(PropertySchema()).ok());
    EXPECT_EQ(listed("_Tables", 0), std::vector<std::string>{"Property"});
    EXPECT_EQ(listed("_Columns", 2), (std::vector<std::string>{"Property", "Value"}));
}

TEST(DatabaseCommit, FilesWeWriteReadBackInMsiinfo) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    TempDir dir;
    const std::string path = (dir.path() / "small.msi").string();
    MakeSmallDatabase(path);
    const auto tables = test::Msiinfo({"tables", path});
    ASSERT_TRUE(tables.ok());
    EXPECT_NE(tables.out.find("Property"), std::string::npos);
    const auto exported = test::Msiinfo({"export", path, "Property"});
    ASSERT_TRUE(exported.ok());
    EXPECT_EQ(exported.out,
              "Property\tValue\r\ns72\tl0\r\nProperty\tProperty\r\nProductName\tDemo\r\n"
              "ProductVersion\t1.0\r\n");
}

TEST(DatabaseCommit, StreamsWeAddReadBackInMsiinfo) {
    VSB_REQUIRE_PROGRAM("msiinfo");
    TempDir dir;
    const std::string path = (dir.path() / "s.msi").string();
    {
        auto db = OpenDb(path, OpenMode::kCreate);
        ASSERT_TRUE(db);
        std::vector<std::byte> bytes(10000);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::byte(i * 13);
        db->streams().Put("Data1.cab", std::make_shared<MemoryStreamSource>(bytes));
        ASSERT_TRUE(db->Commit().ok());
    }
    const auto streams = test::Msiinfo({"streams", path});
    ASSERT_TRUE(streams.ok()) << streams.err;
    EXPECT_NE(streams.out.find("Data1.cab"), std::string::npos);
    const auto data = test::Msiinfo({"extract", path, "Data1.cab"});
    ASSERT_TRUE(data.ok());
    ASSERT_EQ(data.out.size(), 10000u);
    EXPECT_EQ(static_cast<uint8_t>(data.out[77]), static_cast<uint8_t>(77 * 13));
}

TEST(DatabaseCommit, ClosingTransactedDatabaseWithoutCommitDropsChanges) {
    TempDir dir;
    const std::string path = (dir.path() / "small.msi").string();
    MakeSmallDatabase(path);
    const std::string before = testing_support::ReadFile(path);
    {
        auto db = OpenDb(path, OpenMode::kTransact);
        ASSERT_TRUE(db);
        auto table = db->GetTable("Property").value();
        ASSERT_TRUE(table->Insert(test::MakeRow(*db, table->schema(), {"New", "x"})).ok());
        db->MarkModified();
    }
    EXPECT_EQ(testing_support::ReadFile(path), before);
    auto db = OpenDb(path, OpenMode::kReadOnly);
    EXPECT_EQ(db->GetTable("Property").value()->row_count(), 2u);
}

TEST(DatabaseCommit, ReadOnlyDatabaseRefusesChangesAndCommitHasNoEffect) {
    TempDir dir;
    const std::string path = (dir.path() / "small.msi").string();
    MakeSmallDatabase(path);
    const std::string before = testing_support::ReadFile(path);
    auto db = OpenDb(path, OpenMode::kReadOnly);
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->read_only());
    EXPECT_FALSE(db->CreateTable(PropertySchema()).ok());
    TableSchema other = PropertySchema();
    other.name = "Other";
    EXPECT_FALSE(db->CreateTable(other).ok());
    EXPECT_FALSE(db->DropTable("Property").ok());
    EXPECT_TRUE(db->Commit().ok());
    EXPECT_EQ(testing_support::ReadFile(path), before);
}

TEST(DatabaseCommit, TemporaryTablesAndRowsAreNotWritten) {
    TempDir dir;
    const std::string path = (dir.path() / "small.msi").string();
    MakeSmallDatabase(path);
    {
        auto db = OpenDb(path, OpenMode::kTransact);
        TableSchema temp;
        temp.name = "Scratch";
        temp.columns = {{"Key", ColumnType(0x2D48 | ColumnType::kTemporary)}};
        ASSERT_TRUE(db->CreateTable(temp).ok());
        EXPECT_EQ(db->IsPersistent("Scratch"), std::optional<bool>(false));
        auto scratch = db->GetTable("Scratch").value();
        ASSERT_TRUE(scratch->Insert(test::MakeRow(*db, scratch->schema(), {"only-temp"})).ok());
        auto table = db->GetTable("Property").value();
        auto row = test::MakeRow(*db, table->schema(), {"TempProp", "t"});
        row->temporary = true;
        ASSERT_TRUE(table->Insert(row).ok());
        ASSERT_TRUE(table->Insert(test::MakeRow(*db, table->schema(), {"Kept", "k"})).ok());
        db->MarkModified();
        ASSERT_TRUE(db->Commit().ok());
        // The temporary data is still there in memory after the commit.
        EXPECT_EQ(test::RenderRows(*db, *scratch), std::vector<std::string>{"only-temp"});
    }
    auto db = OpenDb(path, OpenMode::kReadOnly);
    EXPECT_FALSE(db->HasTable("Scratch"));
    EXPECT_EQ(db->GetTable("Property").value()->row_count(), 3u);
    EXPECT_EQ(db->pool().FindText("only-temp").value(), 0u);
    EXPECT_EQ(db->pool().FindText("TempProp").value(), 0u);
}

TEST(DatabaseCommit, KeepsStoragesAndUnknownStreamsByteForByte) {
    VSB_REQUIRE_FIXTURE(source, "real/wix3/SimpleInstanceTransform.msi");
    TempDir dir;
    const fs::path copy = dir.path() / "copy.msi";
    fs::copy_file(source, copy);
    {
        auto db = OpenDb(copy.string(), OpenMode::kTransact);
        ASSERT_TRUE(db);
        ASSERT_EQ(db->streams().storages().size(), 3u);
        auto table = db->GetTable("Property").value();
        ASSERT_TRUE(table->Insert(test::MakeRow(*db, table->schema(), {"Added", "yes"})).ok());
        db->MarkModified();
        ASSERT_TRUE(db->Commit().ok());
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"copy.msi"});
    auto before = storage::CompoundFile::Open(source.string()).value();
    auto after = storage::CompoundFile::Open(copy.string()).value();
    for (storage::EntryId id : before->Children(storage::CompoundFile::kRootId)) {
        const auto& e = before->entry(id);
        if (!e.is_storage()) continue;
        auto other = after->Find(storage::CompoundFile::kRootId, e.name);
        ASSERT_TRUE(other.has_value()) << storage::NameForMessage(e.name);
        ExpectSameStorage(*before, id, *after, *other);
    }
    auto db = OpenDb(copy.string(), OpenMode::kReadOnly);
    auto rows = test::RenderRows(*db, *db->GetTable("Property").value());
    EXPECT_NE(std::find(rows.begin(), rows.end(), "Added\tyes"), rows.end());
}

TEST(DatabaseCommit, KeepsTheDigitalSignatureStream) {
    VSB_REQUIRE_FIXTURE(source, "real/lessmsi/putty-0.68-installer.msi");
    TempDir dir;
    const fs::path copy = dir.path() / "putty.msi";
    fs::copy_file(source, copy);
    auto original = OpenDb(source.string(), OpenMode::kReadOnly);
    const std::string sig = "\005DigitalSignature";
    auto sig_before = ReadAll(*original->streams().Get(sig)).value();
    auto cab_before = ReadAll(*original->streams().Get("putty.cab")).value();
    {
        auto db = OpenDb(copy.string(), OpenMode::kTransact);
        auto table = db->GetTable("Property").value();
        ASSERT_TRUE(table->Insert(test::MakeRow(*db, table->schema(), {"ZZZ", "1"})).ok());
        db->MarkModified();
        Status s = db->Commit();
        ASSERT_TRUE(s.ok()) << s.ToString();
    }
    auto db = OpenDb(copy.string(), OpenMode::kReadOnly);
    EXPECT_EQ(ReadAll(*db->streams().Get(sig)).value(), sig_before);
    EXPECT_EQ(ReadAll(*db->streams().Get("putty.cab")).value(), cab_before);
    // Every table reads back with the same rows apart from the one added.
    for (const auto& name : original->TableNames()) {
        auto a = test::RenderRows(*original, *original->GetTable(name).value());
        auto b = test::RenderRows(*db, *db->GetTable(name).value());
        if (name == "Property") {
            EXPECT_EQ(a.size() + 1, b.size());
        } else {
            EXPECT_EQ(a, b) << name;
        }
    }
}

TEST(DatabaseCommit, UnmodifiedCommitLeavesTheFileAlone) {
    VSB_REQUIRE_FIXTURE(source, "real/wix3/SimpleInstanceTransform.msi");
    TempDir dir;
    const fs::path copy = dir.path() / "copy.msi";
    fs::copy_file(source, copy);
    auto db = OpenDb(copy.string(), OpenMode::kTransact);
    ASSERT_TRUE(db->Commit().ok());
    EXPECT_EQ(testing_support::ReadFile(copy), testing_support::ReadFile(source));
}

TEST(DatabaseCommit, OutputPathWritesTheOutputAndLeavesTheSource) {
    TempDir dir;
    const std::string path = (dir.path() / "small.msi").string();
    const std::string out = (dir.path() / "out.msi").string();
    MakeSmallDatabase(path);
    const std::string before = testing_support::ReadFile(path);
    MSIHANDLE h = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), out.c_str(), &h), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(out));  // made at once, as an empty database
    ASSERT_EQ(MsiDatabaseCommit(h), ERROR_SUCCESS);
    MsiCloseHandle(h);
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(testing_support::ReadFile(path), before);
    auto db = OpenDb(out, OpenMode::kReadOnly);
    EXPECT_EQ(db->GetTable("Property").value()->row_count(), 2u);
}

TEST(DatabaseApi, PrimaryKeysAndPersistence) {
    TempDir dir;
    const std::string path = (dir.path() / "small.msi").string();
    MakeSmallDatabase(path);
    MSIHANDLE h = 0, rec = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, &h), ERROR_SUCCESS);
    ASSERT_EQ(MsiDatabaseGetPrimaryKeysA(h, "Property", &rec), ERROR_SUCCESS);
    EXPECT_EQ(MsiRecordGetFieldCount(rec), 1u);
    char buf[32];
    DWORD size = sizeof buf;
    MsiRecordGetStringA(rec, 0, buf, &size);
    EXPECT_STREQ(buf, "Property");
    size = sizeof buf;
    MsiRecordGetStringA(rec, 1, buf, &size);
    EXPECT_STREQ(buf, "Property");
    MsiCloseHandle(rec);
    EXPECT_EQ(MsiDatabaseGetPrimaryKeysA(h, "Nope", &rec), ERROR_INVALID_TABLE);
    EXPECT_EQ(MsiDatabaseIsTablePersistentA(h, "Property"), MSICONDITION_TRUE);
    EXPECT_EQ(MsiDatabaseIsTablePersistentA(h, "Nope"), MSICONDITION_NONE);
    EXPECT_EQ(MsiDatabaseIsTablePersistentA(h + 99, "Property"), MSICONDITION_ERROR);
    EXPECT_EQ(MsiDatabaseCommit(h), ERROR_SUCCESS);  // read-only: no effect
    MsiCloseHandle(h);
}

}  // namespace
}  // namespace msi::db
