// Damaged packages through the whole engine: the malformed fixtures, and for
// each real package a few hundred deterministic variants, truncated at many
// offsets or with bytes flipped in the header, the FAT, the directory, the
// mini FAT, the string pool and the table streams (located with the storage
// layer). Every variant is opened and, when it opens, every table and stream
// is listed and read through the C interface. Only error codes may come back:
// no crash, no hang, no unbounded memory (the sanitizer build runs this too).
// The storage layer's own robustness test covers the container alone; this
// one reaches the string pool, the table decoder and the views.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>
#include <vector>

#include "format/stream_name.h"
#include "interop_util.h"
#include "storage/cfb_header.h"
#include "storage/cfb_layout.h"
#include "storage/compound_file.h"
#include "storage/sector_chain.h"
#include "test_support.h"

namespace msi_interop {
namespace {

namespace fs = std::filesystem;
namespace storage = msi::storage;
using Bytes = std::vector<uint8_t>;

// The codes a damaged package may give; anything else is a fault to look at.
const std::set<UINT> kErrorCodes = {ERROR_SUCCESS,
                                    ERROR_OPEN_FAILED,
                                    ERROR_INVALID_DATA,
                                    ERROR_INVALID_PARAMETER,
                                    ERROR_BAD_QUERY_SYNTAX,
                                    ERROR_FUNCTION_FAILED,
                                    ERROR_INSTALL_PACKAGE_INVALID,
                                    ERROR_CREATE_FAILED,
                                    ERROR_NO_MORE_ITEMS,
                                    ERROR_FILE_NOT_FOUND,
                                    ERROR_NOT_ENOUGH_MEMORY};

class Random {
  public:
    explicit Random(uint32_t seed) : x_(seed ? seed : 1) {}
    uint32_t Next() {
        x_ ^= x_ << 13;
        x_ ^= x_ >> 17;
        x_ ^= x_ << 5;
        return x_;
    }
    size_t Below(size_t n) { return n == 0 ? 0 : Next() % n; }

  private:
    uint32_t x_;
};

struct Range {
    size_t begin = 0, size = 0;
};

// Where things lie in the undamaged file, found through the storage layer's
// header decoder and chain follower over the file's own FAT.
struct Layout {
    std::vector<Range> header, fat, directory, mini_fat, string_pool, catalog, tables;
};

std::vector<uint32_t> TableOf(const Bytes& bytes, std::span<const uint32_t> sectors,
                              uint32_t sector_size) {
    std::vector<uint32_t> table;
    for (uint32_t s : sectors) {
        const size_t at = (size_t(s) + 1) * sector_size;
        for (size_t i = 0; i + 4 <= sector_size && at + i + 4 <= bytes.size(); i += 4)
            table.push_back(uint32_t(bytes[at + i]) | uint32_t(bytes[at + i + 1]) << 8 |
                            uint32_t(bytes[at + i + 2]) << 16 | uint32_t(bytes[at + i + 3]) << 24);
    }
    return table;
}

Layout Locate(const Bytes& bytes, const storage::CompoundFile& file) {
    Layout layout;
    auto decoded = storage::CfbHeader::Decode(bytes);
    if (!decoded.ok()) return layout;
    const storage::CfbHeader& h = *decoded;
    const uint32_t ss = h.sector_size();
    auto sectors_of = [&](std::span<const uint32_t> sectors) {
        std::vector<Range> out;
        for (uint32_t s : sectors) out.push_back({(size_t(s) + 1) * ss, ss});
        return out;
    };
    layout.header.push_back({0, storage::kHeaderSize});
    std::vector<uint32_t> fat_sectors;
    for (uint32_t s : h.difat)
        if (s <= storage::kMaxRegularSector) fat_sectors.push_back(s);
    layout.fat = sectors_of(fat_sectors);
    const auto fat = TableOf(bytes, fat_sectors, ss);
    if (auto dir = storage::SectorChain::FollowToEnd(fat, h.first_directory_sector, "dir");
        dir.ok())
        layout.directory = sectors_of(dir->sectors());
    std::vector<uint32_t> mini_fat;
    if (auto mf = storage::SectorChain::FollowToEnd(fat, h.first_mini_fat_sector, "mini");
        mf.ok()) {
        layout.mini_fat = sectors_of(mf->sectors());
        mini_fat = TableOf(bytes, mf->sectors(), ss);
    }
    const auto& root = file.entry(storage::CompoundFile::kRootId);
    const auto mini_stream =
        storage::SectorChain::Follow(fat, root.start_sector, (root.size + ss - 1) / ss, "root");

    // The file ranges holding a stream's bytes.
    auto stream_ranges = [&](const std::string& name, std::vector<Range>& out) {
        auto encoded = msi::format::EncodeStreamName(name, /*is_table=*/true);
        if (!encoded.ok()) return;
        auto id = file.Find(storage::CompoundFile::kRootId, *encoded);
        if (!id) return;
        const auto& e = file.entry(*id);
        if (e.size >= storage::kMiniStreamCutoff) {
            auto chain =
                storage::SectorChain::Follow(fat, e.start_sector, (e.size + ss - 1) / ss, name);
            for (const auto& r : sectors_of(chain.sectors())) out.push_back(r);
            return;
        }
        const uint32_t ms = storage::kMiniSectorSize;
        auto chain =
            storage::SectorChain::Follow(mini_fat, e.start_sector, (e.size + ms - 1) / ms, name);
        for (uint32_t m : chain.sectors()) {
            const size_t at = size_t(m) * ms;
            if (at / ss >= mini_stream.sectors().size()) continue;
            out.push_back({(size_t(mini_stream.sectors()[at / ss]) + 1) * ss + at % ss, ms});
        }
    };
    stream_ranges("_StringPool", layout.string_pool);
    stream_ranges("_StringData", layout.string_pool);
    stream_ranges("_Tables", layout.catalog);
    stream_ranges("_Columns", layout.catalog);
    for (const char* t : {"Property", "File", "Component", "Directory", "Binary", "Media",
                          "InstallExecuteSequence", "Control", "MsiPatchSequence"})
        stream_ranges(t, layout.tables);
    return layout;
}

struct Tally {
    size_t variants = 0, opened = 0, refused = 0, tables_read = 0;
    std::set<UINT> codes;
};

void Note(Tally& tally, UINT code, const char* where) {
    tally.codes.insert(code);
    EXPECT_TRUE(kErrorCodes.count(code)) << where << " gave " << code;
}

// Opens one variant and reads all it offers through the C interface.
void Exercise(const fs::path& path, const Bytes& bytes, Tally& tally) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        ASSERT_TRUE(out.good()) << path;
    }
    ++tally.variants;
    Handle db;
    const UINT r = MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, db.out());
    Note(tally, r, "open");
    if (r != ERROR_SUCCESS) {
        ++tally.refused;
        return;
    }
    ++tally.opened;
    std::vector<std::string> names = TableNames(db.get());
    for (const char* system : {"_Tables", "_Columns", "_Streams", "_Storages"})
        names.push_back(system);
    for (const auto& name : names) {
        const ApiTable table = ReadTable(db.get(), name);
        Note(tally, table.status, "select");
        if (table.status == ERROR_SUCCESS) ++tally.tables_read;
    }
    Handle si;
    Note(tally, MsiGetSummaryInformationA(db.get(), nullptr, 0, si.out()), "summary");
}

