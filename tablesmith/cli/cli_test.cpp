// Runs the real tablesmith-cli and checks what it prints and returns.
#include <sys/stat.h>

#include <filesystem>

#include "messages.h"
#include "msiquery.h"
#include "tablesmith_version.h"
#include "tablesmith_test_support.h"

namespace {

namespace fs = std::filesystem;

using CliRun = testing_support::RunResult;

class CliTest : public tablesmith_test::CommandTest {
  protected:
    // Runs the program with TMPDIR at the test's temporary folder, after the
    // shell commands of `setup` ("ulimit -f 16; "), within a minute: a
    // program that waits for ever fails the test with status 124.
    CliRun Cli(const std::vector<std::string>& arguments, const std::string& setup = "") {
        std::vector<std::string> argv = {"timeout", "60", TABLESMITH_CLI};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        // The setup runs in a shell that then becomes the program.
        if (!setup.empty()) argv = {"sh", "-c", setup + "exec " + testing_support::ShellLine(argv)};
        return testing_support::Run(argv,
                                    testing_support::RunOptions().With("TMPDIR=" + temp_.str()));
    }

    // A package made with the engine holding one-column tables of these
    // names (which msibuild would not take); "" when the engine refuses.
    std::string PackageWithTables(const std::string& file_name,
                                  const std::vector<std::string>& tables) {
        const std::string package = (inputs_.path() / file_name).string();
        MSIHANDLE database = 0;
        if (MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_CREATE, &database) != ERROR_SUCCESS)
            return "";
        bool made = true;
        for (const std::string& name : tables) {
            MSIHANDLE view = 0;
            const std::string query =
                "CREATE TABLE `" + name + "` (`K` CHAR(8) NOT NULL PRIMARY KEY `K`)";
            made = made && MsiDatabaseOpenViewA(database, query.c_str(), &view) == ERROR_SUCCESS &&
                   MsiViewExecute(view, 0) == ERROR_SUCCESS;
            MsiCloseHandle(view);
        }
        made = made && MsiDatabaseCommit(database) == ERROR_SUCCESS;
        MsiCloseHandle(database);
        return made ? package : "";
    }

    std::string Sample() {
        const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "product.msi",
                                                                  tablesmith_test::SamplePackage());
        EXPECT_FALSE(package.empty());
        return package;
    }
};

TEST_F(CliTest, HelpAndVersionExitZero) {
    CliRun help = Cli({"--help"});
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.out.find("Usage: tablesmith-cli")) << help.out;
    for (const char* command : {"tables [--format FORMAT] PACKAGE", "export (--table NAME",
                                "generate [--folder DIR] PACKAGE"})
        EXPECT_NE(std::string::npos, help.out.find(command)) << command;
    CliRun export_help = Cli({"export", "--help"});
    EXPECT_EQ(0, export_help.status);
    EXPECT_EQ(0u, export_help.out.find("Usage: tablesmith-cli export ")) << export_help.out;
    EXPECT_EQ("", export_help.err);

    // The version stated once in the build reaches the program; the about
    // box's text is made from the same statement.
    CliRun version = Cli({"--version"});
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(std::string("tablesmith-cli ") + tablesmith::kVersion + "\n", version.out);
    EXPECT_EQ(std::string("Tablesmith, Version 1.05"), tablesmith::kAboutVersionText);
    EXPECT_EQ(std::string("1.0.2.0"), tablesmith::kFileVersion);
}

