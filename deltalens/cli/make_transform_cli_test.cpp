// deltalens-cli make-transform: the transform file and its summary
// information, the defaults, what an existing file and a failure leave, and
// (with the oracle) that Wine's installer applies it to OLD and gets NEW.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "cli_test_support.h"
#include "deltalens_test_support.h"
#include "make_transform_command.h"
#include "msiquery.h"
#include "sample_packages.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kOldCode = "{6F9D5C2E-3A41-4B8E-9C1D-2E7F8A0B4C11}";
constexpr const char* kNewCode = "{0D3C5B7A-1E2F-4A6B-8C9D-0E1F2A3B4C5D}";
constexpr const char* kUpgradeCode = "{F1E2D3C4-B5A6-4978-8695-A4B3C2D1E0F9}";

using CliRun = deltalens_test::ProcessResult;

CliRun Cli(const std::vector<std::string>& arguments) {
    return deltalens_test::RunCliInProcess(arguments);
}

// Sets the template (summary property 7) of a package.
UINT SetTemplate(const std::string& package, const std::string& template_text) {
    MSIHANDLE database = 0;
    UINT result = MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_TRANSACT, &database);
    MSIHANDLE summary = 0;
    if (result == ERROR_SUCCESS) result = MsiGetSummaryInformationA(database, nullptr, 2, &summary);
    if (result == ERROR_SUCCESS)
        result =
            MsiSummaryInfoSetPropertyA(summary, 7, VT_LPSTR, 0, nullptr, template_text.c_str());
    if (result == ERROR_SUCCESS)
        result = MsiSummaryInfoSetPropertyA(summary, 14, VT_I4, 200, nullptr, nullptr);
    if (result == ERROR_SUCCESS) result = MsiSummaryInfoPersist(summary);
    if (result == ERROR_SUCCESS) result = MsiDatabaseCommit(database);
    MsiCloseHandle(summary);
    MsiCloseHandle(database);
    return result;
}

// A summary property of a file as text ("" when it is empty or missing).
std::string SummaryText(const std::string& path, UINT property) {
    MSIHANDLE summary = 0;
    if (MsiGetSummaryInformationA(0, path.c_str(), 0, &summary) != ERROR_SUCCESS) return "?";
    UINT type = 0;
    INT number = 0;
    char text[512] = {};
    DWORD size = sizeof text;
    FILETIME time{};
    std::string value;
    if (MsiSummaryInfoGetPropertyA(summary, property, &type, &number, &time, text, &size) ==
        ERROR_SUCCESS) {
        if (type == VT_LPSTR) value = text;
        if (type == VT_I4 || type == VT_I2) value = std::to_string(number);
    }
    MsiCloseHandle(summary);
    return value;
}

class MakeTransformCliTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(deltalens::CreatePackage(old_, Statements(kOldCode)), ERROR_SUCCESS);
        ASSERT_EQ(SetTemplate(old_, "Intel;1033"), ERROR_SUCCESS);
        ASSERT_EQ(
            deltalens::MakeChangedCopy(
                old_, new_,
                {std::string("UPDATE `Property` SET `Value` = '") + kNewCode +
                     "' WHERE `Property` = 'ProductCode'",
                 "UPDATE `Property` SET `Value` = '1.1.0' WHERE `Property` = 'ProductVersion'",
                 "UPDATE `Items` SET `Note` = 'changed' WHERE `Item` = 'alpha'",
                 "DELETE FROM `Items` WHERE `Item` = 'beta'",
                 "INSERT INTO `Items` (`Item`, `Count`, `Note`) VALUES ('delta', 4, 'new')",
                 "ALTER TABLE `Items` ADD `Size` SHORT",
                 "UPDATE `Items` SET `Size` = 9 WHERE `Item` = 'gamma'",
                 "CREATE TABLE `Extra` (`Key` CHAR(16) NOT NULL, `Value` LONG PRIMARY KEY "
                 "`Key`)",
                 "INSERT INTO `Extra` (`Key`, `Value`) VALUES ('one', 1)"}),
            ERROR_SUCCESS);
        ASSERT_EQ(SetTemplate(new_, "Intel;1031"), ERROR_SUCCESS);
    }
    void TearDown() override { EXPECT_EQ(MsiCloseAllHandles(), 0u); }

    static std::vector<std::string> Statements(const std::string& product_code,
                                               bool upgrade_code = true) {
        std::vector<std::string> statements = deltalens::ProductProperties(product_code, "Sample");
        if (upgrade_code)
            statements.push_back(
                std::string(
                    "INSERT INTO `Property` (`Property`, `Value`) VALUES ('UpgradeCode', '") +
                kUpgradeCode + "')");
        for (const char* statement :
             {"CREATE TABLE `Items` (`Item` CHAR(32) NOT NULL, `Count` SHORT, `Note` CHAR(64) "
              "PRIMARY KEY `Item`)",
              "INSERT INTO `Items` (`Item`, `Count`, `Note`) VALUES ('alpha', 1, 'first')",
              "INSERT INTO `Items` (`Item`, `Count`, `Note`) VALUES ('beta', 2, 'second')",
              "INSERT INTO `Items` (`Item`, `Count`) VALUES ('gamma', 3)"})
            statements.push_back(statement);
        return statements;
    }

    // Files in the folder other than the packages: the transform and leftovers.
    std::vector<std::string> Written() const {
        std::vector<std::string> names = dir_.Entries();
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [](const std::string& name) {
                                       return name == "old.msi" || name == "new.msi";
                                   }),
                    names.end());
        return names;
    }

    testing_support::TempDir dir_{false};
    testing_support::TempDir temp_{true};
    const std::string old_ = (dir_.path() / "old.msi").string();
    const std::string new_ = (dir_.path() / "new.msi").string();
    const std::string out_ = (dir_.path() / "out.mst").string();
};

