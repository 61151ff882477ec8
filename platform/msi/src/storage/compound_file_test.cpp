// Reading damaged files: a small file made by the writer is damaged at the
// exact bytes that matter, and the reader must name what is wrong.
#include "storage/compound_file.h"

#include <gtest/gtest.h>

#include "storage/cfb_header.h"
#include "storage/compound_writer.h"
#include "storage/storage_test_util.h"
#include "storage/stream_reader.h"
#include "test_support.h"

namespace msi::storage {
namespace {

using test::PatternBytes;

// Directory entry field offsets used below (see directory_entry.h).
constexpr size_t kNameLengthField = 64;
constexpr size_t kTypeField = 66;
constexpr size_t kLeftField = 68;
constexpr size_t kRightField = 72;
constexpr size_t kChildField = 76;
constexpr size_t kSizeField = 120;
constexpr size_t kFatCountField = 44;  // in the header

class DamagedFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CompoundWriter w;
        ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"a", PatternBytes(100, 1)).ok());
        ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"b", PatternBytes(10000, 2)).ok());
        auto s = w.AddStorage(CompoundWriter::kRoot, u"S");
        ASSERT_TRUE(s.ok());
        ASSERT_TRUE(w.AddStream(s.value(), u"c", PatternBytes(5000, 3)).ok());
        path_ = dir_.str() + "/base.msi";
        ASSERT_TRUE(w.WriteFile(path_).ok());
        bytes_ = test::ReadBytes(path_);
        auto header = CfbHeader::Decode(bytes_);
        ASSERT_TRUE(header.ok());
        header_ = header.value();
        auto file = CompoundFile::Open(path_);
        ASSERT_TRUE(file.ok());
        const CompoundFile& f = *file.value();
        a_ = *f.Find(CompoundFile::kRootId, u"a");
        b_ = *f.Find(CompoundFile::kRootId, u"b");
        s_ = *f.Find(CompoundFile::kRootId, u"S");
        c_ = *f.Find(s_, u"c");
        b_start_ = f.entry(b_).start_sector;
        c_start_ = f.entry(c_).start_sector;
    }

    // Directory sectors are contiguous in the writer's files.
    size_t EntryOffset(EntryId id) const {
        return (header_.first_directory_sector + id / 4 + 1) * 512 + (id % 4) * 128;
    }
    size_t FatSlotOffset(uint32_t sector) const {
        return (header_.difat[0] + 1) * 512 + sector * 4;
    }
    void PutU32(size_t offset, uint32_t value) { StoreU32(bytes_.data() + offset, value); }

    Result<std::unique_ptr<CompoundFile>> Reopen() {
        test::WriteBytes(path_, bytes_);
        return CompoundFile::Open(path_);
    }
    static Result<std::vector<uint8_t>> ReadAll(const CompoundFile& f, EntryId id) {
        auto reader = f.OpenStream(id);
        if (!reader.ok()) return reader.status();
        return reader->ReadAll();
    }
    static void ExpectError(const Status& s, Status::Kind kind, const std::string& words) {
        EXPECT_EQ(s.kind(), kind) << s.ToString();
        EXPECT_NE(s.message().find(words), std::string::npos) << s.ToString();
    }

    testing_support::TempDir dir_;
    std::string path_;
    std::vector<uint8_t> bytes_;
    CfbHeader header_;
    EntryId a_ = 0, b_ = 0, s_ = 0, c_ = 0;
    uint32_t b_start_ = 0, c_start_ = 0;
};

TEST_F(DamagedFileTest, UndamagedFileReadsBack) {
    auto file = Reopen();
    ASSERT_TRUE(file.ok()) << file.status().ToString();
    EXPECT_EQ(test::ReadEveryStream(*file.value(), CompoundFile::kRootId), 3u);
}

TEST_F(DamagedFileTest, TruncatedDirectoryIsReportedCorrupt) {
    bytes_.resize((header_.first_directory_sector + 1) * 512 + 300);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    ExpectError(file.status(), Status::Kind::kCorrupt, "directory");
}

TEST_F(DamagedFileTest, SiblingIdOutsideTheDirectoryIsReported) {
    PutU32(EntryOffset(a_) + kLeftField, 1000);
    PutU32(EntryOffset(a_) + kRightField, 1000);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    ExpectError(file.status(), Status::Kind::kCorrupt, "refers to entry 1000");
}