TEST_F(CliTest, UsageErrorsExitTwoWithThePrefixOnStandardError) {
    struct Case {
        std::vector<std::string> arguments;
        const char* error;
        const char* help;  // what the hint says to run
    };
    for (const Case& c : {
             Case{{}, "no command given", "tablesmith-cli"},
             Case{{"tables"}, "tables takes one PACKAGE, not 0 arguments", "tablesmith-cli tables"},
             Case{{"tables", "a.msi", "b.msi"},
                  "tables takes one PACKAGE, not 2 arguments",
                  "tablesmith-cli tables"},
             Case{{"export", "a.msi"},
                  "export needs --table NAME or --all",
                  "tablesmith-cli export"},
             Case{{"export", "a.msi", "--all", "--table", "Property"},
                  "give --table or --all, not both",
                  "tablesmith-cli export"},
             Case{{"export", "a.msi", "--all", "--cabs", "--only-cabs"},
                  "give --cabs or --only-cabs, not both",
                  "tablesmith-cli export"},
             Case{{"export", "a.msi", "--table"},
                  "--table needs a table name",
                  "tablesmith-cli export"},
             Case{{"generate", "a.msi", "--all"},
                  "generate takes no option '--all'",
                  "tablesmith-cli generate"},
             Case{{"--bogus"}, "unknown option '--bogus'", "tablesmith-cli"},
             Case{{"tables", ""}, "the PACKAGE path is empty", "tablesmith-cli tables"},
             Case{{"extract"}, "extract takes a PACKAGE", "tablesmith-cli extract"},
             Case{{"extract", "a.msi", "--format", "csv"},
                  "--format goes with --list",
                  "tablesmith-cli extract"},
         }) {
        SCOPED_TRACE(testing_support::ShellLine(c.arguments));
        const CliRun run = Cli(c.arguments);
        EXPECT_EQ(2, run.status);
        EXPECT_EQ("", run.out);
        EXPECT_EQ(std::string("tablesmith-cli: error: ") + c.error + "\nrun '" + c.help +
                      " --help' for usage\n",
                  run.err);
    }
}

TEST_F(CliTest, MistypedCommandGetsASuggestion) {
    CliRun run = Cli({"exprot", "a.msi"});
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.err.find("unknown command 'exprot', did you mean 'export'?"))
        << run.err;
    run = Cli({"zzzzzzzz", "a.msi"});
    EXPECT_EQ(2, run.status);
    EXPECT_EQ(std::string::npos, run.err.find("did you mean")) << run.err;
}

TEST_F(CliTest, TablesListsSortedNamesAndTheirCount) {
    const CliRun run = Cli({"tables", Sample()});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Feature\nMedia\nProperty\n3 Tables\n", run.out);
}

TEST_F(CliTest, TablesInTsvAndJson) {
    CliRun run = Cli({"tables", "--format", "tsv", Sample()});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Table\nFeature\nMedia\nProperty\n", run.out);
    run = Cli({"tables", "--format=json", Sample()});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(
        "[\n  {\"Table\": \"Feature\"},\n  {\"Table\": \"Media\"},\n"
        "  {\"Table\": \"Property\"}\n]\n",
        run.out);
}

TEST_F(CliTest, TableNamesNeverReachTheTerminalWithTheirControlCharacters) {
    // A table whose name would retitle the terminal and one that would erase a line.
    const std::string package =
        PackageWithTables("hostile.msi", {"Retitle\x1b]0;owned\x07", "Erase\x1b[2K\r\xC2\x9B"});
    ASSERT_FALSE(package.empty());

    CliRun run = Cli({"tables", package});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Erase\\x1b[2K\\r\\u009b\nRetitle\\x1b]0;owned\\x07\n2 Tables\n", run.out);
    run = Cli({"tables", "--format", "tsv", package});
    EXPECT_EQ("Table\nErase\\x1b[2K\\r\\u009b\nRetitle\\x1b]0;owned\\x07\n", run.out);
    run = Cli({"tables", "--format", "json", package});
    EXPECT_NE(std::string::npos, run.out.find("\"Retitle\\u001b]0;owned\\u0007\"")) << run.out;
}

TEST_F(CliTest, JsonIsValidForPython3AlsoWhenEmpty) {
    VSB_REQUIRE_PROGRAM("python3");
    const std::string empty = PackageWithTables("empty.msi", {});
    ASSERT_FALSE(empty.empty());
    for (const std::string& package : {Sample(), empty}) {
        const CliRun run = Cli({"tables", "--format", "json", package});
        ASSERT_EQ(0, run.status) << run.err;
        const auto checked = testing_support::Run({"python3", "-m", "json.tool"},
                                                  testing_support::RunOptions().Input(run.out));
        EXPECT_EQ(0, checked.status) << run.out << checked.err;
    }
}

