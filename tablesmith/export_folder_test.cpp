#include "export_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "generate_command.h"
#include "messages.h"
#include "random_bytes.h"
#include "file_system_refusals.h"
#include "test_support.h"

namespace tablesmith {
namespace {

TEST(ExportFolderTest, TitleDropsTheFolderAndOnlyTheLastExtension) {
    EXPECT_EQ("product", PackageTitle("/setup/product.msi"));
    EXPECT_EQ("my.pkg", PackageTitle("my.pkg.msi"));
    EXPECT_EQ("noext", PackageTitle("dir/noext"));
}

TEST(ExportFolderTest, FolderIsTheTemporaryFolderAndTheTitle) {
    testing_support::TempDir temp(true);
    EXPECT_EQ(temp.str() + "/product", ExportFolderOf("/setup/product.msi"));
    EXPECT_EQ(temp.str() + "/my.pkg", ExportFolderOf("/a/my.pkg.msi"));
    EXPECT_EQ("/tmp/product", FileInFolder("/tmp/", "product"));  // one slash between
}

TEST(ExportFolderTest, PackagesOfOneNameInDifferentFoldersShareOneFolder) {
    testing_support::TempDir temp(true);
    EXPECT_EQ(ExportFolderOf("/first/product.msi"), ExportFolderOf("/second/product.msi"));
}

TEST(ExportFolderTest, UnknownTemporaryFolderGivesNoFolder) {
    testing_support::TempDir temp(true);
    // Longer than the platform hands over: the temporary folder cannot be told.
    setenv("TMPDIR", ("/" + std::string(700, 'x')).c_str(), 1);
    EXPECT_EQ("", ExportFolderOf("/setup/product.msi"));
    EXPECT_EQ("", GeneratedPackagePath("/setup/product.msi"));
}

TEST(ExportFolderTest, NewPackageKeepsNameAndExtensionInTheExportFolder) {
    testing_support::TempDir temp(true);
    EXPECT_EQ(temp.str() + "/product/product.msi", GeneratedPackagePath("/setup/product.msi"));
    // A relative path's folders are dropped too, not recreated below the folder.
    EXPECT_EQ(temp.str() + "/x/x.msi", GeneratedPackagePath("sub/dir/x.msi"));
    // No dot is added to a name without one, nothing trimmed from a name.
    EXPECT_EQ(temp.str() + "/product/product", GeneratedPackagePath("/setup/product"));
    EXPECT_EQ(temp.str() + "/a /a .msi", GeneratedPackagePath("/setup/a .msi"));
}

TEST(ExportFolderTest, TitlesThatNameNoFolderOfTheirOwnGetASafeName) {
    EXPECT_EQ("product", ExportFolderName("product"));
    EXPECT_EQ("_", ExportFolderName(""));
    EXPECT_EQ("_.", ExportFolderName("."));
    EXPECT_EQ("_..", ExportFolderName(".."));
    EXPECT_EQ("...", ExportFolderName("..."));
    EXPECT_EQ("a_b", ExportFolderName("a\\b"));
    EXPECT_EQ(".._x", ExportFolderName("../x"));
    testing_support::TempDir temp(true);
    EXPECT_EQ(temp.str() + "/_..", ExportFolderOf("/setup/...msi"));
    EXPECT_EQ(temp.str() + "/_.", ExportFolderOf("..msi"));
    EXPECT_EQ(temp.str() + "/_", ExportFolderOf(".msi"));
    EXPECT_EQ(temp.str() + "/_..", GeneratedPackagePath("...msi").substr(0, temp.str().size() + 4));
}

TEST(ExportFolderTest, UnfinishedFilesAreToldByTheirEnding) {
    EXPECT_TRUE(IsUnfinishedFileName("data1.cab.tmp-a1B2c3"));
    EXPECT_TRUE(IsUnfinishedFileName("Property.tbl.tmp-XXXXXX"));
    EXPECT_FALSE(IsUnfinishedFileName(".tmp-a1B2c3"));
    EXPECT_FALSE(IsUnfinishedFileName("data1.cab.tmp-a1B2c"));
    EXPECT_FALSE(IsUnfinishedFileName("data1.cab"));
}

TEST(ExportFolderTest, MadeFolderFollowsAStricterUmask) {
    testing_support::TempDir temp;
    const std::string folder = temp.str() + "/made";
    const mode_t old_mask = ::umask(0027);
    bool created = false;
    EXPECT_EQ("", ExportFolder().Make(folder, &created));
    EXPECT_TRUE(created);
    ::umask(0277);
    EXPECT_EQ("", ExportFolder().Make(folder + "/strict"));
    ::umask(old_mask);
    struct stat st {};
    ASSERT_EQ(0, ::lstat(folder.c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    ASSERT_EQ(0, ::lstat((folder + "/strict").c_str(), &st));
    EXPECT_EQ(0500u, st.st_mode & 07777);
    // A second call finds the folder and makes nothing.
    EXPECT_EQ("", ExportFolder().Make(folder, &created));
    EXPECT_FALSE(created);
    EXPECT_EQ(
        FillMessage(kCantCreateFolder, {temp.str() + "/no/such", "No such file or directory"}),
        ExportFolder().Make(temp.str() + "/no/such"));
    EXPECT_EQ(kExportFirst, ExportFolder().Open(temp.str() + "/missing"));
}

// A link at the folder's path is told as what it is, a link to nothing too.
// A folder made inside another is private and never a link either.
TEST(ExportFolderTest, LinksAreNoFolderAndNestedFoldersArePrivate) {
    testing_support::TempDir temp;
    const std::string link = temp.str() + "/link";
    ASSERT_EQ(0, ::symlink((temp.str() + "/nothing").c_str(), link.c_str()));
    EXPECT_EQ(FillMessage(kFolderNotAFolder, {link}), ExportFolder().Open(link));
    EXPECT_EQ(FillMessage(kFolderNotAFolder, {link}), ExportFolder().Make(link));
    ExportFolder parent;
    ASSERT_EQ("", parent.Open(temp.str()));
    ASSERT_EQ(0, ::mkdir((temp.str() + "/elsewhere").c_str(), 0700));
    ASSERT_EQ(0, ::unlink(link.c_str()));
    ASSERT_EQ(0, ::symlink((temp.str() + "/elsewhere").c_str(), link.c_str()));
    EXPECT_EQ(FillMessage(kFolderNotAFolder, {link}), ExportFolder().MakeIn(parent, "link"));
    // Any other failure to open is told by its cause, though a folder is there.
    struct rlimit old_limit {};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_NOFILE, &old_limit));
    const int lowest_free = ::open("/", O_PATH | O_CLOEXEC);
    ASSERT_LE(0, ::close(lowest_free));
    struct rlimit limit = old_limit;
    limit.rlim_cur = static_cast<rlim_t>(lowest_free);
    ASSERT_EQ(0, ::setrlimit(RLIMIT_NOFILE, &limit));
    const std::string refused = ExportFolder().Open(temp.str());
    ::setrlimit(RLIMIT_NOFILE, &old_limit);
    EXPECT_EQ(FillMessage(kCantUseFolder, {temp.str(), std::strerror(EMFILE)}), refused);
    const mode_t old_mask = ::umask(022);
    const std::string made = ExportFolder().MakeIn(parent, "sub");
    ::umask(old_mask);
    EXPECT_EQ("", made);
    struct stat st {};
    ASSERT_TRUE(parent.Stat("sub", st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    EXPECT_EQ("", ExportFolder().MakeIn(parent, "sub"));  // found, not made again
}

// Files are reached through the folder only while it is open. Descriptor 0
// (a program started without standard input) is a descriptor like any
// other, for a folder, a folder made in one and a file written there; a
// file opened for reading is left blocking as files are.
TEST(ExportFolderTest, FilesAreReachedOnlyThroughAnOpenFolderWhateverItsDescriptor) {
    testing_support::TempDir temp;
    const std::string file = temp.str() + "/f.tbl";
    ExportFolder other;
    ASSERT_EQ("", other.Open(temp.str()));
    ASSERT_EQ(0, FolderFileWriter(other, "f.tbl").Commit());
    ExportFolder closed;
    struct stat st {};
    EXPECT_FALSE(closed.Stat(file, st));
    EXPECT_EQ(-1, closed.OpenForReading(file));
    EXPECT_EQ(EBADF, FolderFileWriter(closed, file).error());
    const int input = ::dup(0);
    ::close(0);
    {
        ExportFolder folder;
        EXPECT_EQ("", folder.Open(temp.str()));
        EXPECT_EQ(0, folder.fd());
        EXPECT_TRUE(folder.Stat("f.tbl", st));
        const int fd = folder.OpenForReading("f.tbl");
        EXPECT_LE(0, fd);
        EXPECT_EQ(0, ::fcntl(fd, F_GETFL) & O_NONBLOCK);
        ::close(fd);
    }
    {
        ExportFolder nested;
        EXPECT_EQ("", nested.MakeIn(other, "sub"));
        EXPECT_EQ(0, nested.fd());
    }
    EXPECT_EQ(0, ::unlinkat(other.fd(), "sub", AT_REMOVEDIR));
    EXPECT_EQ(std::vector<std::string>{"f.tbl"}, other.Names());  // listed through descriptor 0
    const int read_fd = other.OpenForReading("f.tbl");            // descriptor 0 again
    EXPECT_EQ(0, read_fd);
    EXPECT_EQ(0, ::fcntl(read_fd, F_GETFL) & O_NONBLOCK);
    ::close(read_fd);
    {
        FolderFileWriter writer(other, "g.tbl");  // its file opens as descriptor 0
        EXPECT_EQ(0, writer.Write("x", 1));
        EXPECT_EQ(0, writer.SetModified(1000000000));
        EXPECT_EQ(0, writer.Commit());
        // Once committed, nothing more is taken for done.
        EXPECT_EQ(EBADF, writer.Write("x", 1));
        EXPECT_EQ(EBADF, writer.SetModified(0));
        EXPECT_EQ(EBADF, writer.Commit());
    }
    { FolderFileWriter abandoned(other, "h.tbl"); }
    const bool left_open = ::fcntl(0, F_GETFD) != -1;
    ::dup2(input, 0);
    ::close(input);
    EXPECT_FALSE(left_open);
    ASSERT_TRUE(other.Stat("g.tbl", st));
    EXPECT_EQ(1000000000, st.st_mtime);
    EXPECT_TRUE(other.Remove("g.tbl"));
    EXPECT_EQ((std::vector<std::string>{"f.tbl"}), temp.Entries());
}

// A write the file system refuses (here: beyond the file size limit) is
// told, not taken for done.
TEST(ExportFolderTest, AFailedWriteIsTold) {
    testing_support::TempDir temp;
    ExportFolder folder;
    ASSERT_EQ("", folder.Open(temp.str()));
    FolderFileWriter writer(folder, "f.tbl");
    struct rlimit old_limit {};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &old_limit));
    const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old_limit;
    limit.rlim_cur = 2;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &limit));
    const int error = writer.Write("xyz", 3);
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    ::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(EFBIG, error);
}

