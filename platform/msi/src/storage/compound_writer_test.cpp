#include "storage/compound_writer.h"

#include <gtest/gtest.h>

#include "storage/cfb_header.h"
#include "storage/storage_test_util.h"
#include "storage/stream_reader.h"
#include "test_support.h"

namespace msi::storage {
namespace {

using test::PatternBytes;

std::unique_ptr<CompoundFile> WriteAndOpen(const CompoundWriter& w, const std::string& path) {
    Status s = w.WriteFile(path);
    EXPECT_TRUE(s.ok()) << s.ToString();
    auto file = CompoundFile::Open(path);
    EXPECT_TRUE(file.ok()) << file.status().ToString();
    return file.ok() ? std::move(file).value() : nullptr;
}

std::vector<uint8_t> ReadStream(const CompoundFile& file, EntryId storage,
                                const std::u16string& name) {
    auto id = file.Find(storage, name);
    EXPECT_TRUE(id.has_value());
    if (!id) return {};
    auto reader = file.OpenStream(*id);
    EXPECT_TRUE(reader.ok()) << reader.status().ToString();
    auto bytes = reader->ReadAll();
    EXPECT_TRUE(bytes.ok()) << bytes.status().ToString();
    return bytes.ok() ? bytes.value() : std::vector<uint8_t>{};
}

std::u16string Numbered(const char16_t* stem, int i) {
    std::u16string name = stem;
    for (char c : std::to_string(i)) name += char16_t(c);
    return name;
}

TEST(CompoundWriterRoundTrip, EmptyFileKeepsTheRootClsid) {
    testing_support::TempDir dir;
    CompoundWriter w;
    w.SetRootInfo({.clsid = kPackageClsid});
    auto file = WriteAndOpen(w, dir.str() + "/empty.msi");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->root_clsid(), kPackageClsid);
    EXPECT_TRUE(file->Children(CompoundFile::kRootId).empty());
    EXPECT_EQ(file->major_version(), 3);
    EXPECT_EQ(file->file_size(), 3u * 512);  // header, FAT, directory
}

TEST(CompoundWriterRoundTrip, ManySmallStreamsShareTheMiniStream) {
    testing_support::TempDir dir;
    CompoundWriter w;
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, Numbered(u"s", i),
                                PatternBytes(size_t(i * 13 % 4000), uint32_t(i)))
                        .ok());
    }
    auto file = WriteAndOpen(w, dir.str() + "/small.msi");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Children(CompoundFile::kRootId).size(), 300u);
    EXPECT_GT(file->entry(CompoundFile::kRootId).size, 0u);  // the mini stream
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(ReadStream(*file, CompoundFile::kRootId, Numbered(u"s", i)),
                  PatternBytes(size_t(i * 13 % 4000), uint32_t(i)))
            << i;
    }
    EXPECT_EQ(test::CheckSiblingTree(*file, CompoundFile::kRootId), "");
}

TEST(CompoundWriterRoundTrip, StreamsAroundTheMiniStreamCutoff) {
    testing_support::TempDir dir;
    const size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 10000};
    CompoundWriter w;
    for (size_t size : sizes) {
        ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, Numbered(u"len", int(size)),
                                PatternBytes(size, uint32_t(size)))
                        .ok());
    }
    auto file = WriteAndOpen(w, dir.str() + "/cutoff.msi");
    ASSERT_TRUE(file);
    for (size_t size : sizes) {
        const auto name = Numbered(u"len", int(size));
        EXPECT_EQ(ReadStream(*file, CompoundFile::kRootId, name),
                  PatternBytes(size, uint32_t(size)))
            << size;
        EXPECT_EQ(file->entry(*file->Find(CompoundFile::kRootId, name)).size, size);
    }
}

TEST(CompoundWriterRoundTrip, FileOfMoreThan109FatSectorsUsesTheDifat) {
    testing_support::TempDir dir;
    // 109 FAT sectors map 109 * 128 sectors of 512 bytes, about 6.8 MiB.
    const size_t big = 7800000;
    CompoundWriter w;
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"big", PatternBytes(big, 7)).ok());
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"small", PatternBytes(100, 8)).ok());
    const std::string path = dir.str() + "/difat.msi";
    auto file = WriteAndOpen(w, path);
    ASSERT_TRUE(file);

    const auto bytes = test::ReadBytes(path);
    auto header = CfbHeader::Decode(bytes);
    ASSERT_TRUE(header.ok());
    EXPECT_GT(header->fat_sector_count, 109u);
    EXPECT_EQ(header->difat_sector_count, 1u);
    EXPECT_NE(header->first_difat_sector, kEndOfChain);

    EXPECT_EQ(ReadStream(*file, CompoundFile::kRootId, u"big"), PatternBytes(big, 7));
    EXPECT_EQ(ReadStream(*file, CompoundFile::kRootId, u"small"), PatternBytes(100, 8));
}