TEST_F(CliTest, FailuresThatSayTooLittleGetTheirCause) {
    const std::string missing = (inputs_.path() / "missing.msi").string();
    CliRun run = Cli({"export", "--all", missing});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("Can't open MSI Database in Transaction mode!\ncause: cannot open " + missing +
                  ": No such file or directory\n",
              run.err);
    run = Cli({"tables", missing});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("tablesmith-cli: can't open package " + missing + "\ncause: cannot open " + missing +
                  ": No such file or directory\n",
              run.err);
    run = Cli({"export", "--table", "Missing", Sample()});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("Can't export table Missing!\ncause: no table Missing\n", run.err);
    // A name given on the command line is escaped in the message as well.
    run = Cli({"export", "--table", "Gone\x1b[2K", Sample()});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.err.find("Can't export table Gone\\x1b[2K!\ncause: ")) << run.err;
    EXPECT_EQ(std::string::npos, run.err.find('\x1b')) << run.err;

    // Two tables whose names are no file names, and one that exports.
    const std::string package = PackageWithTables("slashes.msi", {"Bad/One", "Bad/Two", "Good"});
    ASSERT_FALSE(package.empty());
    run = Cli({"export", "--all", package});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u,
              run.err.find("An error occured while exporting all tables!\ncause: table Bad/One: "))
        << run.err;
    EXPECT_NE(std::string::npos, run.err.find(" (and 1 more table)\n")) << run.err;
}

TEST_F(CliTest, TablesOfAPackageThatDoesNotOpenFails) {
    testing_support::WriteFile(inputs_.path() / "bad.msi", "text");
    const CliRun run = Cli({"tables", (inputs_.path() / "bad.msi").string()});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_NE(std::string::npos, run.err.find("can't open package")) << run.err;
}

TEST_F(CliTest, TablesOfAPatchListsItsTransformPairsAndTheirTargets) {
    VSB_REQUIRE_FIXTURE(patch, "real/wix3/gdr1.msp");
    const CliRun run = Cli({"tables", "--format", "tsv", patch.string()});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(
        "Transform\tProductCode\tProductVersion\tUpgradeCode\n"
        "rtmldr.1\t{FB94421B-7FA3-4495-A9D7-212099C19147}\t1.0.1.0\t"
        "{5A990E27-3480-4D0C-BCA3-75B726C7C048}\n"
        "rtm.2\t{FB94421B-7FA3-4495-A9D7-212099C19147}\t1.0.0.0\t"
        "{5A990E27-3480-4D0C-BCA3-75B726C7C048}\n",
        run.out);
}

// Exit 0 nothing found, 1 findings (one a line), 2 a package that cannot be
// read; the table format ends with the count.
TEST_F(CliTest, ValidateExitsByWhatItFound) {
    const std::string package = (inputs_.path() / "rules.msi").string();
    MSIHANDLE database = 0;
    ASSERT_EQ(MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_CREATE, &database), ERROR_SUCCESS);
    std::vector<std::string> statements = {
        "CREATE TABLE `T` (`K` CHAR(8) NOT NULL PRIMARY KEY `K`)",
        "CREATE TABLE `_Validation` (`Table` CHAR(32) NOT NULL, `Column` CHAR(32) NOT NULL, "
        "`Nullable` CHAR(4) NOT NULL, `MinValue` LONG, `MaxValue` LONG, `KeyTable` CHAR(255), "
        "`KeyColumn` SHORT, `Category` CHAR(32), `Set` CHAR(255), `Description` CHAR(255) "
        "PRIMARY KEY `Table`, `Column`)",
        "INSERT INTO `_Validation` (`Table`, `Column`, `Nullable`, `Category`) VALUES "
        "('T', 'K', 'N', 'Identifier')",
    };
    for (const char* column : {"Table", "Column", "Nullable", "MinValue", "MaxValue", "KeyTable",
                               "KeyColumn", "Category", "Set", "Description"})
        statements.push_back(
            "INSERT INTO `_Validation` (`Table`, `Column`, `Nullable`) VALUES "
            "('_Validation', '" +
            std::string(column) + "', 'Y')");
    for (const std::string& sql : statements) {
        MSIHANDLE view = 0;
        ASSERT_EQ(MsiDatabaseOpenViewA(database, sql.c_str(), &view), ERROR_SUCCESS) << sql;
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS) << sql;
        MsiCloseHandle(view);
    }
    ASSERT_EQ(MsiDatabaseCommit(database), ERROR_SUCCESS);
    MsiCloseHandle(database);

    auto run = Cli({"validate", package});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.ends_with("0 findings in 2 tables\n")) << run.out;

    ASSERT_EQ(MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_TRANSACT, &database), ERROR_SUCCESS);
    MSIHANDLE view = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(database, "INSERT INTO `T` (`K`) VALUES ('1st')", &view),
              ERROR_SUCCESS);
    EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
    MsiCloseHandle(view);
    ASSERT_EQ(MsiDatabaseCommit(database), ERROR_SUCCESS);
    MsiCloseHandle(database);
    run = Cli({"validate", "--format", "tsv", "--table", "T", package});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out,
              "Table\tColumn\tKey\tRule\tMessage\n"
              "T\tK\t1st\tBADIDENTIFIER\t'1st' is not an identifier\n");

    run = Cli({"validate", (inputs_.path() / "missing.msi").string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with("can't open package")) << run.err;
}

