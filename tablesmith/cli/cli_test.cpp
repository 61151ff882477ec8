// Runs the real tablesmith-cli and checks what it prints and returns.
#include <sys/stat.h>

#include <filesystem>

#include "messages.h"
#include "tablesmith_test_support.h"

namespace {

using tablesmith_test::ShellQuote;
namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public tablesmith_test::CommandTest {
  protected:
    // Runs the program with TMPDIR at the test's temporary folder, after the
    // shell commands of `setup` ("ulimit -f 16; "), within a minute: a
    // program that waits for ever fails the test with status 124.
    CliRun Cli(const std::string& arguments, const std::string& setup = "") {
        const fs::path err_file = inputs_.path() / "stderr.txt";
        CliRun run;
        run.out =
            tablesmith_test::RunCommand(setup + "TMPDIR=" + ShellQuote(temp_.str()) +
                                            " timeout 60 " + ShellQuote(TABLESMITH_CLI) + " " +
                                            arguments + " 2>" + ShellQuote(err_file.string()),
                                        &run.status);
        run.err = testing_support::ReadFile(err_file);
        return run;
    }

    std::string Sample() {
        const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "product.msi",
                                                                  tablesmith_test::SamplePackage());
        EXPECT_FALSE(package.empty());
        return ShellQuote(package);
    }
};

TEST_F(CliTest, HelpAndVersionExitZero) {
    CliRun help = Cli("--help");
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.out.find("usage: tablesmith-cli")) << help.out;
    for (const char* command : {"tables PACKAGE", "export PACKAGE", "generate PACKAGE"})
        EXPECT_NE(std::string::npos, help.out.find(command)) << command;
    CliRun version = Cli("--version");
    EXPECT_EQ(0, version.status);
    EXPECT_EQ("tablesmith-cli 1.0.2.0\n", version.out);
}

TEST_F(CliTest, UsageErrorsExitTwoWithThePrefixOnStandardError) {
    struct Case {
        const char* arguments;
        const char* error;
    };
    for (const Case& c : {
             Case{"", "no command given"},
             Case{"tables", "tables takes one PACKAGE, not 0 arguments"},
             Case{"tables a.msi b.msi", "tables takes one PACKAGE, not 2 arguments"},
             Case{"export a.msi", "export needs --table NAME or --all"},
             Case{"export a.msi --all --table Property", "give --table or --all, not both"},
             Case{"export a.msi --all --cabs --only-cabs", "give --cabs or --only-cabs, not both"},
             Case{"export a.msi --table", "--table needs a table name"},
             Case{"generate a.msi --all", "unknown option '--all'"},
             Case{"--bogus", "unknown option '--bogus'"},
             Case{"tables ''", "the PACKAGE path is empty"},
         }) {
        SCOPED_TRACE(c.arguments);
        const CliRun run = Cli(c.arguments);
        EXPECT_EQ(2, run.status);
        EXPECT_EQ("", run.out);
        EXPECT_EQ(std::string("tablesmith-cli: error: ") + c.error +
                      "\nrun 'tablesmith-cli --help' for usage\n",
                  run.err);
    }
}

TEST_F(CliTest, MistypedCommandGetsASuggestion) {
    CliRun run = Cli("exprot a.msi");
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.err.find("unknown command 'exprot', did you mean 'export'?"))
        << run.err;
    run = Cli("zzzzzzzz a.msi");
    EXPECT_EQ(2, run.status);
    EXPECT_EQ(std::string::npos, run.err.find("did you mean")) << run.err;
}

TEST_F(CliTest, TablesListsSortedNamesAndTheirCount) {
    const CliRun run = Cli("tables " + Sample());
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Feature\nMedia\nProperty\n3 Tables\n", run.out);
}

TEST_F(CliTest, TablesOfAPackageThatDoesNotOpenFails) {
    testing_support::WriteFile(inputs_.path() / "bad.msi", "text");
    const CliRun run = Cli("tables " + ShellQuote((inputs_.path() / "bad.msi").string()));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_NE(std::string::npos, run.err.find("can't open package")) << run.err;
}

TEST_F(CliTest, ExportAllWithCabsThenGeneratePrintTheMessages) {
    const std::string package = Sample();
    const std::string folder = (temp_.path() / "product").string();
    CliRun run = Cli("export " + package + " --all --cabs");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Successfully exported all tables to\n" + folder + "\n" +
                  "Successfully exported all CABs to\n" + folder + "\n",
              run.out);
    run = Cli("generate " + package);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Generated new MSI File!\n(" + folder + "/product.msi)\n", run.out);
    EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / "product.msi"));
}