TEST_F(MakeTransformCliTest, TheSummaryInformationHoldsWhatTransformsCarry) {
    const CliRun run = Cli({"make-transform", old_, new_, out_});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(SummaryText(out_, 7), "Intel;1033") << "the base package's platform and languages";
    EXPECT_EQ(SummaryText(out_, 8), "Intel;1031") << "those the package has after the transform";
    EXPECT_EQ(SummaryText(out_, 9),
              std::string(kOldCode) + "1.0.0;" + kNewCode + "1.1.0;" + kUpgradeCode);
    EXPECT_EQ(SummaryText(out_, 14), "200");
    // Validation in the high word (language, product, upgrade code: both
    // packages have one), no error condition suppressed in the low word.
    EXPECT_EQ(SummaryText(out_, 16), std::to_string(0x0803 << 16));
    EXPECT_EQ(Written(), std::vector<std::string>{"out.mst"});
}

TEST_F(MakeTransformCliTest, FlagsGivenReplaceTheDefaultsAndWithoutUpgradeCodeItIsNotValidated) {
    CliRun run = Cli(
        {"make-transform", "--error-conditions", "0x21", "--validation=0x202", old_, new_, out_});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(SummaryText(out_, 16), std::to_string((0x202 << 16) | 0x21));

    const std::string bare_old = (dir_.path() / "bare-old.msi").string();
    const std::string bare_new = (dir_.path() / "bare-new.msi").string();
    ASSERT_EQ(deltalens::CreatePackage(bare_old, Statements(kOldCode, false)), ERROR_SUCCESS);
    ASSERT_EQ(deltalens::MakeChangedCopy(bare_old, bare_new,
                                         {"DELETE FROM `Items` WHERE `Item` = 'beta'"}),
              ERROR_SUCCESS);
    const std::string bare_out = (dir_.path() / "bare.mst").string();
    run = Cli({"make-transform", bare_old, bare_new, bare_out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(SummaryText(bare_out, 16), std::to_string(0x0003 << 16));
    // Only one of the two has an upgrade code: it is not validated either.
    const std::string half_new = (dir_.path() / "half-new.msi").string();
    ASSERT_EQ(deltalens::MakeChangedCopy(
                  bare_old, half_new,
                  {std::string("INSERT INTO `Property` (`Property`, `Value`) VALUES "
                               "('UpgradeCode', '") +
                   kUpgradeCode + "')"}),
              ERROR_SUCCESS);
    const std::string half_out = (dir_.path() / "half.mst").string();
    run = Cli({"make-transform", bare_old, half_new, half_out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(SummaryText(half_out, 16), std::to_string(0x0003 << 16));
    // Asked for, the upgrade code cannot be validated: a failure, no file.
    const std::string asked = (dir_.path() / "asked.mst").string();
    run = Cli({"make-transform", "--validation", "0x800", bare_old, bare_new, asked});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Can't write the summary information of the transform " + asked, 0), 0u)
        << run.err;
    EXPECT_FALSE(fs::exists(asked));
}

TEST_F(MakeTransformCliTest, AnExistingFileIsReplacedOnlyWithForce) {
    testing_support::WriteFile(out_, "an older transform");
    CliRun run = Cli({"make-transform", old_, new_, out_});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "The transform file " + out_ +
                  " exists already!\ncause: it is replaced only when asked to (--force)\n");
    EXPECT_EQ(testing_support::ReadFile(out_), "an older transform");
    EXPECT_EQ(Written(), std::vector<std::string>{"out.mst"});

    run = Cli({"make-transform", "--force", old_, new_, out_});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(testing_support::ReadFile(out_), "an older transform");
    EXPECT_EQ(SummaryText(out_, 7), "Intel;1033");
    EXPECT_EQ(Written(), std::vector<std::string>{"out.mst"});
}

TEST_F(MakeTransformCliTest, AnOutThatIsAPackageOrNoRegularFileIsRefusedBeforeAnyWork) {
    const std::string old_bytes = testing_support::ReadFile(old_);
    const std::string new_bytes = testing_support::ReadFile(new_);
    fs::create_directory(dir_.path() / "sub");
    fs::create_symlink(new_, dir_.path() / "link.mst");
    fs::create_hard_link(old_, dir_.path() / "hard.mst");
    struct Case {
        std::string out;
        std::string package;
    };
    for (const Case& c : {Case{(dir_.path() / "sub" / ".." / "old.msi").string(), old_},
                          Case{(dir_.path() / "link.mst").string(), new_},
                          Case{(dir_.path() / "hard.mst").string(), old_}}) {
        for (const bool force : {false, true}) {
            SCOPED_TRACE(c.out + (force ? " --force" : ""));
            std::vector<std::string> arguments = {"make-transform", old_, new_, c.out};
            if (force) arguments.insert(arguments.begin() + 1, "--force");
            const CliRun run = Cli(arguments);
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err.rfind("The transform file " + c.out + " is the package " + c.package +
                                        " itself!\ncause: ",
                                    0),
                      0u)
                << run.err;
            EXPECT_EQ(testing_support::ReadFile(old_), old_bytes);
            EXPECT_EQ(testing_support::ReadFile(new_), new_bytes);
        }
    }
    // --force replaces regular files only.
    const std::string fifo = (dir_.path() / "fifo.mst").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socket_path = (dir_.path() / "socket.mst").string();
    const int bound = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    socket_path.copy(address.sun_path, socket_path.size());
    ASSERT_EQ(::bind(bound, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(bound);
    fs::create_symlink(dir_.path() / "nowhere", dir_.path() / "dangling.mst");
    for (const auto& [out, kind] : std::vector<std::pair<std::string, std::string>>{
             {fifo, "a FIFO"},
             {socket_path, "a socket"},
             {(dir_.path() / "sub").string(), "a directory"},
             {(dir_.path() / "dangling.mst").string(), "a symbolic link"}}) {
        const CliRun run = Cli({"make-transform", "--force", old_, new_, out});
        EXPECT_EQ(run.status, 1) << out;
        EXPECT_EQ(run.err, "The transform file " + out + " is " + kind +
                               ", not a regular file!\ncause: only a regular file is replaced\n");
    }
    struct stat st {};
    EXPECT_TRUE(::lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(::lstat(socket_path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode));
    EXPECT_TRUE(fs::is_empty(dir_.path() / "sub"));
    EXPECT_EQ(Written(), (std::vector<std::string>{"dangling.mst", "fifo.mst", "hard.mst",
                                                   "link.mst", "socket.mst", "sub"}));
}

// What the last poll for a stop plants at OUT stands for a file that appeared
// while the transform was made: the checks are made again after it.
TEST_F(MakeTransformCliTest, WhatAppearsAtOutMeanwhileIsRefusedJustBeforeTheRename) {
    struct Told : diag::OutcomeSink {
        void Tell(const diag::Outcome& outcome) override {
            said += outcome.text + "\ncause: " + outcome.cause + "\n";
        }
        std::string said;
    };
    const auto plant_file = [this] { testing_support::WriteFile(out_, "appeared"); };
    const auto plant_fifo = [this] { ASSERT_EQ(::mkfifo(out_.c_str(), 0600), 0); };
    struct Case {
        bool replace;
        std::function<void()> plant;
        std::string said;
    };
    for (const Case& c :
         {Case{false, plant_file,
               "The transform file " + out_ +
                   " exists already!\ncause: it is replaced only when asked to (--force)\n"},
          Case{true, plant_fifo,
               "The transform file " + out_ +
                   " is a FIFO, not a regular file!\ncause: only a regular file is replaced\n"}}) {
        SCOPED_TRACE(c.replace ? "replace" : "keep");
        fs::remove(out_);
        deltalens::MakeTransformSettings settings;
        settings.old_package = old_;
        settings.new_package = new_;
        settings.transform = out_;
        settings.replace = c.replace;
        settings.stop_requested = [&c] {
            c.plant();
            return false;
        };
        Told told;
        EXPECT_EQ(deltalens::MakeTransformFile(settings, told),
                  deltalens::MakeTransformOutcome::kFailed);
        EXPECT_EQ(told.said, c.said);
        struct stat st {};
        ASSERT_EQ(::lstat(out_.c_str(), &st), 0);
        EXPECT_EQ(S_ISFIFO(st.st_mode), c.replace);
        if (!c.replace) {
            EXPECT_EQ(testing_support::ReadFile(out_), "appeared");
        }
        EXPECT_EQ(Written(), std::vector<std::string>{"out.mst"}) << "no temporary file is left";
    }
}

TEST_F(MakeTransformCliTest, AnInterruptBeforeTheRenameLeavesOutAsItWas) {
    testing_support::WriteFile(out_, "an older transform");
    // Ctrl+C arrives while the signal is held: it waits, as it would while
    // the command holds interrupts back, and stays held after the run.
    sigset_t interrupt, previous;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    ASSERT_EQ(::sigprocmask(SIG_BLOCK, &interrupt, &previous), 0);
    ASSERT_EQ(::raise(SIGINT), 0);
    const CliRun run = Cli({"make-transform", "--force", old_, new_, out_});
    int taken = 0;
    ::sigwait(&interrupt, &taken);
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    EXPECT_EQ(run.status, 130);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(testing_support::ReadFile(out_), "an older transform");
    EXPECT_EQ(Written(), std::vector<std::string>{"out.mst"}) << "no temporary file is left";
}

TEST_F(MakeTransformCliTest, FailuresLeaveNoFileBehind) {
    const std::string copy = (dir_.path() / "copy.msi").string();
    fs::copy_file(old_, copy);
    CliRun run = Cli({"make-transform", old_, copy, out_});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("The packages " + old_ + " and " + copy + " do not differ", 0), 0u)
        << run.err;
    fs::remove(copy);

    const std::string missing = (dir_.path() / "missing.msi").string();
    run = Cli({"make-transform", old_, missing, out_});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Can't open package " + missing + "!\n", 0), 0u) << run.err;

    run = Cli({"make-transform", old_, new_, (dir_.path() / "no-folder" / "out.mst").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cause: No such file or directory"), std::string::npos) << run.err;

    // A retyped column: no transform can carry the difference.
    const std::string retyped = (dir_.path() / "retyped.msi").string();
    std::vector<std::string> statements = deltalens::ProductProperties(kNewCode, "Sample");
    statements.push_back(
        "CREATE TABLE `Items` (`Item` CHAR(32) NOT NULL, `Count` LONG, `Note` CHAR(64) PRIMARY "
        "KEY `Item`)");
    ASSERT_EQ(deltalens::CreatePackage(retyped, statements), ERROR_SUCCESS);
    run = Cli({"make-transform", old_, retyped, out_});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Can't make the transform from " + old_ + " to " + retyped + "!\n", 0),
              0u)
        << run.err;
    fs::remove(retyped);

    EXPECT_EQ(Written(), std::vector<std::string>{});
    EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(MakeTransformCliTest, TheTransformAppliedByTheOracleGivesNewsTables) {
    VSB_REQUIRE_ORACLE(oracle);
    ASSERT_EQ(Cli({"make-transform", old_, new_, out_}).status, 0);
    const std::string applied = (dir_.path() / "applied.msi").string();
    ASSERT_EQ(testing_support::Run({oracle.string(), "applytransform", old_, out_, applied}).status,
              0);
    // Both packages read by the oracle, each table's rows sorted.
    int status = -1;
    const auto tables = [&](const std::string& package) {
        std::vector<std::string> argv = {oracle.string(), "query", package};
        for (const char* table : {"_Tables", "_Columns", "Property", "Items", "Extra"})
            argv.push_back(std::string("SELECT * FROM `") + table + "`");
        const auto run = testing_support::Run(argv);
        status = run.status;
        std::istringstream lines(run.out);
        std::vector<std::string> rows;
        for (std::string line; std::getline(lines, line);) rows.push_back(line);
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    const std::vector<std::string> expected = tables(new_);
    ASSERT_EQ(status, 0);
    EXPECT_GT(expected.size(), 20u);
    EXPECT_EQ(tables(applied), expected);
}

}  // namespace
