// The codecs over real packages and transforms from the shared fixtures: the
// string pool, the system tables, every table of a package and the summary
// information must decode, and re-encode to what was read.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "format/column_type.h"
#include "format/property_set.h"
#include "format/stream_name.h"
#include "format/string_pool.h"
#include "format/table_stream.h"
#include "storage/compound_file.h"
#include "storage/stream_reader.h"
#include "test_support.h"

namespace msi::format {
namespace {

using Streams = std::map<std::u16string, std::vector<uint8_t>>;

// A transform of each maker and the patch, beside every package.
const char* const kTransforms[] = {
    "real/adobe-reader/AcroRead-kw.mst",
    "real/alcor-smartcard/1041.mst",
    "real/alcor-smartcard/2052.mst",
    "real/msklc/gema-transform.mst",
    "real/pes2012/1025.mst",
    "real/pes2012/1049.mst",
    "real/wix3/AutoGenProductId.mst",
    "real/wix3/gdr1.msp",
};

// Every fixture package and the transforms above; empty without the fixtures.
std::vector<std::filesystem::path> PackagesAndTransforms() {
    std::vector<std::filesystem::path> files = testing_support::FixtureFiles({".msi"});
    if (files.empty()) return files;
    for (const char* transform : kTransforms) {
        const std::filesystem::path path = testing_support::Fixture(transform);
        if (!path.empty()) files.push_back(path);
    }
    return files;
}

// Every stream directly below the root, by stored name.
Streams ReadStreams(const std::filesystem::path& path) {
    Streams streams;
    auto file = storage::CompoundFile::Open(path.string());
    EXPECT_TRUE(file.ok()) << path << ": " << file.status().ToString();
    if (!file.ok()) return streams;
    const storage::CompoundFile& cfb = *file.value();
    for (storage::EntryId id : cfb.Children(storage::CompoundFile::kRootId)) {
        if (!cfb.entry(id).is_stream()) continue;
        auto reader = cfb.OpenStream(id);
        EXPECT_TRUE(reader.ok()) << path;
        if (!reader.ok()) continue;
        auto bytes = reader->ReadAll();
        EXPECT_TRUE(bytes.ok()) << path << ": " << bytes.status().ToString();
        if (bytes.ok()) streams[cfb.entry(id).name] = std::move(bytes).value();
    }
    return streams;
}

std::u16string Name(std::string_view name, bool is_table) {
    Result<std::u16string> units = EncodeStreamName(name, is_table);
    EXPECT_TRUE(units.ok());
    return units.ok() ? units.value() : u"";
}

const std::vector<uint8_t>& StreamOrEmpty(const Streams& streams, const std::u16string& name) {
    static const std::vector<uint8_t> kEmpty;
    auto it = streams.find(name);
    return it == streams.end() ? kEmpty : it->second;
}

StringPool LoadPool(const Streams& streams, const std::string& file) {
    Result<StringPool> pool = StringPool::Load(StreamOrEmpty(streams, Name("_StringPool", true)),
                                               StreamOrEmpty(streams, Name("_StringData", true)));
    EXPECT_TRUE(pool.ok()) << file << ": " << pool.status().ToString();
    return pool.ok() ? std::move(pool).value() : StringPool();
}

TEST(FixtureTest, StringPoolsLoadAndReencodeUnchanged) {
    VSB_REQUIRE_FIXTURES(packages, ".msi");
    for (const std::filesystem::path& path : PackagesAndTransforms()) {
        const std::string file = path.string();
        const Streams streams = ReadStreams(path);
        const StringPool pool = LoadPool(streams, file);
        const StringPool::Streams written = pool.Serialize();
        StringPool reloaded = LoadPool(
            {{Name("_StringPool", true), written.pool}, {Name("_StringData", true), written.data}},
            file);
        ASSERT_EQ(reloaded.HighestId(), pool.HighestId()) << file;
        for (uint32_t id = 1; id <= pool.HighestId(); ++id) {
            ASSERT_EQ(reloaded.Lookup(id), pool.Lookup(id)) << file << " id " << id;
            ASSERT_EQ(reloaded.RefCount(id), pool.RefCount(id)) << file << " id " << id;
        }
        // Byte-identical unless the file ends in free ids, which we drop.
        if (pool.HighestId() + 1 == pool.IdLimit()) {
            EXPECT_EQ(written.pool, StreamOrEmpty(streams, Name("_StringPool", true))) << file;
        }
    }
}

TEST(FixtureTest, LongStringEntryOfATransformIsReadAsOneId) {
    VSB_REQUIRE_FIXTURE(path, "real/pes2012/1049.mst");
    const StringPool pool = LoadPool(ReadStreams(path), "1049.mst");
    size_t longest = 0;
    for (uint32_t id = 1; id < pool.IdLimit(); ++id) {
        if (auto text = pool.Lookup(id)) longest = std::max(longest, text->size());
    }
    EXPECT_EQ(longest, 416882u);
    EXPECT_EQ(pool.code_page(), 65001u);
}

TEST(FixtureTest, ManyStringsPackageUsesThreeByteReferences) {
    VSB_REQUIRE_FIXTURE(path, "generated/many-strings.msi");
    const StringPool pool = LoadPool(ReadStreams(path), "many-strings.msi");
    EXPECT_TRUE(pool.loaded_long_refs());
    EXPECT_TRUE(pool.NeedsLongRefs());
    EXPECT_GT(pool.HighestId(), 0xFFFFu);
    size_t longest = 0;
    for (uint32_t id = 1; id < pool.IdLimit(); ++id) {
        if (auto text = pool.Lookup(id)) longest = std::max(longest, text->size());
    }
    EXPECT_EQ(longest, 70000u);
}

// Decodes _Tables, _Columns and every table they list, re-encoding each.
void CheckAllTables(const std::string& file, const Streams& streams, const StringPool& pool) {
    const bool long_refs = pool.loaded_long_refs();
    const uint8_t ref = uint8_t(ColumnType(0x0D48).CellSize(long_refs));
    const std::vector<uint8_t> tables_sizes = {ref};
    Result<TableCells> tables =
        DecodeTableStream(StreamOrEmpty(streams, Name("_Tables", true)), tables_sizes);
    ASSERT_TRUE(tables.ok()) << file << ": " << tables.status().ToString();
    ASSERT_GT(tables->row_count, 0u) << file;
    const std::vector<uint8_t> columns_sizes = {ref, 2, ref, 2};
    Result<TableCells> columns =
        DecodeTableStream(StreamOrEmpty(streams, Name("_Columns", true)), columns_sizes);
    ASSERT_TRUE(columns.ok()) << file << ": " << columns.status().ToString();

    std::map<uint32_t, std::vector<uint8_t>> cell_sizes;  // table name id -> sizes
    for (size_t r = 0; r < columns->row_count; ++r) {
        const ColumnType type(uint16_t(LoadShortInteger(columns->At(r, 3))));
        cell_sizes[columns->At(r, 0)].push_back(uint8_t(type.CellSize(long_refs)));
    }
    for (size_t r = 0; r < tables->row_count; ++r) {
        const auto name = pool.Lookup(tables->At(r, 0));
        ASSERT_TRUE(name.has_value()) << file << ": _Tables row " << r;
        const std::vector<uint8_t>& sizes = cell_sizes[tables->At(r, 0)];
        const std::vector<uint8_t>& stream = StreamOrEmpty(streams, Name(*name, true));
        Result<TableCells> table = DecodeTableStream(stream, sizes);
        ASSERT_TRUE(table.ok()) << file << " " << *name << ": " << table.status().ToString();
        Result<std::vector<uint8_t>> encoded = EncodeTableStream(table.value(), sizes);
        ASSERT_TRUE(encoded.ok());
        EXPECT_EQ(encoded.value(), stream) << file << " " << *name;
    }
}

TEST(FixtureTest, EveryTableOfEveryPackageDecodesAndReencodes) {
    VSB_REQUIRE_FIXTURES(packages, ".msi");
    for (const std::filesystem::path& path : packages) {
        const Streams streams = ReadStreams(path);
        CheckAllTables(path.string(), streams, LoadPool(streams, path.string()));
    }
}

TEST(FixtureTest, SummaryInformationDecodesAndRoundTrips) {
    const std::u16string name = Name("\005SummaryInformation", false);
    VSB_REQUIRE_FIXTURES(packages, ".msi");
    for (const std::filesystem::path& path : PackagesAndTransforms()) {
        const std::string file = path.string();
        const Streams streams = ReadStreams(path);
        auto it = streams.find(name);
        if (it == streams.end()) continue;  // msibuild-made packages may lack one
        Result<SummaryPropertySet> set = SummaryPropertySet::Decode(it->second);
        ASSERT_TRUE(set.ok()) << file << ": " << set.status().ToString();
        EXPECT_TRUE(set->properties.count(kPidRevisionNumber)) << file;
        Result<SummaryPropertySet> again = SummaryPropertySet::Decode(set->Encode());
        ASSERT_TRUE(again.ok());
        EXPECT_EQ(again->properties, set->properties) << file;
    }
}

TEST(FixtureTest, SummaryOfAKnownPackageHasItsKnownValues) {
    VSB_REQUIRE_FIXTURE(path, "real/adobe-reader/AcroRead.msi");
    const Streams streams = ReadStreams(path);
    auto it = streams.find(Name("\005SummaryInformation", false));
    ASSERT_NE(it, streams.end());
    Result<SummaryPropertySet> set = SummaryPropertySet::Decode(it->second);
    ASSERT_TRUE(set.ok()) << set.status().ToString();
    EXPECT_EQ(std::get<int16_t>(set->properties.at(kPidCodepage)), 1252);
    const std::string& app = std::get<std::string>(set->properties.at(kPidCreatingApplication));
    EXPECT_EQ(app.rfind("InstallShield", 0), 0u) << app;
    EXPECT_TRUE(std::holds_alternative<FileTime>(set->properties.at(kPidCreateTime)));
    EXPECT_TRUE(std::holds_alternative<int32_t>(set->properties.at(kPidPageCount)));
}

}  // namespace
}  // namespace msi::format
