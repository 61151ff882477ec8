// Reading and copying the real third-party files in shared/fixtures (see its
// MANIFEST.md for the sizes expected here). Skipped when they are absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "storage/compound_file.h"
#include "storage/compound_writer.h"
#include "storage/storage_test_util.h"
#include "storage/stream_reader.h"
#include "test_support.h"

namespace msi::storage {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<CompoundFile> OpenOrFail(const fs::path& path) {
    auto file = CompoundFile::Open(path.string());
    EXPECT_TRUE(file.ok()) << path << ": " << file.status().ToString();
    return file.ok() ? std::move(file).value() : nullptr;
}

// Every stream below `storage` (depth first), as entry ids.
void CollectStreams(const CompoundFile& f, EntryId storage, std::vector<EntryId>& out) {
    for (EntryId id : f.Children(storage)) {
        if (f.entry(id).is_storage()) {
            CollectStreams(f, id, out);
        } else {
            out.push_back(id);
        }
    }
}

std::optional<EntryId> StreamOfSize(const CompoundFile& f, uint64_t size) {
    std::vector<EntryId> streams;
    CollectStreams(f, CompoundFile::kRootId, streams);
    for (EntryId id : streams) {
        if (f.entry(id).size == size) return id;
    }
    return std::nullopt;
}

std::vector<uint8_t> ReadWhole(const CompoundFile& f, EntryId id) {
    auto reader = f.OpenStream(id);
    EXPECT_TRUE(reader.ok()) << reader.status().ToString();
    if (!reader.ok()) return {};
    auto bytes = reader->ReadAll();
    EXPECT_TRUE(bytes.ok()) << bytes.status().ToString();
    return bytes.ok() ? bytes.value() : std::vector<uint8_t>{};
}

bool StartsWithCabinetSignature(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 4 && bytes[0] == 'M' && bytes[1] == 'S' && bytes[2] == 'C' &&
           bytes[3] == 'F';
}

// Compares two storages recursively: names, kinds, CLSIDs, state bits, times
// of storages, and every stream byte for byte.
void ExpectSameTree(const CompoundFile& a, EntryId sa, const CompoundFile& b, EntryId sb) {
    const auto& ka = a.Children(sa);
    const auto& kb = b.Children(sb);
    ASSERT_EQ(ka.size(), kb.size());
    for (EntryId ida : ka) {
        const DirectoryEntry& ea = a.entry(ida);
        auto idb = b.Find(sb, ea.name);
        ASSERT_TRUE(idb.has_value());
        const DirectoryEntry& eb = b.entry(*idb);
        ASSERT_EQ(ea.type, eb.type);
        EXPECT_EQ(ea.size, eb.size);
        if (ea.is_storage()) {
            EXPECT_EQ(ea.clsid, eb.clsid);
            EXPECT_EQ(ea.state_bits, eb.state_bits);
            EXPECT_EQ(ea.creation_time, eb.creation_time);
            EXPECT_EQ(ea.modified_time, eb.modified_time);
            ExpectSameTree(a, ida, b, *idb);
        } else {
            EXPECT_TRUE(ReadWhole(a, ida) == ReadWhole(b, *idb));
        }
    }
}

TEST(FixtureReading, EveryRealAndGeneratedFileReadsEveryStream) {
    VSB_REQUIRE_FIXTURES(files, ".msi", ".mst", ".msp");
    EXPECT_GE(files.size(), 35u);
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        auto file = OpenOrFail(path);
        if (!file) continue;
        EXPECT_GT(test::ReadEveryStream(*file, CompoundFile::kRootId), 0u);
    }
}

TEST(FixtureReading, PuttyCabinetStreamReadsWhole) {
    VSB_REQUIRE_FIXTURE(path, "real/lessmsi/putty-0.68-installer.msi");
    auto file = OpenOrFail(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->sector_size(), 512u);
    EXPECT_EQ(file->root_clsid(), kPackageClsid);
    auto cab = StreamOfSize(*file, 1901866);
    ASSERT_TRUE(cab.has_value());
    const auto bytes = ReadWhole(*file, *cab);
    EXPECT_EQ(bytes.size(), 1901866u);
    EXPECT_TRUE(StartsWithCabinetSignature(bytes));
    // The two streams that decode to the same name are both there.
    EXPECT_TRUE(file->Find(CompoundFile::kRootId, u"\x0005SummaryInformation").has_value());
}

TEST(FixtureReading, VersionFourFileWithFourKilobyteSectors) {
    VSB_REQUIRE_FIXTURE(path, "real/lessmsi/IviNetSharedComponents32_Fx20_1.3.0.msi");
    auto file = OpenOrFail(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->major_version(), 4);
    EXPECT_EQ(file->sector_size(), 4096u);
    auto cab = StreamOfSize(*file, 382946);
    ASSERT_TRUE(cab.has_value());
    EXPECT_TRUE(StartsWithCabinetSignature(ReadWhole(*file, *cab)));
}

TEST(FixtureReading, TransformsInsideAPackageAreStoragesWithTheTransformClsid) {
    VSB_REQUIRE_FIXTURE(path, "real/wix3/SimpleInstanceTransform.msi");
    auto file = OpenOrFail(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->root_clsid(), kPackageClsid);
    for (const char16_t* name : {u"Instance1", u"Instance2", u"Instance3"}) {
        auto id = file->Find(CompoundFile::kRootId, name);
        ASSERT_TRUE(id.has_value());
        EXPECT_EQ(file->entry(*id).type, EntryType::kStorage);
        EXPECT_EQ(file->entry(*id).clsid, kTransformClsid);
        EXPECT_FALSE(file->Children(*id).empty());
    }
}