void Flip(Bytes& bytes, const std::vector<Range>& ranges, Random& random) {
    if (ranges.empty()) return;
    const Range& r = ranges[random.Below(ranges.size())];
    const size_t flips = 1 + random.Below(4);
    for (size_t i = 0; i < flips; ++i) {
        const size_t at = r.begin + random.Below(r.size);
        if (at < bytes.size()) bytes[at] ^= uint8_t(1 + random.Below(255));
    }
}

size_t PeakMemoryMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return size_t(usage.ru_maxrss) / 1024;
}

// The real packages and the patch (the generated ones add nothing here).
std::vector<const char*> RealPackages() {
    std::vector<const char*> real;
    for (const char* name : testing_support::FixturePackageNames())
        if (std::string_view(name).starts_with("real/")) real.push_back(name);
    return real;
}

// Every variant reads the whole package, which the sanitizer build does
// about twenty times slower; there a package over a megabyte gets a third of
// the variants (still some in every region), so that this test does not
// take most of the suite's time. The fuzz corpus covers the rest there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerBuild = true;
#else
constexpr bool kSanitizerBuild = false;
#endif

size_t VariantShare(size_t package_size) {
    return kSanitizerBuild && package_size > (size_t(1) << 20) ? 3 : 1;
}

class DamagedPackage : public ::testing::TestWithParam<const char*> {};

