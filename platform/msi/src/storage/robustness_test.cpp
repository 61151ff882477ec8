// Damaged variants of real and written files: truncated at many offsets and
// with bytes flipped in the header, the FAT, the DIFAT and the directory.
// Each must open and read, or fail with a Status; never crash, hang or read
// outside the file (the sanitizer build runs this too).
#include <gtest/gtest.h>

#include "storage/cfb_header.h"
#include "storage/compound_file.h"
#include "storage/compound_writer.h"
#include "storage/storage_test_util.h"
#include "storage/stream_reader.h"
#include "test_support.h"

namespace msi::storage {
namespace {

// Deterministic pseudo-random numbers (xorshift32).
class Random {
  public:
    explicit Random(uint32_t seed) : x_(seed) {}
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

struct Outcome {
    size_t opened = 0;
    size_t refused = 0;
};

// Opens the bytes as a file and reads everything it offers. Failures must
// carry a kind and a message; success must give streams of their stated size.
void Exercise(const std::string& path, const std::vector<uint8_t>& bytes, Outcome& outcome) {
    test::WriteBytes(path, bytes);
    auto file = CompoundFile::Open(path);
    if (!file.ok()) {
        EXPECT_NE(file.status().kind(), Status::Kind::kOk);
        EXPECT_FALSE(file.status().message().empty());
        ++outcome.refused;
        return;
    }
    ++outcome.opened;
    const CompoundFile& f = *file.value();
    std::vector<EntryId> pending = {CompoundFile::kRootId};
    while (!pending.empty()) {
        const EntryId storage = pending.back();
        pending.pop_back();
        for (EntryId id : f.Children(storage)) {
            if (f.entry(id).is_storage()) {
                pending.push_back(id);
                continue;
            }
            auto reader = f.OpenStream(id);
            if (!reader.ok()) {
                EXPECT_FALSE(reader.status().message().empty());
                continue;
            }
            auto all = reader->ReadAll();
            if (all.ok()) {
                EXPECT_EQ(all->size(), f.entry(id).size);
            } else {
                EXPECT_FALSE(all.status().message().empty());
            }
        }
    }
}

// Sector n of a file with this header, as a byte offset.
size_t SectorOffset(const CfbHeader& h, uint32_t n) {
    return (size_t(n) + 1) * h.sector_size();
}

void FlipBytes(std::vector<uint8_t>& bytes, size_t begin, size_t end, Random& random) {
    if (end > bytes.size()) end = bytes.size();
    if (begin >= end) return;
    const size_t flips = 1 + random.Below(4);
    for (size_t i = 0; i < flips; ++i) {
        bytes[begin + random.Below(end - begin)] ^= uint8_t(1 + random.Below(255));
    }
}

// Runs the variants of one file; returns how many opened and how many not.
Outcome RunVariants(const std::vector<uint8_t>& original, const std::string& path, uint32_t seed,
                    size_t per_kind) {
    Outcome outcome;
    Exercise(path, original, outcome);
    EXPECT_EQ(outcome.opened, 1u) << "the undamaged file must open";
    auto header = CfbHeader::Decode(original);
    EXPECT_TRUE(header.ok());
    if (!header.ok()) return outcome;
    const CfbHeader& h = header.value();
    Random random(seed);

    // Truncations: every header boundary plus evenly spread cuts.
    for (size_t cut : {size_t(0), size_t(8), size_t(511), size_t(512), size_t(513)}) {
        Exercise(path, std::vector<uint8_t>(original.begin(), original.begin() + long(cut)),
                 outcome);
    }
    for (size_t i = 1; i <= per_kind; ++i) {
        const size_t cut = original.size() * i / (per_kind + 1) + random.Below(512);
        if (cut >= original.size()) continue;
        Exercise(path, std::vector<uint8_t>(original.begin(), original.begin() + long(cut)),
                 outcome);
    }
    // Flips in the header's fields and DIFAT slots.
    for (size_t i = 0; i < per_kind; ++i) {
        auto bytes = original;
        FlipBytes(bytes, 0, kHeaderSize, random);
        Exercise(path, bytes, outcome);
    }
    // Flips in the first FAT, directory and mini FAT sectors.
    for (uint32_t sector : {h.difat[0], h.first_directory_sector, h.first_mini_fat_sector}) {
        if (sector > kMaxRegularSector) continue;
        const size_t begin = SectorOffset(h, sector);
        for (size_t i = 0; i < per_kind; ++i) {
            auto bytes = original;
            FlipBytes(bytes, begin, begin + h.sector_size(), random);
            Exercise(path, bytes, outcome);
        }
    }
    // Flips in the first DIFAT sector, when the file has one.
    if (h.first_difat_sector <= kMaxRegularSector) {
        const size_t begin = SectorOffset(h, h.first_difat_sector);
        for (size_t i = 0; i < per_kind; ++i) {
            auto bytes = original;
            FlipBytes(bytes, begin, begin + h.sector_size(), random);
            Exercise(path, bytes, outcome);
        }
    }
    return outcome;
}

TEST(Robustness, DamagedVersionThreeFixtureNeverCrashes) {
    VSB_REQUIRE_FIXTURE(path, "real/wix3/SimpleInstanceTransform.msi");
    testing_support::TempDir dir;
    const Outcome o = RunVariants(test::ReadBytes(path), dir.str() + "/v.msi", 1, 60);
    EXPECT_GT(o.refused, 0u);
    EXPECT_GT(o.opened, 1u);
    EXPECT_GE(o.opened + o.refused, 240u);
}

TEST(Robustness, DamagedVersionFourFixtureNeverCrashes) {
    VSB_REQUIRE_FIXTURE(path, "real/alcor-smartcard/1033.mst");
    testing_support::TempDir dir;
    const Outcome o = RunVariants(test::ReadBytes(path), dir.str() + "/v.mst", 2, 60);
    EXPECT_GT(o.refused, 0u);
    EXPECT_GT(o.opened, 1u);
}

TEST(Robustness, DamagedFileWithDifatNeverCrashes) {
    testing_support::TempDir dir;
    CompoundWriter w;
    // Just past 109 FAT sectors, so one DIFAT sector exists.
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"big", test::PatternBytes(7200000, 1)).ok());
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"small", test::PatternBytes(300, 2)).ok());
    const std::string path = dir.str() + "/difat.msi";
    ASSERT_TRUE(w.WriteFile(path).ok());
    const auto original = test::ReadBytes(path);
    ASSERT_NE(CfbHeader::Decode(original)->first_difat_sector, kEndOfChain);
    const Outcome o = RunVariants(original, dir.str() + "/v.msi", 3, 12);
    EXPECT_GT(o.refused, 0u);
}

}  // namespace
}  // namespace msi::storage