// Content computed from the position, so a 16 MB stream needs no buffer.
class PositionSource : public StreamSource {
  public:
    explicit PositionSource(uint64_t size) : size_(size) {}
    static uint8_t At(uint64_t position) { return uint8_t((position * 131) ^ (position >> 9)); }
    uint64_t size() const override { return size_; }
    Status Read(uint64_t offset, std::span<uint8_t> out) override {
        for (size_t i = 0; i < out.size(); ++i) out[i] = At(offset + i);
        return Status::Ok();
    }

  private:
    uint64_t size_;
};

TEST(CompoundWriterRoundTrip, FileOfMoreThan236FatSectorsChainsTwoDifatSectors) {
    testing_support::TempDir dir;
    // 109 header slots plus 127 in the first DIFAT sector map about 15.5 MB.
    const uint64_t big = 16 << 20;
    CompoundWriter w;
    ASSERT_TRUE(
        w.AddStream(CompoundWriter::kRoot, u"big", std::make_unique<PositionSource>(big)).ok());
    const std::string path = dir.str() + "/difat2.msi";
    auto file = WriteAndOpen(w, path);
    ASSERT_TRUE(file);
    auto header = CfbHeader::Decode(test::ReadBytes(path));
    ASSERT_TRUE(header.ok());
    EXPECT_EQ(header->difat_sector_count, 2u);

    auto reader = file->OpenStream(*file->Find(CompoundFile::kRootId, u"big"));
    ASSERT_TRUE(reader.ok());
    ASSERT_EQ(reader->size(), big);
    std::vector<uint8_t> piece(1 << 20);
    size_t mismatches = 0;
    for (uint64_t offset = 0; offset < big; offset += piece.size()) {
        ASSERT_TRUE(reader->Read(offset, piece).ok());
        for (size_t i = 0; i < piece.size(); ++i) {
            mismatches += piece[i] != PositionSource::At(offset + i);
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST(CompoundWriterRoundTrip, NestedStoragesKeepTheirClsidStateBitsAndTimes) {
    testing_support::TempDir dir;
    CompoundWriter w;
    w.SetRootInfo({.clsid = kPatchClsid});
    auto outer =
        w.AddStorage(CompoundWriter::kRoot, u"#rtm.2",
                     {kTransformClsid, 0x11223344, 0x01D0000000000001, 0x01D0000000000002});
    ASSERT_TRUE(outer.ok());
    auto inner = w.AddStorage(outer.value(), u"inner");
    ASSERT_TRUE(inner.ok());
    ASSERT_TRUE(w.AddStream(inner.value(), u"deep", PatternBytes(5000, 1)).ok());
    ASSERT_TRUE(w.AddStream(outer.value(), u"near", PatternBytes(50, 2)).ok());
    auto file = WriteAndOpen(w, dir.str() + "/nested.msp");
    ASSERT_TRUE(file);

    EXPECT_EQ(file->root_clsid(), kPatchClsid);
    auto outer_id = file->Find(CompoundFile::kRootId, u"#rtm.2");
    ASSERT_TRUE(outer_id);
    const DirectoryEntry& e = file->entry(*outer_id);
    EXPECT_EQ(e.type, EntryType::kStorage);
    EXPECT_EQ(e.clsid, kTransformClsid);
    EXPECT_EQ(e.state_bits, 0x11223344u);
    EXPECT_EQ(e.creation_time, 0x01D0000000000001u);
    EXPECT_EQ(e.modified_time, 0x01D0000000000002u);
    auto inner_id = file->Find(*outer_id, u"inner");
    ASSERT_TRUE(inner_id);
    EXPECT_EQ(ReadStream(*file, *inner_id, u"deep"), PatternBytes(5000, 1));
    EXPECT_EQ(ReadStream(*file, *outer_id, u"near"), PatternBytes(50, 2));
}

TEST(CompoundWriterTree, EveryStorageHoldsASortedValidRedBlackTree) {
    testing_support::TempDir dir;
    CompoundWriter w;
    auto sub = w.AddStorage(CompoundWriter::kRoot, u"Sub");
    ASSERT_TRUE(sub.ok());
    for (int i = 0; i < 137; ++i) {
        // Mixed lengths, cases and packed code units.
        std::u16string name = Numbered(i % 2 ? u"Name" : u"name_", i * 7919 % 1000);
        if (i % 5 == 0) name = std::u16string(1, char16_t(0x3800 + i)) + name;
        ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, name, {uint8_t(i)}).ok());
        if (i < 6) {
            ASSERT_TRUE(w.AddStream(sub.value(), name, std::vector<uint8_t>{}).ok());
        }
    }
    auto file = WriteAndOpen(w, dir.str() + "/tree.msi");
    ASSERT_TRUE(file);
    EXPECT_EQ(test::CheckSiblingTree(*file, CompoundFile::kRootId), "");
    EXPECT_EQ(test::CheckSiblingTree(*file, *file->Find(CompoundFile::kRootId, u"Sub")), "");
    EXPECT_EQ(file->Children(CompoundFile::kRootId).size(), 138u);
}

TEST(CompoundWriterTree, ValidatorCatchesAnUnsortedTree) {
    // Guards the validator itself: swap two names in the written directory.
    testing_support::TempDir dir;
    CompoundWriter w;
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"aa", std::vector<uint8_t>{}).ok());
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"bb", std::vector<uint8_t>{}).ok());
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"cc", std::vector<uint8_t>{}).ok());
    const std::string path = dir.str() + "/swap.msi";
    ASSERT_TRUE(w.WriteFile(path).ok());
    auto bytes = test::ReadBytes(path);
    // Directory at sector 1 (offset 1024): entries 1..3 are aa, bb, cc.
    std::swap(bytes[1024 + 128], bytes[1024 + 3 * 128]);
    test::WriteBytes(path, bytes);
    auto file = CompoundFile::Open(path);
    ASSERT_TRUE(file.ok());
    EXPECT_NE(test::CheckSiblingTree(*file.value(), CompoundFile::kRootId), "");
}

