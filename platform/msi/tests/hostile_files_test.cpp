// Files that are not what the caller takes them for: a FIFO given as a
// package, a transform, a stream's file or an archive is refused at once
// (opening it for reading would wait for a writer for ever), and an archive
// that is a symbolic link is refused as a linked binary-cell file is, since
// either would make an import read outside the folder it was given. Each
// failure leaves its reason in msi::LastFailureText. An alarm fails the
// program instead of letting a wait hang the suite.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "interop_util.h"
#include "msi_engine.h"
#include "test_support.h"

namespace msi_interop {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

// Ends the test program if a call waits for longer than this.
class WaitGuard {
  public:
    WaitGuard() { ::alarm(60); }
    ~WaitGuard() { ::alarm(0); }
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(HostileFilesTest, FifoIsRefusedAtOnceWhereverAFileIsRead) {
    WaitGuard guard;
    TempDir dir;
    const std::string fifo = dir.str() + "/pipe.msi";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));

    Handle database;
    EXPECT_EQ(static_cast<UINT>(ERROR_OPEN_FAILED),
              MsiOpenDatabaseA(fifo.c_str(), MSIDBOPEN_READONLY, database.out()));
    EXPECT_TRUE(Contains(msi::LastFailureText(), "not a regular file")) << msi::LastFailureText();
    Handle summary;
    EXPECT_NE(0u, MsiGetSummaryInformationA(0, fifo.c_str(), 0, summary.out()));
    EXPECT_TRUE(Contains(msi::LastFailureText(), "not a regular file")) << msi::LastFailureText();

    const std::string package = dir.str() + "/real.msi";
    ASSERT_EQ(0u, MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_CREATE, database.out()));
    EXPECT_NE(0u, MsiDatabaseApplyTransformA(database.get(), fifo.c_str(), 0));
    EXPECT_TRUE(Contains(msi::LastFailureText(), "not a regular file")) << msi::LastFailureText();
    Handle record(MsiCreateRecord(1));
    EXPECT_NE(0u, MsiRecordSetStreamA(record.get(), 1, fifo.c_str()));

    ASSERT_EQ(0, ::mkfifo((dir.str() + "/T.idt").c_str(), 0600));
    EXPECT_NE(0u, MsiDatabaseImportA(database.get(), dir.str().c_str(), "T.idt"));
    EXPECT_EQ(dir.str() + "/T.idt is not a regular file", msi::LastFailureText());
}

TEST(HostileFilesTest, LinkedArchiveIsRefusedLikeALinkedCellFile) {
    TempDir dir;
    const fs::path outside = dir.path() / "outside";
    const fs::path folder = dir.path() / "folder";
    fs::create_directories(outside);
    fs::create_directories(folder / "Binary");
    testing_support::WriteFile(outside / "Binary.idt",
                               "Name\tData\r\ns72\tv0\r\nBinary\tName\r\nlogo\tlogo.ibd\r\n");
    testing_support::WriteFile(outside / "logo.ibd", "bytes");
    fs::create_symlink(outside / "Binary.idt", folder / "Binary.idt");
    fs::create_symlink(outside / "logo.ibd", folder / "Binary" / "logo.ibd");

    Handle database;
    ASSERT_EQ(0u,
              MsiOpenDatabaseA((dir.str() + "/p.msi").c_str(), MSIDBOPEN_CREATE, database.out()));
    EXPECT_NE(0u, MsiDatabaseImportA(database.get(), folder.c_str(), "Binary.idt"));
    EXPECT_EQ((folder / "Binary.idt").string() + " is a symbolic link", msi::LastFailureText());
    // The archive itself in place, its cell file still a link: refused too.
    fs::remove(folder / "Binary.idt");
    fs::copy_file(outside / "Binary.idt", folder / "Binary.idt");
    EXPECT_NE(0u, MsiDatabaseImportA(database.get(), folder.c_str(), "Binary.idt"));
    EXPECT_TRUE(Contains(msi::LastFailureText(), "logo.ibd is not a regular file"))
        << msi::LastFailureText();
    // With a real file it imports, and the text of the last failure is gone.
    fs::remove(folder / "Binary" / "logo.ibd");
    testing_support::WriteFile(folder / "Binary" / "logo.ibd", "bytes");
    EXPECT_EQ(0u, MsiDatabaseImportA(database.get(), folder.c_str(), "Binary.idt"));
    EXPECT_EQ("", msi::LastFailureText());
}

// An export replaces a link at a file's name; the file the link names is
// never written.
TEST(HostileFilesTest, ExportReplacesALinkAtTheFileNameAndLeavesItsTarget) {
    TempDir dir;
    const fs::path victim = dir.path() / "victim.txt";
    testing_support::WriteFile(victim, "precious");
    fs::create_directories(dir.path() / "out");
    fs::create_symlink(victim, dir.path() / "out" / "Property.idt");
    Handle database;
    ASSERT_EQ(0u,
              MsiOpenDatabaseA((dir.str() + "/p.msi").c_str(), MSIDBOPEN_CREATE, database.out()));
    Handle view;
    ASSERT_EQ(0u, MsiDatabaseOpenViewA(database.get(),
                                       "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, "
                                       "`Value` CHAR(0) PRIMARY KEY `Property`)",
                                       view.out()));
    ASSERT_EQ(0u, MsiViewExecute(view.get(), 0));
    EXPECT_EQ(0u, MsiDatabaseExportA(database.get(), "Property", (dir.str() + "/out").c_str(),
                                     "Property.idt"));
    EXPECT_EQ("precious", testing_support::ReadFile(victim));
    EXPECT_FALSE(fs::is_symlink(dir.path() / "out" / "Property.idt"));
    EXPECT_EQ(0u, testing_support::ReadFile(dir.path() / "out" / "Property.idt").find("Property"));
}

}  // namespace
}  // namespace msi_interop