TEST_F(DamagedFileTest, LoopInTheSiblingTreeIsReported) {
    // Every child of the root points right back at the tree's root.
    const uint32_t tree_root = LoadU32(bytes_.data() + EntryOffset(0) + kChildField);
    for (EntryId id : {a_, b_, s_}) PutU32(EntryOffset(id) + kRightField, tree_root);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    ExpectError(file.status(), Status::Kind::kCorrupt, "a second time");
}

TEST_F(DamagedFileTest, StorageWhoseChildIsTheRootIsReported) {
    PutU32(EntryOffset(s_) + kChildField, 0);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    ExpectError(file.status(), Status::Kind::kCorrupt, "a second time");
}

TEST_F(DamagedFileTest, ReachableNameWithoutTerminatorIsReported) {
    bytes_[EntryOffset(c_) + kNameLengthField] = 2 * 32;  // would need 32 units
    bytes_[EntryOffset(c_) + 62] = 'x';
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    ExpectError(file.status(), Status::Kind::kCorrupt, "not NUL-terminated");
}

TEST_F(DamagedFileTest, GarbageInAnUnreachableEntryIsIgnored) {
    // Five entries fill two directory sectors; slot 7 is padding.
    bytes_[EntryOffset(7) + kTypeField] = 9;
    bytes_[EntryOffset(7) + kNameLengthField] = 77;
    auto file = Reopen();
    ASSERT_TRUE(file.ok()) << file.status().ToString();
}

TEST_F(DamagedFileTest, FirstEntryThatIsNotTheRootIsRefused) {
    bytes_[EntryOffset(0) + kTypeField] = 1;
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    ExpectError(file.status(), Status::Kind::kCorrupt, "not the root");
}

TEST_F(DamagedFileTest, FatSectorCountBeyondTheFileIsReported) {
    PutU32(kFatCountField, 100000);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    ExpectError(file.status(), Status::Kind::kCorrupt, "claims 100000 FAT sectors");
}

TEST_F(DamagedFileTest, LoopInAStreamChainIsReportedWhenRead) {
    PutU32(FatSlotOffset(b_start_ + 2), b_start_);
    auto file = Reopen();
    ASSERT_TRUE(file.ok()) << file.status().ToString();
    auto reader = file.value()->OpenStream(b_);
    ASSERT_TRUE(reader.ok());
    std::vector<uint8_t> head(1536);
    ASSERT_TRUE(reader->Read(0, head).ok());
    const auto expected = PatternBytes(10000, 2);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), expected.begin()));
    ExpectError(ReadAll(*file.value(), b_).status(), Status::Kind::kCorrupt, "loops back");
}

TEST_F(DamagedFileTest, ChainShorterThanTheStreamGivesItsFirstPart) {
    PutU32(FatSlotOffset(b_start_ + 4), kEndOfChain);
    auto file = Reopen();
    ASSERT_TRUE(file.ok());
    auto reader = file.value()->OpenStream(b_);
    ASSERT_TRUE(reader.ok());
    std::vector<uint8_t> head(5 * 512);
    EXPECT_TRUE(reader->Read(0, head).ok());
    std::vector<uint8_t> tail(10);
    ExpectError(reader->Read(5 * 512, tail), Status::Kind::kCorrupt, "its end marker");
}

TEST_F(DamagedFileTest, SectorNumberOutsideTheFatIsReported) {
    PutU32(FatSlotOffset(b_start_), 0x00FFFFFF);
    auto file = Reopen();
    ASSERT_TRUE(file.ok());
    ExpectError(ReadAll(*file.value(), b_).status(), Status::Kind::kCorrupt,
                "sector number 16777215");
}

TEST_F(DamagedFileTest, TruncatedFileStillReadsTheStreamsBeforeTheCut) {
    // c is the last stream; cut its last sectors off.
    bytes_.resize((c_start_ + 1 + 3) * 512);
    auto file = Reopen();
    ASSERT_TRUE(file.ok()) << file.status().ToString();
    EXPECT_TRUE(ReadAll(*file.value(), a_).ok());
    EXPECT_TRUE(ReadAll(*file.value(), b_).ok());
    ExpectError(ReadAll(*file.value(), c_).status(), Status::Kind::kCorrupt, "truncated");
    auto reader = file.value()->OpenStream(c_);
    std::vector<uint8_t> head(3 * 512);
    EXPECT_TRUE(reader->Read(0, head).ok());
}