TEST_F(CliTest, ExportAllWithCabsThenGeneratePrintTheMessages) {
    const std::string package = Sample();
    const std::string folder = (temp_.path() / "product").string();
    CliRun run = Cli({"export", package, "--all", "--cabs"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Successfully exported all tables to\n" + folder + "\n" +
                  "Successfully exported all CABs to\n" + folder + "\n",
              run.out);
    run = Cli({"generate", package});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Generated new MSI File!\n(" + folder + "/product.msi)\n", run.out);
    EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / "product.msi"));
}

TEST_F(CliTest, OneTableWithCabsPrintsBothMessagesAndWritesOneTblFile) {
    const CliRun run = Cli({"export", Sample(), "--table=Media", "--cabs"});
    const fs::path folder = temp_.path() / "product";
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Successfully exported table Media to\n" + folder.string() + "\n" +
                  "Successfully exported all CABs to\n" + folder.string() + "\n",
              run.out);
    EXPECT_EQ((std::vector<std::string>{"Media.tbl", "data1.cab", "other.cab"}),
              tablesmith_test::FolderEntries(folder));
}

TEST_F(CliTest, OnlyCabsNeedsNoTableChoice) {
    const CliRun run = Cli({"export", Sample(), "--only-cabs"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Successfully exported all CABs to\n" + (temp_.path() / "product").string() + "\n",
              run.out);
    EXPECT_FALSE(fs::exists(temp_.path() / "product" / "Property.tbl"));
}

TEST_F(CliTest, StopMessagesGoToStandardErrorAndExitOne) {
    CliRun run = Cli({"export", Sample(), "--table", "Missing"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(0u, run.err.find("Can't export table Missing!\n")) << run.err;
    run = Cli({"generate", (inputs_.path() / "never.msi").string()});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(0u, run.err.find("Please export all tables and CAB files first!\n")) << run.err;
}

TEST_F(CliTest, FolderReplacesTheExportFolderForExportAndGenerate) {
    const std::string package = Sample();
    const fs::path folder = inputs_.path() / "ci-export";
    const std::string named = folder.string();
    CliRun run = Cli({"export", package, "--all", "--cabs", "--folder", named});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Successfully exported all tables to\n" + folder.string() + "\n" +
                  "Successfully exported all CABs to\n" + folder.string() + "\n",
              run.out);
    run = Cli({"generate", "--folder=" + named, package});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Generated new MSI File!\n(" + (folder / "product.msi").string() + ")\n", run.out);
    EXPECT_TRUE(fs::is_regular_file(folder / "Property.tbl"));
    EXPECT_TRUE(fs::is_regular_file(folder / "data1.cab"));
    EXPECT_TRUE(fs::is_regular_file(folder / "product.msi"));
    EXPECT_TRUE(tablesmith_test::FolderEntries(temp_.path()).empty())
        << "the export folder under TMPDIR was used";
}

TEST_F(CliTest, TraceSendsTheDebugChannelToStandardError) {
    testing_support::WriteFile(inputs_.path() / "bad.msi", "text");
    const std::string bad = (inputs_.path() / "bad.msi").string();
    const CliRun quiet = Cli({"export", bad, "--all"});
    const CliRun traced = Cli({"--trace", "export", bad, "--all"});
    EXPECT_EQ(1, quiet.status);
    EXPECT_EQ(1, traced.status);
    EXPECT_EQ(0u, quiet.err.find("Can't open MSI Database in Transaction mode!\n")) << quiet.err;
    EXPECT_NE(std::string::npos, traced.err.find("Can't open MSI Database in Transaction mode!\n"));
    EXPECT_GT(traced.err.size(), quiet.err.size()) << "no trace lines";
}

TEST_F(CliTest, LargeCabinetShowsItsProgressOnlyOnATerminal) {
    VSB_REQUIRE_PROGRAM("script");
    tablesmith_test::PackageContents contents;
    contents.tables = {tablesmith_test::PropertyTable()};
    // Just over 50 MB: the smallest cabinet whose copy is shown.
    contents.streams = {{"Big.cab", std::string(50 * 1024 * 1024 + 1, 'c')}};
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "big.msi", contents);

    const CliRun piped = Cli({"export", package, "--only-cabs"});
    EXPECT_EQ(0, piped.status) << piped.err;
    EXPECT_EQ("", piped.err);

    // script gives the program a terminal; what it shows comes back on its
    // standard output, with the terminal's line ends.
    const auto run = testing_support::Run(
        {"script", "-qec",
         testing_support::ShellLine({TABLESMITH_CLI, "export", package, "--only-cabs"}),
         "/dev/null"},
        testing_support::RunOptions().With("TMPDIR=" + temp_.str()));
    const std::string screen = run.out + run.err;
    EXPECT_EQ(0, run.status) << screen;
    const std::string file = (temp_.path() / "big" / "big.cab").string();
    EXPECT_NE(std::string::npos, screen.find("\r" + file + ":   0% of 50 MB")) << screen;
    EXPECT_NE(std::string::npos, screen.find("\r" + file + ": 100% of 50 MB")) << screen;
    EXPECT_NE(std::string::npos, screen.find("Successfully exported all CABs")) << screen;
    EXPECT_EQ(50u * 1024 * 1024 + 1, fs::file_size(temp_.path() / "big" / "big.cab"));
}

TEST_F(CliTest, FifoGivenAsPackageIsRefusedWithoutWaiting) {
    const fs::path fifo = inputs_.path() / "pipe.msi";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    for (const char* command : {"tables", "generate"}) {
        const CliRun run = Cli({command, fifo.string()});
        EXPECT_EQ(1, run.status) << command << run.out << run.err;
    }
    const CliRun run = Cli({"export", fifo.string(), "--all", "--cabs"});
    EXPECT_EQ(1, run.status) << run.out << run.err;
    EXPECT_NE(std::string::npos, (run.out + run.err).find(tablesmith::kCantOpenPackage));
    // The failed export made no folder.
    EXPECT_TRUE(temp_.Entries().empty());
}

// An export cut off while it writes a cabinet (here by the file size limit,
// as a full disk or a kill would) leaves the cabinet that was there whole
// under its name, and Generate goes on with it.
TEST_F(CliTest, InterruptedExportLeavesNoCutCabinet) {
    tablesmith_test::PackageContents first = tablesmith_test::SamplePackage();
    first.streams[0].second = tablesmith_test::FakeCabinet(std::string(64 * 1024, 'A'));
    const std::string package = tablesmith_test::BuildPackage(inputs_.path(), "product.msi", first);
    ASSERT_EQ(0, Cli({"export", package, "--all", "--cabs"}).status);
    const fs::path folder = temp_.path() / "product";
    const std::string whole = testing_support::ReadFile(folder / "data1.cab");

    fs::create_directory(inputs_.path() / "new");
    tablesmith_test::PackageContents second = first;
    second.streams[0].second = tablesmith_test::FakeCabinet(std::string(64 * 1024, 'B'));
    const std::string changed =
        tablesmith_test::BuildPackage(inputs_.path() / "new", "product.msi", second);
    // Killed by SIGXFSZ at 16 KB.
    CliRun run = Cli({"export", changed, "--only-cabs"}, "ulimit -f 16; ");
    EXPECT_NE(0, run.status);
    EXPECT_TRUE(whole == testing_support::ReadFile(folder / "data1.cab"));
    // With the signal ignored the write fails instead, and is told.
    run = Cli({"export", changed, "--only-cabs"}, "ulimit -f 16; trap '' XFSZ; ");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, (run.out + run.err)
                                     .find("Can't write CAB file " +
                                           (folder / "data1.cab").string() + "!\nFile too large"))
        << run.out << run.err;
    EXPECT_TRUE(whole == testing_support::ReadFile(folder / "data1.cab"));

    run = Cli({"generate", package});
    EXPECT_EQ(0, run.status) << run.out << run.err;
    EXPECT_TRUE(fs::is_regular_file(folder / "product.msi"));
}

