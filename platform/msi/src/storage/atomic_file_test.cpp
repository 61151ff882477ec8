#include "storage/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "test_support.h"

namespace msi::storage {
namespace {

using Durability = AtomicFile::Durability;

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Both kinds of durability promise the same to readers of the folder; only
// what survives a power cut differs, which a test cannot provoke.
class AtomicFileTest : public ::testing::TestWithParam<Durability> {
  protected:
    testing_support::TempDir dir_;
};

TEST_P(AtomicFileTest, CommitReplacesTheTargetAndLeavesNoTemporaryFile) {
    const auto target = dir_.path() / "table.idt";
    WriteAll(target, "old content");
    auto file = AtomicFile::Create(target.string(), GetParam());
    ASSERT_TRUE(file.ok()) << file.status().ToString();
    ASSERT_TRUE((*file)->Append(Bytes("new ")).ok());
    ASSERT_TRUE((*file)->AppendZeros(2).ok());
    // Nothing reaches the target before the commit.
    EXPECT_EQ(ReadAll(target), "old content");
    ASSERT_TRUE((*file)->Commit().ok());
    EXPECT_EQ(ReadAll(target), std::string("new \0\0", 6));
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"table.idt"});
}

TEST_P(AtomicFileTest, AbandonedFileLeavesTheTargetAsItWas) {
    const auto target = dir_.path() / "table.idt";
    WriteAll(target, "old content");
    {
        auto file = AtomicFile::Create(target.string(), GetParam());
        ASSERT_TRUE(file.ok());
        ASSERT_TRUE((*file)->Append(Bytes("half of the new")).ok());
    }
    EXPECT_EQ(ReadAll(target), "old content");
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"table.idt"});
}

TEST_P(AtomicFileTest, NewFileKeepsTheModeOfTheFileItReplaces) {
    const auto target = dir_.path() / "package.msi";
    WriteAll(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    auto file = AtomicFile::Create(target.string(), GetParam());
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE((*file)->Append(Bytes("new")).ok());
    ASSERT_TRUE((*file)->Commit().ok());
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_P(AtomicFileTest, SecondCommitIsRefused) {
    auto file = AtomicFile::Create((dir_.path() / "once").string(), GetParam());
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE((*file)->Commit().ok());
    EXPECT_EQ((*file)->Commit().kind(), Status::Kind::kInvalidArgument);
    EXPECT_EQ((*file)->Append(Bytes("late")).kind(), Status::Kind::kInvalidArgument);
    EXPECT_EQ(ReadAll(dir_.path() / "once"), "");
}

TEST(AtomicFile, MissingFolderFailsAtCreate) {
    testing_support::TempDir dir;
    for (Durability durability : {Durability::kSynced, Durability::kReplaceOnly}) {
        auto file = AtomicFile::Create((dir.path() / "no-such" / "file").string(), durability);
        EXPECT_FALSE(file.ok());
    }
    EXPECT_TRUE(dir.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Durabilities, AtomicFileTest,
                         ::testing::Values(Durability::kSynced, Durability::kReplaceOnly),
                         [](const ::testing::TestParamInfo<Durability>& info) {
                             return info.param == Durability::kSynced ? "Synced" : "ReplaceOnly";
                         });

}  // namespace
}  // namespace msi::storage