TEST_P(DamagedPackage, EveryVariantGivesErrorCodesOnly) {
    VSB_REQUIRE_FIXTURE(source, GetParam());
    const std::string text = testing_support::ReadFile(source);
    const Bytes original(text.begin(), text.end());
    auto file = storage::CompoundFile::Open(source.string());
    ASSERT_TRUE(file.ok());
    const Layout layout = Locate(original, **file);
    ASSERT_FALSE(layout.fat.empty());
    ASSERT_FALSE(layout.directory.empty());
    ASSERT_FALSE(layout.string_pool.empty()) << "string pool not found";
    ASSERT_FALSE(layout.catalog.empty()) << "_Tables / _Columns not found";

    testing_support::TempDir dir;
    const fs::path path = dir.path() / "variant.msi";
    Tally tally;
    Exercise(path, original, tally);
    ASSERT_EQ(tally.opened, 1u) << "the undamaged package must open";
    Random random(uint32_t(std::hash<std::string>{}(GetParam())));
    const size_t share = VariantShare(original.size());

    // Truncations: at structure boundaries and spread over the whole file.
    for (size_t cut : {size_t(0), size_t(7), size_t(511), size_t(512), size_t(513)})
        Exercise(path, Bytes(original.begin(), original.begin() + long(cut)), tally);
    const size_t cuts = 60 / share;
    for (size_t i = 1; i <= cuts; ++i) {
        const size_t cut = original.size() * i / (cuts + 1) + random.Below(512);
        if (cut < original.size())
            Exercise(path, Bytes(original.begin(), original.begin() + long(cut)), tally);
    }
    // Flips, region by region.
    const std::pair<const std::vector<Range>*, size_t> regions[] = {
        {&layout.header, 30},   {&layout.fat, 30},         {&layout.directory, 40},
        {&layout.mini_fat, 20}, {&layout.string_pool, 50}, {&layout.catalog, 40},
        {&layout.tables, 40},
    };
    for (const auto& [ranges, count] : regions) {
        for (size_t i = 0; i < count / share && !ranges->empty(); ++i) {
            Bytes bytes = original;
            Flip(bytes, *ranges, random);
            Exercise(path, bytes, tally);
        }
    }
    EXPECT_GE(tally.variants, 250u / share);
    EXPECT_GT(tally.refused, 0u);
    EXPECT_GT(tally.opened, 1u);
    EXPECT_GT(tally.tables_read, 0u);
    // Memory proportional to the package: a forged size must not be believed.
    EXPECT_LT(PeakMemoryMiB(), 1536u);
    std::string codes;
    for (UINT c : tally.codes) codes += std::to_string(c) + " ";
    RecordProperty("codes", codes);
    RecordProperty("opened", int(tally.opened));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DamagedPackage, ::testing::ValuesIn(RealPackages()),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = fs::path(info.param).stem().string();
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(MalformedFixtures, TextFileWithACompoundSignatureIsRefused) {
    VSB_REQUIRE_FIXTURE(path, "malformed/wix3-MultipleFragments-expected.msi");
    Handle db;
    const UINT r = MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, db.out());
    EXPECT_NE(r, ERROR_SUCCESS);
    EXPECT_TRUE(kErrorCodes.count(r)) << r;
    EXPECT_EQ(db.get(), 0u);
    EXPECT_NE(MsiVerifyPackageA(path.c_str()), ERROR_SUCCESS);
}

TEST(MalformedFixtures, TruncatedPackageReadsEveryTableAndReportsTheCutCabinet) {
    VSB_REQUIRE_FIXTURE(path, "malformed/VBRuntime-truncated.msi");
    Handle db;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, db.out()), ERROR_SUCCESS);
    const auto names = TableNames(db.get());
    EXPECT_EQ(names.size(), 85u);
    for (const auto& name : names) EXPECT_EQ(ReadTable(db.get(), name).status, 0u) << name;

    // Disk1.CAB is whole; Disk2.CAB (443,299 bytes) is cut by the end of the
    // file: reading it must stop with an error, not return made-up bytes.
    for (const auto& [name, whole] : {std::pair{"Disk1.CAB", true}, {"Disk2.CAB", false}}) {
        Handle view, rec, params(MsiCreateRecord(1));
        MsiRecordSetStringA(params.get(), 1, name);
        ASSERT_EQ(MsiDatabaseOpenViewA(db.get(), "SELECT `Data` FROM `_Streams` WHERE `Name` = ?",
                                       view.out()),
                  ERROR_SUCCESS);
        ASSERT_EQ(MsiViewExecute(view.get(), params.get()), ERROR_SUCCESS);
        ASSERT_EQ(MsiViewFetch(view.get(), rec.out()), ERROR_SUCCESS) << name;
        size_t total = 0;
        UINT r = ERROR_SUCCESS;
        char buf[65536];
        for (;;) {
            DWORD n = sizeof buf;
            r = MsiRecordReadStream(rec.get(), 1, buf, &n);
            if (r != ERROR_SUCCESS || n == 0) break;
            total += n;
        }
        if (whole) {
            EXPECT_EQ(r, 0u);
            EXPECT_EQ(total, 1457664u);
        } else {
            EXPECT_NE(r, 0u) << "a cut stream must report the damage";
            EXPECT_TRUE(kErrorCodes.count(r)) << r;
            EXPECT_LT(total, 443299u);
        }
    }
}

}  // namespace
}  // namespace msi_interop