TEST(FixtureReading, PatchHoldsItsTransformStorages) {
    VSB_REQUIRE_FIXTURE(path, "real/wix3/gdr1.msp");
    auto file = OpenOrFail(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->root_clsid(), kPatchClsid);
    for (const char16_t* name : {u"#rtm.2", u"rtm.2", u"#rtmldr.1", u"rtmldr.1"}) {
        auto id = file->Find(CompoundFile::kRootId, name);
        ASSERT_TRUE(id.has_value());
        EXPECT_EQ(file->entry(*id).clsid, kTransformClsid);
    }
}

TEST(FixtureReading, TruncatedPackageReadsEveryStreamButTheCutCabinet) {
    VSB_REQUIRE_FIXTURE(path, "malformed/VBRuntime-truncated.msi");
    auto file = OpenOrFail(path);
    ASSERT_TRUE(file);
    std::vector<EntryId> streams;
    CollectStreams(*file, CompoundFile::kRootId, streams);
    size_t failed = 0;
    for (EntryId id : streams) {
        auto reader = file->OpenStream(id);
        ASSERT_TRUE(reader.ok());
        auto bytes = reader->ReadAll();
        if (file->entry(id).size == 443299) {
            ASSERT_FALSE(bytes.ok());
            EXPECT_EQ(bytes.status().kind(), Status::Kind::kCorrupt);
            EXPECT_NE(bytes.status().message().find("truncated"), std::string::npos)
                << bytes.status().message();
            // What the file still holds of it reads.
            std::vector<uint8_t> head(400000);
            EXPECT_TRUE(reader->Read(0, head).ok());
            EXPECT_TRUE(StartsWithCabinetSignature(head));
            ++failed;
        } else {
            EXPECT_TRUE(bytes.ok()) << bytes.status().ToString();
        }
    }
    EXPECT_EQ(failed, 1u);
    EXPECT_TRUE(StreamOfSize(*file, 1457664).has_value());  // Disk1.CAB
}

TEST(FixtureReading, TextFileWithACompoundSignatureIsRefused) {
    VSB_REQUIRE_FIXTURE(path, "malformed/wix3-MultipleFragments-expected.msi");
    auto file = CompoundFile::Open(path.string());
    ASSERT_FALSE(file.ok());
    EXPECT_NE(file.status().kind(), Status::Kind::kOk);
    EXPECT_FALSE(file.status().message().empty());
}

TEST(FixtureCopying, EveryFileCopiedThroughTheWriterGivesTheSameTree) {
    VSB_REQUIRE_FIXTURES(files, ".msi", ".mst", ".msp");
    testing_support::TempDir dir;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        auto original = OpenOrFail(path);
        if (!original) continue;
        CompoundWriter w;
        w.SetRootInfo(StorageInfo::Of(original->entry(CompoundFile::kRootId)));
        ASSERT_TRUE(w.CopyChildren(CompoundWriter::kRoot, *original, CompoundFile::kRootId).ok());
        const std::string copy_path = dir.str() + "/copy";
        Status s = w.WriteFile(copy_path);
        ASSERT_TRUE(s.ok()) << s.ToString();
        auto copy = OpenOrFail(copy_path);
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->root_clsid(), original->root_clsid());
        ExpectSameTree(*original, CompoundFile::kRootId, *copy, CompoundFile::kRootId);
        EXPECT_EQ(test::CheckSiblingTree(*copy, CompoundFile::kRootId), "");
    }
}

TEST(FixtureCopying, StorageCopiedFromAPatchKeepsItsStreams) {
    VSB_REQUIRE_FIXTURE(path, "real/wix3/gdr1.msp");
    auto original = OpenOrFail(path);
    ASSERT_TRUE(original);
    const EntryId rtm = *original->Find(CompoundFile::kRootId, u"#rtm.2");
    CompoundWriter w;
    w.SetRootInfo({.clsid = kPackageClsid});
    ASSERT_TRUE(w.CopyStorage(CompoundWriter::kRoot, *original, rtm).ok());
    testing_support::TempDir dir;
    ASSERT_TRUE(w.WriteFile(dir.str() + "/one.msi").ok());
    auto copy = OpenOrFail(dir.str() + "/one.msi");
    ASSERT_TRUE(copy);
    auto copied = copy->Find(CompoundFile::kRootId, u"#rtm.2");
    ASSERT_TRUE(copied.has_value());
    EXPECT_EQ(copy->entry(*copied).clsid, kTransformClsid);
    ExpectSameTree(*original, rtm, *copy, *copied);
}

TEST(FixtureCopying, CopyOfATruncatedPackageFailsAndLeavesNoFile) {
    VSB_REQUIRE_FIXTURE(path, "malformed/VBRuntime-truncated.msi");
    auto original = OpenOrFail(path);
    ASSERT_TRUE(original);
    CompoundWriter w;
    ASSERT_TRUE(w.CopyChildren(CompoundWriter::kRoot, *original, CompoundFile::kRootId).ok());
    testing_support::TempDir dir;
    Status s = w.WriteFile(dir.str() + "/copy.msi");
    EXPECT_EQ(s.kind(), Status::Kind::kCorrupt);
    EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
}  // namespace msi::storage