TEST_F(CliTest, OneTableWithCabsPrintsBothMessagesAndWritesOneTblFile) {
    const CliRun run = Cli("export " + Sample() + " --table=Media --cabs");
    const fs::path folder = temp_.path() / "product";
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Successfully exported table Media to\n" + folder.string() + "\n" +
                  "Successfully exported all CABs to\n" + folder.string() + "\n",
              run.out);
    EXPECT_EQ((std::vector<std::string>{"Media.tbl", "data1.cab", "other.cab"}),
              tablesmith_test::FolderEntries(folder));
}

TEST_F(CliTest, OnlyCabsNeedsNoTableChoice) {
    const CliRun run = Cli("export " + Sample() + " --only-cabs");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Successfully exported all CABs to\n" + (temp_.path() / "product").string() + "\n",
              run.out);
    EXPECT_FALSE(fs::exists(temp_.path() / "product" / "Property.tbl"));
}

TEST_F(CliTest, StopMessageExitsOne) {
    CliRun run = Cli("export " + Sample() + " --table Missing");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("Can't export table Missing!\n", run.out);
    run = Cli("generate " + ShellQuote((inputs_.path() / "never.msi").string()));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("Please export all tables and CAB files first!\n", run.out);
}

TEST_F(CliTest, TraceSendsTheDebugChannelToStandardError) {
    testing_support::WriteFile(inputs_.path() / "bad.msi", "text");
    const std::string bad = ShellQuote((inputs_.path() / "bad.msi").string());
    const CliRun quiet = Cli("export " + bad + " --all");
    const CliRun traced = Cli("--trace export " + bad + " --all");
    EXPECT_EQ(1, quiet.status);
    EXPECT_EQ(1, traced.status);
    EXPECT_EQ("Can't open MSI Database in Transaction mode!\n", traced.out);
    EXPECT_EQ("", quiet.err);
    EXPECT_NE("", traced.err);
}

TEST_F(CliTest, LargeCabinetShowsItsProgressOnlyOnATerminal) {
    int found = 0;
    tablesmith_test::RunCommand("command -v script >/dev/null", &found);
    if (found != 0) GTEST_SKIP() << "script (util-linux) is missing: no terminal to run on";
    tablesmith_test::PackageSpec package_spec;
    package_spec.tables = {tablesmith_test::PropertyTable()};
    // Just over 50 MB: the smallest cabinet whose copy is shown.
    package_spec.streams = {{"Big.cab", std::string(50 * 1024 * 1024 + 1, 'c')}};
    const std::string package =
        ShellQuote(tablesmith_test::BuildPackage(inputs_.path(), "big.msi", package_spec));

    const CliRun piped = Cli("export " + package + " --only-cabs");
    EXPECT_EQ(0, piped.status) << piped.err;
    EXPECT_EQ("", piped.err);

    // script gives the program a terminal; what it shows comes back on its
    // standard output, with the terminal's line ends.
    const std::string command = "TMPDIR=" + ShellQuote(temp_.str()) + " " +
                                ShellQuote(TABLESMITH_CLI) + " export " + package + " --only-cabs";
    int status = -1;
    const std::string screen = tablesmith_test::RunCommand(
        "script -qec " + ShellQuote(command) + " /dev/null 2>&1", &status);
    EXPECT_EQ(0, status) << screen;
    const std::string file = (temp_.path() / "big" / "big.cab").string();
    EXPECT_NE(std::string::npos, screen.find("\r" + file + ":   0% of 50 MB")) << screen;
    EXPECT_NE(std::string::npos, screen.find("\r" + file + ": 100% of 50 MB")) << screen;
    EXPECT_NE(std::string::npos, screen.find("Successfully exported all CABs")) << screen;
    EXPECT_EQ(50u * 1024 * 1024 + 1, fs::file_size(temp_.path() / "big" / "big.cab"));
}

TEST_F(CliTest, FifoGivenAsPackageIsRefusedWithoutWaiting) {
    const fs::path fifo = inputs_.path() / "pipe.msi";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    for (const char* command : {"tables ", "generate "}) {
        const CliRun run = Cli(command + ShellQuote(fifo.string()));
        EXPECT_EQ(1, run.status) << command << run.out << run.err;
    }
    const CliRun run = Cli("export " + ShellQuote(fifo.string()) + " --all --cabs");
    EXPECT_EQ(1, run.status) << run.out << run.err;
    EXPECT_NE(std::string::npos, (run.out + run.err).find(tablesmith::kCantOpenPackage));
    // The failed export made no folder.
    EXPECT_TRUE(temp_.Entries().empty());
}