TEST_F(DamagedFileTest, HugeStreamSizeIsReportedBeforeAnythingIsAllocated) {
    PutU32(EntryOffset(b_) + kSizeField, 0xFFFFFFF0);
    auto file = Reopen();
    ASSERT_TRUE(file.ok());
    auto reader = file.value()->OpenStream(b_);
    ASSERT_FALSE(reader.ok());
    ExpectError(reader.status(), Status::Kind::kCorrupt, "more than the whole file");
}

TEST_F(DamagedFileTest, MiniStreamLargerThanTheFileIsReportedWhenRead) {
    PutU32(EntryOffset(0) + kSizeField, 0x7FFFFFFF);
    auto file = Reopen();
    ASSERT_TRUE(file.ok());
    ExpectError(ReadAll(*file.value(), a_).status(), Status::Kind::kCorrupt,
                "mini stream claims 2147483647 bytes");
    EXPECT_TRUE(ReadAll(*file.value(), b_).ok());  // not in the mini stream
}

TEST_F(DamagedFileTest, MiniStreamPointingPastItsEndIsReported) {
    // Root's mini stream shrinks to one mini sector; a's second is outside.
    PutU32(EntryOffset(0) + kSizeField, 64);
    auto file = Reopen();
    ASSERT_TRUE(file.ok());
    ExpectError(ReadAll(*file.value(), a_).status(), Status::Kind::kCorrupt,
                "mini stream holds 64");
}

TEST_F(DamagedFileTest, LoopInTheDirectoryChainIsReported) {
    // The directory's second sector leads back to its first.
    PutU32(FatSlotOffset(header_.first_directory_sector + 1), header_.first_directory_sector);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    ExpectError(file.status(), Status::Kind::kCorrupt, "directory: sector chain loops back");
}

TEST_F(DamagedFileTest, LoopInTheMiniFatChainIsReported) {
    PutU32(FatSlotOffset(header_.first_mini_fat_sector), header_.first_mini_fat_sector);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    ExpectError(file.status(), Status::Kind::kCorrupt, "mini FAT: sector chain loops back");
}

TEST_F(DamagedFileTest, LoopInAMiniStreamChainIsReportedWhenRead) {
    // a's first mini sector leads back to itself.
    const uint32_t first = LoadU32(bytes_.data() + EntryOffset(a_) + 116);
    PutU32((header_.first_mini_fat_sector + 1) * 512 + first * 4, first);
    auto file = Reopen();
    ASSERT_TRUE(file.ok());
    ExpectError(ReadAll(*file.value(), a_).status(), Status::Kind::kCorrupt,
                "stream 'a': sector chain loops back");
}

// A file just past 109 FAT sectors, so the header's DIFAT slots are full and
// one DIFAT sector lists the rest. Written once for the suite.
class DamagedDifatTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<testing_support::TempDir>();
        CompoundWriter w;
        ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"big", PatternBytes(7200000, 1)).ok());
        ASSERT_TRUE(w.WriteFile(dir_->str() + "/difat.msi").ok());
        original_ = test::ReadBytes(dir_->str() + "/difat.msi");
    }
    static void TearDownTestSuite() { dir_.reset(); }
    void SetUp() override {
        bytes_ = original_;
        auto header = CfbHeader::Decode(bytes_);
        ASSERT_TRUE(header.ok());
        header_ = header.value();
        ASSERT_EQ(header_.difat_sector_count, 1u);
        difat_offset_ = (size_t(header_.first_difat_sector) + 1) * 512;
    }
    Result<std::unique_ptr<CompoundFile>> Reopen() {
        const std::string path = dir_->str() + "/damaged.msi";
        test::WriteBytes(path, bytes_);
        return CompoundFile::Open(path);
    }

    static std::unique_ptr<testing_support::TempDir> dir_;
    static std::vector<uint8_t> original_;
    std::vector<uint8_t> bytes_;
    CfbHeader header_;
    size_t difat_offset_ = 0;
};