TEST(CompoundWriterNames, SiblingsThatCompareEqualAreRefused) {
    CompoundWriter w;
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"Binary", std::vector<uint8_t>{}).ok());
    Status s = w.AddStream(CompoundWriter::kRoot, u"BINARY", std::vector<uint8_t>{});
    EXPECT_EQ(s.kind(), Status::Kind::kExists);
    EXPECT_FALSE(w.AddStorage(CompoundWriter::kRoot, u"binary").ok());
    EXPECT_FALSE(w.AddStream(CompoundWriter::kRoot, u"a/b", std::vector<uint8_t>{}).ok());
    EXPECT_FALSE(
        w.AddStream(CompoundWriter::kRoot, std::u16string(32, u'x'), std::vector<uint8_t>{}).ok());
    EXPECT_FALSE(w.AddStream(1, u"child-of-a-stream", std::vector<uint8_t>{}).ok());
}

// A source that fails after giving some bytes, as a failing disk would.
class FailingSource : public StreamSource {
  public:
    uint64_t size() const override { return 3 << 20; }
    Status Read(uint64_t offset, std::span<uint8_t> out) override {
        if (offset > 0) return Status::Io("simulated read failure");
        std::fill(out.begin(), out.end(), 0x5A);
        return Status::Ok();
    }
};

TEST(CompoundWriterSafeWrite, FailureLeavesTheTargetAndNoTemporaryFile) {
    testing_support::TempDir dir;
    const std::string path = dir.str() + "/target.msi";
    test::WriteBytes(path, {1, 2, 3});
    CompoundWriter w;
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"bad", std::make_unique<FailingSource>()).ok());
    Status s = w.WriteFile(path);
    EXPECT_EQ(s.kind(), Status::Kind::kIo);
    EXPECT_EQ(test::ReadBytes(path), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"target.msi"});
}