// What a file written into the folder gets: the mode asked for less the
// umask, under its own name once committed, and only its owner's before; a
// name someone took for an unfinished file (the test chooses the random
// letters) is never opened, whether a file or a link is there, and after a
// hundred taken names the writer gives up.
TEST(ExportFolderTest, WrittenFilesFollowTheUmaskAndNeverOpenATakenName) {
    testing_support::TempDir temp;
    ExportFolder folder;
    ASSERT_EQ("", folder.Open(temp.str()));
    for (const auto& [asked, mask, made] : {std::tuple<mode_t, mode_t, mode_t>{0666, 022, 0644},
                                            {0666, 027, 0640},
                                            {0644, 0, 0644}}) {
        const mode_t old_mask = ::umask(mask);
        FolderFileWriter writer(folder, "f.tbl", asked);
        ::umask(old_mask);
        ASSERT_EQ(0, writer.Commit());
        struct stat st {};
        ASSERT_TRUE(folder.Stat("f.tbl", st));
        EXPECT_EQ(made, st.st_mode & 07777) << std::oct << asked << " under " << mask;
    }
    {
        // Until it is given its mode the file is its owner's alone, which a
        // file system that keeps no modes shows, even under an empty umask.
        const mode_t old_mask = ::umask(0);
        testing_support::RefusedModeChanges refused;
        FolderFileWriter writer(folder, "f.tbl", 0666);
        ::umask(old_mask);
        ASSERT_EQ(0, writer.Commit());
        struct stat st {};
        ASSERT_TRUE(folder.Stat("f.tbl", st));
        EXPECT_EQ(0600u, st.st_mode & 07777);
    }
    const std::string taken = "f.tbl.tmp-AAAAAA";  // byte 62: 62 letters, it wraps to the first
    for (const bool link : {false, true}) {
        folder.Remove(taken);
        if (link)
            ASSERT_EQ(0, ::symlink((temp.str() + "/victim").c_str(), folder.Show(taken).c_str()));
        else
            FolderFileWriter(folder, taken).Commit();
        testing_support::FixedRandomBytes random({62, 1});
        FolderFileWriter writer(folder, "f.tbl");
        EXPECT_EQ(2, random.calls());
        ASSERT_EQ(0, writer.Write("new", 3));
        ASSERT_EQ(0, writer.Commit());
        struct stat st {};
        ASSERT_TRUE(folder.Stat(taken, st));
        EXPECT_EQ(link, S_ISLNK(st.st_mode));
        EXPECT_FALSE(folder.Stat("victim", st));
        ASSERT_TRUE(folder.Stat("f.tbl", st));
        EXPECT_EQ(3, st.st_size);
    }
    testing_support::FixedRandomBytes random({62});
    FolderFileWriter writer(folder, "f.tbl");
    EXPECT_EQ(EEXIST, writer.error());
    EXPECT_EQ(EEXIST, writer.Commit());
    EXPECT_EQ(100, random.calls());
    EXPECT_EQ((std::vector<std::string>{"f.tbl", taken}), temp.Entries());
    // Once committed, the unfinished name is anyone's again: a file someone
    // makes under it is left alone when the writer goes.
    {
        testing_support::FixedRandomBytes letter_b({1});
        FolderFileWriter committed(folder, "g.tbl");
        ASSERT_EQ(0, committed.Commit());
        FolderFileWriter(folder, "g.tbl.tmp-BBBBBB").Commit();
    }
    struct stat st {};
    EXPECT_TRUE(folder.Stat("g.tbl.tmp-BBBBBB", st));
}

}  // namespace
}  // namespace tablesmith