TEST_F(CliTest, GenerateThatCannotImportATableKeepsThePackageAndAnnouncesNothing) {
    const std::string package = Sample();
    ASSERT_EQ(0, Cli({"export", package, "--all", "--cabs"}).status);
    ASSERT_EQ(0, Cli({"generate", package}).status);
    const fs::path folder = temp_.path() / "product";
    const std::string before = testing_support::ReadFile(folder / "product.msi");
    testing_support::WriteFile(folder / "Media.tbl",
                               testing_support::ReadFile(folder / "Media.tbl") + "x\ty\r\n");

    const CliRun run = Cli({"generate", package});
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
    const CliRun run = Cli({"export", dots.string(), "--all", "--cabs"});
    EXPECT_EQ(0, run.status) << run.out << run.err;
    EXPECT_EQ((std::vector<std::string>{"_.."}), temp_.Entries());
    EXPECT_TRUE(fs::is_regular_file(temp_.path() / "_.." / "Property.tbl"));
    EXPECT_FALSE(fs::exists(temp_.path().parent_path() / "Property.tbl"));
    EXPECT_EQ(0, Cli({"generate", dots.string()}).status);
    EXPECT_TRUE(fs::is_regular_file(temp_.path() / "_.." / "...msi"));
}

}  // namespace