// An export cut off while it writes a cabinet (here by the file size limit,
// as a full disk or a kill would) leaves the cabinet that was there whole
// under its name, and Generate goes on with it.
TEST_F(CliTest, InterruptedExportLeavesNoCutCabinet) {
    tablesmith_test::PackageSpec first = tablesmith_test::SamplePackage();
    first.streams[0].second = tablesmith_test::FakeCabinet(std::string(64 * 1024, 'A'));
    const std::string package =
        ShellQuote(tablesmith_test::BuildPackage(inputs_.path(), "product.msi", first));
    ASSERT_EQ(0, Cli("export " + package + " --all --cabs").status);
    const fs::path folder = temp_.path() / "product";
    const std::string whole = testing_support::ReadFile(folder / "data1.cab");

    fs::create_directory(inputs_.path() / "new");
    tablesmith_test::PackageSpec second = first;
    second.streams[0].second = tablesmith_test::FakeCabinet(std::string(64 * 1024, 'B'));
    const std::string changed =
        ShellQuote(tablesmith_test::BuildPackage(inputs_.path() / "new", "product.msi", second));
    // Killed by SIGXFSZ at 16 KB.
    CliRun run = Cli("export " + changed + " --only-cabs", "ulimit -f 16; ");
    EXPECT_NE(0, run.status);
    EXPECT_TRUE(whole == testing_support::ReadFile(folder / "data1.cab"));
    // With the signal ignored the write fails instead, and is told.
    run = Cli("export " + changed + " --only-cabs", "ulimit -f 16; trap '' XFSZ; ");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, (run.out + run.err)
                                     .find("Can't write CAB file " +
                                           (folder / "data1.cab").string() + "!\nFile too large"))
        << run.out << run.err;
    EXPECT_TRUE(whole == testing_support::ReadFile(folder / "data1.cab"));

    run = Cli("generate " + package);
    EXPECT_EQ(0, run.status) << run.out << run.err;
    EXPECT_TRUE(fs::is_regular_file(folder / "product.msi"));
}

TEST_F(CliTest, GenerateThatCannotImportATableKeepsThePackageAndAnnouncesNothing) {
    const std::string package = Sample();
    ASSERT_EQ(0, Cli("export " + package + " --all --cabs").status);
    ASSERT_EQ(0, Cli("generate " + package).status);
    const fs::path folder = temp_.path() / "product";
    const std::string before = testing_support::ReadFile(folder / "product.msi");
    testing_support::WriteFile(folder / "Media.tbl",
                               testing_support::ReadFile(folder / "Media.tbl") + "x\ty\r\n");

    const CliRun run = Cli("generate " + package);
    EXPECT_EQ(1, run.status);
    const std::string told = run.out + run.err;
    EXPECT_EQ(std::string::npos, told.find("Generated new MSI File!")) << told;
    EXPECT_NE(std::string::npos,
              told.find("Can't import table Media from " + (folder / "Media.tbl").string() +
                        ":\nMedia.tbl:8: 2 fields for 6 columns"))
        << told;
    EXPECT_TRUE(before == testing_support::ReadFile(folder / "product.msi"));
}

TEST_F(CliTest, PackageNamedOnlyWithDotsExportsBelowTheTemporaryFolder) {
    const fs::path dots = inputs_.path() / "...msi";
    fs::copy_file(tablesmith_test::BuildPackage(inputs_.path(), "product.msi",
                                                tablesmith_test::SamplePackage()),
                  dots);
    const CliRun run = Cli("export " + ShellQuote(dots.string()) + " --all --cabs");
    EXPECT_EQ(0, run.status) << run.out << run.err;
    EXPECT_EQ((std::vector<std::string>{"_.."}), temp_.Entries());
    EXPECT_TRUE(fs::is_regular_file(temp_.path() / "_.." / "Property.tbl"));
    EXPECT_FALSE(fs::exists(temp_.path().parent_path() / "Property.tbl"));
    EXPECT_EQ(0, Cli("generate " + ShellQuote(dots.string())).status);
    EXPECT_TRUE(fs::is_regular_file(temp_.path() / "_.." / "...msi"));
}

}  // namespace