TEST(CompoundWriterSafeWrite, SuccessReplacesTheTargetAndLeavesNothingElse) {
    testing_support::TempDir dir;
    const std::string path = dir.str() + "/target.msi";
    test::WriteBytes(path, {1, 2, 3});
    CompoundWriter w;
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"good", PatternBytes(10, 1)).ok());
    ASSERT_TRUE(w.WriteFile(path).ok());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"target.msi"});
    auto file = CompoundFile::Open(path);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(ReadStream(*file.value(), CompoundFile::kRootId, u"good"), PatternBytes(10, 1));
}

TEST(CompoundWriterSafeWrite, MissingFolderIsAnIoError) {
    testing_support::TempDir dir;
    CompoundWriter w;
    Status s = w.WriteFile(dir.str() + "/no/such/folder/x.msi");
    EXPECT_EQ(s.kind(), Status::Kind::kIo);
}

TEST(CompoundWriterCopy, SubStorageIsCopiedWholeWithItsClsid) {
    testing_support::TempDir dir;
    CompoundWriter original;
    original.SetRootInfo({.clsid = kPackageClsid});
    auto inst = original.AddStorage(CompoundWriter::kRoot, u"Instance1",
                                    {kTransformClsid, 5, 0x0123, 0x4567});
    ASSERT_TRUE(inst.ok());
    ASSERT_TRUE(original.AddStream(inst.value(), u"\x4840\x3F7F", PatternBytes(700, 1)).ok());
    ASSERT_TRUE(original.AddStream(inst.value(), u"payload", PatternBytes(9000, 2)).ok());
    ASSERT_TRUE(original.AddStream(CompoundWriter::kRoot, u"top", PatternBytes(20000, 3)).ok());
    auto source = WriteAndOpen(original, dir.str() + "/a.msi");
    ASSERT_TRUE(source);

    CompoundWriter copy;
    copy.SetRootInfo({.clsid = kTransformClsid});
    const EntryId inst_id = *source->Find(CompoundFile::kRootId, u"Instance1");
    ASSERT_TRUE(copy.CopyStorage(CompoundWriter::kRoot, *source, inst_id).ok());
    // A byte range of another stream, read in pieces when writing.
    auto top = source->OpenStream(*source->Find(CompoundFile::kRootId, u"top"));
    ASSERT_TRUE(top.ok());
    auto range = StreamRangeSource::Make(std::move(top).value(), 1000, 5000);
    ASSERT_TRUE(range.ok());
    ASSERT_TRUE(copy.AddStream(CompoundWriter::kRoot, u"part",
                               std::make_unique<StreamRangeSource>(std::move(range).value()))
                    .ok());
    auto copied = WriteAndOpen(copy, dir.str() + "/b.mst");
    ASSERT_TRUE(copied);

    EXPECT_EQ(copied->root_clsid(), kTransformClsid);
    auto copied_inst = copied->Find(CompoundFile::kRootId, u"Instance1");
    ASSERT_TRUE(copied_inst);
    const DirectoryEntry& e = copied->entry(*copied_inst);
    EXPECT_EQ(e.clsid, kTransformClsid);
    EXPECT_EQ(e.state_bits, 5u);
    EXPECT_EQ(e.creation_time, 0x0123u);
    EXPECT_EQ(e.modified_time, 0x4567u);
    EXPECT_EQ(ReadStream(*copied, *copied_inst, u"\x4840\x3F7F"), PatternBytes(700, 1));
    EXPECT_EQ(ReadStream(*copied, *copied_inst, u"payload"), PatternBytes(9000, 2));
    const auto whole = PatternBytes(20000, 3);
    EXPECT_EQ(ReadStream(*copied, CompoundFile::kRootId, u"part"),
              std::vector<uint8_t>(whole.begin() + 1000, whole.begin() + 6000));
}

TEST(CompoundWriterCopy, RangeOutsideTheStreamIsRefused) {
    testing_support::TempDir dir;
    CompoundWriter w;
    ASSERT_TRUE(w.AddStream(CompoundWriter::kRoot, u"s", PatternBytes(100, 1)).ok());
    auto file = WriteAndOpen(w, dir.str() + "/r.msi");
    ASSERT_TRUE(file);
    auto reader = file->OpenStream(*file->Find(CompoundFile::kRootId, u"s"));
    ASSERT_TRUE(reader.ok());
    EXPECT_FALSE(StreamRangeSource::Make(reader.value(), 50, 51).ok());
    EXPECT_TRUE(StreamRangeSource::Make(reader.value(), 50, 50).ok());
}

}  // namespace
}  // namespace msi::storage