namespace {

// Two files in a cabinet that is not there: the listing needs no cabinet,
// the extraction names both files and fails.
TEST_F(CliTest, ExtractListsFilesAndFailsNamingEachMissingOne) {
    tablesmith_test::PackageContents contents;
    contents.tables = {
        {"Directory",
         "Directory\tDirectory_Parent\tDefaultDir\r\ns72\tS72\tl255\r\nDirectory\tDirectory\r\n"
         "TARGETDIR\t\tSourceDir\r\nAPP\tTARGETDIR\tA|App\r\n"},
        {"Component",
         "Component\tComponentId\tDirectory_\tAttributes\tCondition\tKeyPath\r\n"
         "s72\tS38\ts72\ti2\tS255\tS72\r\nComponent\tComponent\r\nMain\t\tAPP\t0\t\t\r\n"},
        {"File",
         "File\tComponent_\tFileName\tFileSize\tVersion\tLanguage\tAttributes\tSequence\r\n"
         "s72\ts72\tl255\ti4\tS72\tS20\tI2\ti2\r\nFile\tFile\r\n"
         "f1\tMain\tONE.TXT|one.txt\t3\t\t\t16384\t1\r\n"
         "f2\tMain\ttwo.dat\t70\t\t\t16384\t2\r\n"},
        tablesmith_test::MediaTable({"gone.cab"}),
    };
    const std::string package =
        tablesmith_test::BuildPackage(inputs_.path(), "files.msi", contents);
    ASSERT_FALSE(package.empty());

    CliRun run = Cli({"extract", "--list", "--format", "tsv", package, "*.dat"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(
        "File\tPath\tSize\tComponent\tDirectory\tCabinet\tSequence\n"
        "f2\tApp/two.dat\t70\tMain\tAPP\tgone.cab\t2\n",
        run.out);

    run = Cli({"extract", package});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(
        "File f1 was not extracted from cabinet gone.cab: the cabinet is not beside the "
        "package\n"
        "File f2 was not extracted from cabinet gone.cab: the cabinet is not beside the "
        "package\n"
        "Extracted 0 files to " +
            (temp_.path() / "files" / "files").string() + "; 2 files failed!\n",
        run.err);
}

}  // namespace