std::unique_ptr<testing_support::TempDir> DamagedDifatTest::dir_;
std::vector<uint8_t> DamagedDifatTest::original_;

TEST_F(DamagedDifatTest, UndamagedFileOpens) {
    auto file = Reopen();
    ASSERT_TRUE(file.ok()) << file.status().ToString();
}

TEST_F(DamagedDifatTest, DifatChainEndingTooEarlyIsReported) {
    // Claim more FAT sectors than one DIFAT sector can list.
    StoreU32(bytes_.data() + kFatCountField, 109 + 127 + 1);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    EXPECT_NE(file.status().message().find("DIFAT chain ends after listing 236 of 237"),
              std::string::npos)
        << file.status().ToString();
}

TEST_F(DamagedDifatTest, DifatChainLoopIsReported) {
    StoreU32(bytes_.data() + kFatCountField, 109 + 127 + 1);
    StoreU32(bytes_.data() + difat_offset_ + 127 * 4, header_.first_difat_sector);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    EXPECT_NE(file.status().message().find("DIFAT chain loops back"), std::string::npos)
        << file.status().ToString();
}

TEST_F(DamagedDifatTest, FreeSlotWhereAFatSectorShouldBeIsReported) {
    StoreU32(bytes_.data() + difat_offset_, kFreeSector);
    auto file = Reopen();
    ASSERT_FALSE(file.ok());
    EXPECT_NE(file.status().message().find("FAT sector 109 is listed as sector 4294967295"),
              std::string::npos)
        << file.status().ToString();
}

TEST(CompoundFileTest, RangesOfStreamsReadLikeSlicesOfTheWhole) {
    testing_support::TempDir dir;
    CompoundWriter w;
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"mini", PatternBytes(3000, 1)).ok());
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"big", PatternBytes(70000, 2)).ok());
    const std::string path = dir.str() + "/ranges.msi";
    ASSERT_TRUE(w.WriteFile(path).ok());
    auto file = CompoundFile::Open(path);
    ASSERT_TRUE(file.ok());
    for (const char16_t* name : {u"mini", u"big"}) {
        auto reader = file.value()->OpenStream(*file.value()->Find(CompoundFile::kRootId, name));
        ASSERT_TRUE(reader.ok());
        const auto whole = reader->ReadAll().value();
        for (uint64_t offset : {0ul, 1ul, 63ul, 64ul, 511ul, 512ul, 1000ul, 2999ul}) {
            for (size_t length : {0ul, 1ul, 65ul, 600ul}) {
                if (offset + length > whole.size()) continue;
                std::vector<uint8_t> part(length);
                ASSERT_TRUE(reader->Read(offset, part).ok());
                EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + long(offset)));
            }
        }
        std::vector<uint8_t> past(2);
        EXPECT_EQ(reader->Read(whole.size() - 1, past).kind(), Status::Kind::kInvalidArgument);
    }
}

TEST(CompoundFileTest, ForeignAndMissingFilesAreRefused) {
    testing_support::TempDir dir;
    const std::string text = dir.str() + "/text.msi";
    test::WriteBytes(text, std::vector<uint8_t>(2000, 'x'));
    auto file = CompoundFile::Open(text);
    ASSERT_FALSE(file.ok());
    EXPECT_NE(file.status().message().find("bad signature"), std::string::npos);
    auto missing = CompoundFile::Open(dir.str() + "/absent.msi");
    EXPECT_EQ(missing.status().kind(), Status::Kind::kNotFound);
    auto empty = CompoundFile::Open(dir.str());
    EXPECT_FALSE(empty.ok());
}

TEST(CompoundFileTest, OpeningAStorageAsAStreamIsRefused) {
    testing_support::TempDir dir;
    CompoundWriter w;
    ASSERT_TRUE(w.AddStorage(CompoundWriter::kRoot, u"S").ok());
    ASSERT_TRUE(w.WriteFile(dir.str() + "/s.msi").ok());
    auto file = CompoundFile::Open(dir.str() + "/s.msi");
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(file.value()->OpenStream(1).status().kind(), Status::Kind::kInvalidArgument);
    EXPECT_EQ(file.value()->OpenStream(99).status().kind(), Status::Kind::kInvalidArgument);
}

}  // namespace
}  // namespace msi::storage
