// Files whose chains jump, run backwards and interleave, in both sector
// sizes (see scattered_file.h): every stream reads back whole and in any
// byte range, in the mini stream and out of it, across every boundary.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "storage/compound_file.h"
#include "storage/scattered_file.h"
#include "storage/storage_test_util.h"
#include "storage/stream_reader.h"
#include "test_support.h"

namespace msi::storage::test {
namespace {

std::u16string Name(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

ScatteredEntry Stream(const std::u16string& name, size_t size, uint32_t seed) {
    ScatteredEntry stream;
    stream.name = name;
    stream.bytes = PatternBytes(size, seed);
    return stream;
}

// Streams on both sides of every boundary: the mini sector, the mini stream
// cutoff, the sector of either size; one long enough that its chain crosses
// several FAT sectors; enough small ones that the mini FAT takes more than
// one sector; and a storage with streams of its own.
std::vector<ScatteredEntry> Boundaries() {
    std::vector<ScatteredEntry> entries;
    uint32_t seed = 1;
    for (size_t size :
         {0u, 1u, 63u, 64u, 65u, 511u, 512u, 513u, 4095u, 4096u, 4097u, 8193u, 600000u})
        entries.push_back(Stream(Name("s" + std::to_string(size)), size, seed++));
    for (int i = 0; i < 70; ++i)
        entries.push_back(Stream(u"m" + std::u16string(1, char16_t(u'A' + i % 26)) +
                                     std::u16string(1, char16_t(u'a' + i / 26)),
                                 1000 + 37 * size_t(i), seed++));
    ScatteredEntry storage;
    storage.name = u"Sub";
    storage.storage = true;
    storage.children = {Stream(u"small", 3000, seed++), Stream(u"large", 50000, seed++)};
    entries.push_back(storage);
    return entries;
}

void ExpectSameTree(const CompoundFile& file, EntryId storage,
                    const std::vector<ScatteredEntry>& expected) {
    ASSERT_EQ(file.Children(storage).size(), expected.size());
    for (const ScatteredEntry& want : expected) {
        const auto id = file.Find(storage, want.name);
        ASSERT_TRUE(id.has_value());
        if (want.storage) {
            ExpectSameTree(file, *id, want.children);
            continue;
        }
        auto reader = file.OpenStream(*id);
        ASSERT_TRUE(reader.ok());
        auto whole = reader->ReadAll();
        ASSERT_TRUE(whole.ok()) << whole.status().ToString();
        EXPECT_TRUE(*whole == want.bytes) << "stream of " << want.bytes.size() << " bytes";
        // Ranges that start and end on both sides of mini-sector and sector
        // boundaries.
        for (size_t offset = 0; offset + 1 < want.bytes.size(); offset += 61 + offset / 3) {
            const size_t length = std::min<size_t>(want.bytes.size() - offset, 1 + offset % 700);
            std::vector<uint8_t> piece(length);
            ASSERT_TRUE(reader->Read(offset, piece).ok()) << offset;
            ASSERT_TRUE(std::equal(piece.begin(), piece.end(), want.bytes.begin() + long(offset)))
                << "range at " << offset << " of " << length;
        }
    }
}

TEST(ScatteredFile, EveryStreamReadsBackInBothSectorSizes) {
    testing_support::TempDir dir;
    const auto entries = Boundaries();
    for (unsigned shift : {kSectorShiftV3, kSectorShiftV4}) {
        SCOPED_TRACE("sector shift " + std::to_string(shift));
        const auto path = dir.path() / ("scattered" + std::to_string(shift) + ".bin");
        WriteBytes(path, BuildScatteredFile(kPackageClsid, entries, shift));
        auto file = CompoundFile::Open(path.string());
        ASSERT_TRUE(file.ok()) << file.status().ToString();
        EXPECT_EQ((*file)->sector_size(), 1u << shift);
        EXPECT_EQ((*file)->root_clsid(), kPackageClsid);
        ExpectSameTree(**file, CompoundFile::kRootId, entries);
    }
}

// A chain long enough to cross FAT sectors in either size; with 512-byte
// sectors, more FAT sectors than the header's 109 slots, so that the rest are
// found through DIFAT sectors.
TEST(ScatteredFile, ChainsAcrossManyFatSectorsReadBack) {
    testing_support::TempDir dir;
    const std::vector<ScatteredEntry> entries = {Stream(u"huge", 7400000, 7),
                                                 Stream(u"tiny", 100, 8)};
    for (unsigned shift : {kSectorShiftV3, kSectorShiftV4}) {
        SCOPED_TRACE("sector shift " + std::to_string(shift));
        const auto path = dir.path() / ("long" + std::to_string(shift) + ".bin");
        const auto bytes = BuildScatteredFile(kPackageClsid, entries, shift);
        const size_t sectors = bytes.size() >> shift, per_fat_sector = (size_t{1} << shift) / 4;
        ASSERT_GT(sectors, per_fat_sector * (shift == kSectorShiftV3 ? 109u : 1u));
        WriteBytes(path, bytes);
        auto file = CompoundFile::Open(path.string());
        ASSERT_TRUE(file.ok()) << file.status().ToString();
        ExpectSameTree(**file, CompoundFile::kRootId, entries);
    }
}

}  // namespace
}  // namespace msi::storage::test
