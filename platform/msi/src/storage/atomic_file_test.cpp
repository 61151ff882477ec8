#include "storage/atomic_file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <fstream>
#include <iterator>
#include <string>

#include "random_bytes.h"
#include "file_system_refusals.h"
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
    ASSERT_TRUE((*file)->AppendZeros(4097).ok());  // more than one block of zeros
    // Nothing reaches the target before the commit.
    EXPECT_EQ(ReadAll(target), "old content");
    ASSERT_TRUE((*file)->Commit().ok());
    EXPECT_EQ(ReadAll(target), "new " + std::string(4097, '\0'));
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

// The mode of a file it replaces; else, and for a link at the target, what
// open(0666) gives under the umask. A link is replaced, never written through.
TEST_P(AtomicFileTest, NewFileKeepsTheModeOfTheFileItReplacesElseFollowsTheUmask) {
    const auto elsewhere = dir_.path() / "elsewhere";
    WriteAll(elsewhere, "not ours");
    ASSERT_EQ(::chmod(elsewhere.c_str(), 0604), 0);
    struct Case {
        const char* what;
        mode_t existing;  // 0: nothing at the target; 1: a link to `elsewhere`
        mode_t umask;
        mode_t made;
    };
    for (const Case& c : {Case{"a file", 0640, 0, 0640}, Case{"nothing", 0, 027, 0640},
                          Case{"nothing", 0, 077, 0600}, Case{"a link", 1, 027, 0640}}) {
        const auto target = dir_.path() / "package.msi";
        std::filesystem::remove(target);
        if (c.existing == 1) {
            std::filesystem::create_symlink(elsewhere, target);
        } else if (c.existing != 0) {
            WriteAll(target, "old");
            ASSERT_EQ(::chmod(target.c_str(), c.existing), 0);
        }
        const mode_t old_mask = ::umask(c.umask);
        auto file = AtomicFile::Create(target.string(), GetParam());
        ::umask(old_mask);
        ASSERT_TRUE(file.ok()) << c.what;
        ASSERT_TRUE((*file)->Append(Bytes("new")).ok());
        ASSERT_TRUE((*file)->Commit().ok());
        struct stat st {};
        ASSERT_EQ(::lstat(target.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << c.what;
        EXPECT_EQ(st.st_mode & 07777, c.made) << c.what << " under umask " << c.umask;
    }
    struct stat st {};
    ASSERT_EQ(::stat(elsewhere.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(ReadAll(elsewhere), "not ours");

    // Until it is given its mode the new file is its owner's alone, which
    // a file system that keeps no modes shows, even under an empty umask.
    const auto target = dir_.path() / "private.msi";
    const mode_t old_mask = ::umask(0);
    {
        testing_support::RefusedModeChanges refused;
        auto file = AtomicFile::Create(target.string(), GetParam());
        ASSERT_TRUE(file.ok());
        ASSERT_TRUE((*file)->Commit().ok());
    }
    ::umask(old_mask);
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// A name taken by someone else's file or link (the test chooses the random
// letters) is never opened: the next name is tried, and after a hundred
// taken names the writer gives up rather than use one.
TEST_P(AtomicFileTest, TakenTemporaryNamesAreNeverOpened) {
    const auto target = dir_.path() / "t.idt";
    const auto taken =
        dir_.path() / "t.idt.tmp-AAAAAA";  // byte 62: 62 letters, it wraps to the first
    for (const bool link : {false, true}) {
        std::filesystem::remove(taken);
        std::filesystem::remove(target);
        if (link)
            std::filesystem::create_symlink(dir_.path() / "victim", taken);
        else
            WriteAll(taken, "someone's");
        {
            testing_support::FixedRandomBytes random({62, 1});
            auto file = AtomicFile::Create(target.string(), GetParam());
            ASSERT_TRUE(file.ok());
            EXPECT_EQ(random.calls(), 2);
            ASSERT_TRUE((*file)->Append(Bytes("new")).ok());
            ASSERT_TRUE((*file)->Commit().ok());
        }
        EXPECT_EQ(ReadAll(target), "new");
        EXPECT_EQ(link ? std::filesystem::read_symlink(taken).string() : ReadAll(taken),
                  link ? (dir_.path() / "victim").string() : "someone's");
        EXPECT_FALSE(std::filesystem::exists(dir_.path() / "victim"));
        EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"t.idt", "t.idt.tmp-AAAAAA"}));
    }
    testing_support::FixedRandomBytes random({62});
    EXPECT_FALSE(AtomicFile::Create(target.string(), GetParam()).ok());
    EXPECT_EQ(random.calls(), 100);
    EXPECT_EQ(std::filesystem::read_symlink(taken), dir_.path() / "victim");
}

// Once committed the writer takes nothing more, and its temporary name is
// anyone's again: a file someone makes under it is left alone.
TEST_P(AtomicFileTest, SecondCommitIsRefused) {
    {
        testing_support::FixedRandomBytes letter_b({1});
        auto file = AtomicFile::Create((dir_.path() / "once").string(), GetParam());
        ASSERT_TRUE(file.ok());
        ASSERT_TRUE((*file)->Commit().ok());
        EXPECT_EQ((*file)->Commit().kind(), Status::Kind::kInvalidArgument);
        EXPECT_EQ((*file)->Append(Bytes("late")).kind(), Status::Kind::kInvalidArgument);
        EXPECT_EQ((*file)->AppendZeros(1).kind(), Status::Kind::kInvalidArgument);
        WriteAll(dir_.path() / "once.tmp-BBBBBB", "someone's");
    }
    EXPECT_EQ(ReadAll(dir_.path() / "once"), "");
    EXPECT_EQ(ReadAll(dir_.path() / "once.tmp-BBBBBB"), "someone's");
}

// Descriptor 0 (a program started without standard input) is a descriptor
// like any other: the file written there, under the name tried after a
// taken one, is committed, and closed when done or abandoned; a write the
// file system refuses, or a sync, is told.
TEST_P(AtomicFileTest, DescriptorZeroIsADescriptorAndAFailedWriteOrSyncIsTold) {
    const auto target = dir_.path() / "t.idt";
    WriteAll(dir_.path() / "t.idt.tmp-AAAAAA", "someone's");
    const int input = ::dup(0);
    ::close(0);
    bool committed = false;
    {
        testing_support::FixedRandomBytes random({62, 1});
        auto file = AtomicFile::Create(target.string(), GetParam());
        committed = file.ok() && (*file)->Append(Bytes("new")).ok() && (*file)->Commit().ok();
    }
    const bool open_after_commit = ::fcntl(0, F_GETFD) != -1;
    { auto abandoned = AtomicFile::Create((dir_.path() / "u.idt").string(), GetParam()); }
    const bool open_after_abandon = ::fcntl(0, F_GETFD) != -1;
    ::dup2(input, 0);
    ::close(input);
    EXPECT_TRUE(committed);
    EXPECT_FALSE(open_after_commit);
    EXPECT_FALSE(open_after_abandon);
    EXPECT_EQ(ReadAll(target), "new");

    auto file = AtomicFile::Create(target.string(), GetParam());
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE((*file)->Append(Bytes("longer")).ok());
    struct rlimit old_limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old_limit;
    limit.rlim_cur = 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const Status status = (*file)->Commit();
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    ::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(status.kind(), Status::Kind::kIo);
    EXPECT_EQ(ReadAll(target), "new");

    // A sync the device fails is told where the data was to be synced, and
    // the target keeps what it had.
    auto synced = AtomicFile::Create(target.string(), GetParam());
    ASSERT_TRUE(synced.ok());
    ASSERT_TRUE((*synced)->Append(Bytes("synced")).ok());
    testing_support::FailedSyncs failing;
    const bool replace_only = GetParam() == Durability::kReplaceOnly;
    EXPECT_EQ((*synced)->Commit().ok(), replace_only);
    EXPECT_EQ(ReadAll(target), replace_only ? "synced" : "new");
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
