// A process killed (SIGKILL) while it commits a large change leaves the
// package whole: afterwards it opens and holds either all of the old content
// or all of the new, never a mix, whatever moment the kill came at. The
// change is prepared once in this process; each round forks a child that
// only commits it, and kills the child when the commit's temporary file has
// reached a given size (so the kills spread over the whole write), right
// after the fork, or shortly after the write is complete (the sync and the
// rename).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "interop_util.h"
#include "test_support.h"

namespace msi_interop {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

constexpr int kOldRows = 500;
constexpr int kNewRows = 3000;
constexpr size_t kCellBytes = 4 << 20;  // the binary cell the change adds

void Execute(MSIHANDLE database, const std::string& query, MSIHANDLE params = 0) {
    Handle view;
    ASSERT_EQ(0u, MsiDatabaseOpenViewA(database, query.c_str(), view.out())) << query;
    ASSERT_EQ(0u, MsiViewExecute(view.get(), params)) << query;
}

void InsertRows(MSIHANDLE database, const std::string& prefix, int count) {
    Handle view;
    ASSERT_EQ(0u, MsiDatabaseOpenViewA(database, "INSERT INTO `Big` (`K`, `V`) VALUES (?, ?)",
                                       view.out()));
    for (int i = 0; i < count; ++i) {
        Handle record(MsiCreateRecord(2));
        MsiRecordSetInteger(record.get(), 1, i);
        MsiRecordSetStringA(record.get(), 2, (prefix + std::to_string(i)).c_str());
        ASSERT_EQ(0u, MsiViewExecute(view.get(), record.get()));
    }
}

// What a package holds: "old" (kOldRows rows, no cell), "new" (kNewRows
// rows and the cell) or a description of the mix found.
std::string State(const std::string& path) {
    Handle database;
    if (MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, database.out()) != 0)
        return "does not open";
    const ApiTable rows = ReadTable(database.get(), "Big");
    const ApiTable cells = ReadTable(database.get(), "Binary");
    if (rows.status != 0 || cells.status != 0) return "tables do not read";
    const bool is_new = rows.rows.size() == size_t(kNewRows);
    const std::string prefix = is_new ? "new-" : "old-";
    for (size_t i = 0; i < rows.rows.size(); ++i)
        if (rows.rows[i][1].bytes != prefix + std::to_string(rows.rows[i][0].integer))
            return "row " + std::to_string(i) + " mixes old and new";
    if (!is_new) {
        if (rows.rows.size() != size_t(kOldRows)) return "a row count of neither";
        return cells.rows.empty() ? "old" : "old rows with the new cell";
    }
    if (cells.rows.size() != 1 || cells.rows[0][1].bytes.size() != kCellBytes ||
        cells.rows[0][1].bytes != std::string(kCellBytes, 'c'))
        return "new rows without the whole cell";
    return "new";
}

// The size of the commit's temporary file beside `package`, or -1 when
// there is none.
long long TemporarySize(const fs::path& folder, const std::string& name) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (entry.rfind(name + ".tmp-", 0) != 0) continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) == 0) return st.st_size;
    }
    return -1;
}

// Forks a child that commits the prepared change and ends; kills it when
// `should_kill` (asked in a tight loop) says so. True when it was killed.
template <class Predicate>
bool CommitInChild(MSIHANDLE database, Predicate should_kill) {
    const pid_t child = ::fork();
    if (child == 0) _exit(MsiDatabaseCommit(database) == 0 ? 0 : 3);
    bool killed = false;
    int status = 0;
    for (;;) {
        if (::waitpid(child, &status, WNOHANG) == child) break;
        if (should_kill()) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            killed = true;
            break;
        }
    }
    EXPECT_TRUE(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
    return killed;
}

TEST(CommitKillTest, KilledCommitLeavesTheOldOrTheNewPackageNeverAMix) {
    TempDir dir;
    const fs::path package = dir.path() / "big.msi";
    const fs::path pristine = dir.path() / "pristine.msi";
    {
        Handle database;
        ASSERT_EQ(0u, MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_CREATE, database.out()));
        Execute(database.get(),
                "CREATE TABLE `Big` (`K` LONG NOT NULL, `V` CHAR(255) PRIMARY KEY `K`)");
        Execute(
            database.get(),
            "CREATE TABLE `Binary` (`Name` CHAR(72) NOT NULL, `Data` OBJECT PRIMARY KEY `Name`)");
        InsertRows(database.get(), "old-", kOldRows);
        ASSERT_EQ(0u, MsiDatabaseCommit(database.get()));
    }
    fs::copy_file(package, pristine);
    ASSERT_EQ("old", State(package.string()));

    // The change: every row replaced by more rows, and a 4 MB cell added.
    Handle database;
    ASSERT_EQ(0u, MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_TRANSACT, database.out()));
    Execute(database.get(), "DELETE FROM `Big`");
    InsertRows(database.get(), "new-", kNewRows);
    const fs::path cell = dir.path() / "cell.bin";
    testing_support::WriteFile(cell, std::string(kCellBytes, 'c'));
    Handle record(MsiCreateRecord(2));
    MsiRecordSetStringA(record.get(), 1, "cell");
    ASSERT_EQ(0u, MsiRecordSetStreamA(record.get(), 2, cell.c_str()));
    Execute(database.get(), "INSERT INTO `Binary` (`Name`, `Data`) VALUES (?, ?)", record.get());

    // One whole commit first, for the size of the new file and the time a
    // commit takes.
    const auto whole_start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CommitInChild(database.get(), [] { return false; }));
    const auto whole_time = std::chrono::steady_clock::now() - whole_start;
    ASSERT_EQ("new", State(package.string()));
    const long long new_size = static_cast<long long>(fs::file_size(package));

    auto restore = [&] {
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path().filename().string().rfind("big.msi.tmp-", 0) == 0)
                fs::remove(entry.path());
        fs::copy_file(pristine, package, fs::copy_options::overwrite_existing);
    };
    int olds = 0;
    int news = 0;
    auto check = [&](const std::string& when) {
        const std::string state = State(package.string());
        EXPECT_TRUE(state == "old" || state == "new") << "killed " << when << ": " << state;
        (state == "old" ? olds : news) += 1;
    };

    // Kills spread over the write: at each twentieth of the new file's size.
    for (int step = 0; step <= 20; ++step) {
        restore();
        const long long at = new_size * step / 20;
        CommitInChild(database.get(),
                      [&] { return TemporarySize(dir.path(), "big.msi") >= std::max(at, 1LL); });
        check("with " + std::to_string(at) + " bytes written");
    }
    // Kills at tenths of a whole commit's time after the fork: before the
    // write, and around the sync and the rename that end it.
    for (int tenths = 0; tenths <= 12; ++tenths) {
        restore();
        const auto start = std::chrono::steady_clock::now();
        CommitInChild(database.get(), [&] {
            return std::chrono::steady_clock::now() - start >= whole_time * tenths / 10;
        });
        check(std::to_string(tenths) + " tenths of a commit's time after the start");
    }
    // A kill as soon as the temporary file is gone: after the rename, before
    // the folder is synced.
    restore();
    bool seen = false;
    CommitInChild(database.get(), [&] {
        const bool there = TemporarySize(dir.path(), "big.msi") >= 0;
        const bool gone = seen && !there;
        seen = seen || there;
        return gone;
    });
    check("right after the rename");
    // Each outcome was reached at least once, so the kills did land both
    // before and after the rename.
    EXPECT_GT(olds, 0);
    EXPECT_GT(news, 0);
}

}  // namespace
}  // namespace msi_interop
