// Validate on packages damaged on purpose: a clean package (msibuild) with a
// _Validation rule of every kind, then one fault a case, each expected to be
// reported exactly once with its table, column, key and rule, and, for a
// row's fault, to be what the engine's VALIDATE says of that row.
#include "validate_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "msi_engine.h"
#include "msiquery.h"
#include "tablesmith_test_support.h"

namespace {

namespace fs = std::filesystem;
using tablesmith::ValidationFinding;

// A column of the Item table: its IDT type, its value in the clean row, and
// its _Validation row (Nullable, MinValue, MaxValue, KeyTable, KeyColumn,
// Category, Set).
struct ItemColumn {
    const char* name;
    const char* type;
    const char* value;
    const char* rule;
};

constexpr ItemColumn kItemColumns[] = {
    {"Item", "s72", "First", "N\t\t\t\t\tIdentifier\t"},
    {"Feature_", "S38", "Main", "N\t\t\tFeature\t1\tIdentifier\t"},
    {"Level", "I2", "3", "Y\t0\t1000\t\t\t\t"},
    {"Mode", "S8", "on", "Y\t\t\t\t\tText\ton;off"},
    {"Upper", "S4", "AB", "Y\t\t\t\t\tUpperCase\t"},
    {"Lower", "S8", "ab", "Y\t\t\t\t\tLowerCase\t"},
    {"Number", "I2", "-12", "Y\t\t\t\t\tInteger\t"},
    {"Big", "I4", "70000", "Y\t\t\t\t\tDoubleInteger\t"},
    {"Stamp", "I4", "1", "Y\t\t\t\t\tTime/Date\t"},
    {"Ident", "S32", "_a.b", "Y\t\t\t\t\tIdentifier\t"},
    {"Prop", "S32", "%PATH", "Y\t\t\t\t\tProperty\t"},
    {"FileName", "S64", "SETUP~1.EXE|Setup program.exe", "Y\t\t\t\t\tFilename\t"},
    {"Wild", "S64", "*.TXT|*.text", "Y\t\t\t\t\tWildCardFilename\t"},
    {"Dest", "S64", "[TARGETDIR]bin", "Y\t\t\t\t\tPath\t"},
    {"Dests", "S64", "[A]x;[B]y", "Y\t\t\t\t\tPaths\t"},
    {"Any", "S64", "C:\\x.txt", "Y\t\t\t\t\tAnyPath\t"},
    {"Dir", "S64", "PROGRA~1|Program Files:.", "Y\t\t\t\t\tDefaultDir\t"},
    {"Reg", "S64", "Software\\[Manufacturer]", "Y\t\t\t\t\tRegPath\t"},
    {"Text", "S64", "[[Name]] [\\[]", "Y\t\t\t\t\tFormatted\t"},
    {"Sddl", "S64", "D:(A;;GA;;;[USER])", "Y\t\t\t\t\tFormattedSDDLText\t"},
    {"Tmpl", "S64", "[1] of [2]", "Y\t\t\t\t\tTemplate\t"},
    {"KeyText", "S64", "[#File]", "Y\t\t\t\t\tKeyFormatted\t"},
    {"Cond", "S64", "NOT Installed OR A ~= \"x\"", "Y\t\t\t\t\tCondition\t"},
    {"Link", "S64", "", "Y\t\t\t\t\tURL\t"},
    {"Code", "S38", "{12345678-ABCD-ABCD-ABCD-1234567890AB}", "Y\t\t\t\t\tGuid\t"},
    {"Ver", "S32", "1.2.3.4", "Y\t\t\tItem\t1\tVersion\t"},
    {"Lang", "S32", "1033,0", "Y\t\t\t\t\tLanguage\t"},
    {"Source", "S72", "Binary1", "Y\t\t\t\t\tCustomSource\t"},
    {"Cab", "S64", "#Data1.cab", "Y\t\t\t\t\tCabinet\t"},
    {"Target", "S72", "[#App.exe]", "Y\t\t\t\t\tShortcut\t"},
    {"Data", "V0", "", "Y\t\t\t\t\tBinary\t"},
};

tablesmith_test::PackageContents CleanPackage() {
    std::string names, types, row, rules;
    for (const ItemColumn& c : kItemColumns) {
        names += std::string(names.empty() ? "" : "\t") + c.name;
        types += std::string(types.empty() ? "" : "\t") + c.type;
        row += std::string(row.empty() && c.name == std::string("Item") ? "" : "\t") + c.value;
        rules += std::string("Item\t") + c.name + "\t" + c.rule + "\t\r\n";
    }
    rules += "Feature\tFeature\tN\t\t\t\t\tIdentifier\t\t\r\n";
    rules += "Feature\tTitle\tY\t\t\t\t\tText\t\t\r\n";
    for (const char* column : {"Table", "Column", "Nullable", "MinValue", "MaxValue", "KeyTable",
                               "KeyColumn", "Category", "Set", "Description"})
        rules += std::string("_Validation\t") + column + "\tY\t\t\t\t\t\t\t\r\n";
    tablesmith_test::PackageContents contents;
    contents.tables = {
        {"Item", names + "\r\n" + types + "\r\nItem\tItem\r\n" + row + "\r\n"},
        {"Feature", "Feature\tTitle\r\ns38\tL64\r\nFeature\tFeature\r\nMain\tMain feature\r\n"},
        {"_Validation",
         "Table\tColumn\tNullable\tMinValue\tMaxValue\tKeyTable\tKeyColumn\tCategory\tSet\t"
         "Description\r\ns32\ts32\ts4\tI4\tI4\tS255\tI2\tS32\tS255\tS255\r\n"
         "_Validation\tTable\tColumn\r\n" +
             rules},
    };
    return contents;
}

class ValidateCommandTest : public tablesmith_test::CommandTest {
  protected:
    void SetUp() override {
        CommandTest::SetUp();
        clean_ = tablesmith_test::BuildPackage(inputs_.path(), "clean.msi", CleanPackage());
        ASSERT_FALSE(clean_.empty());
    }

    // A copy of the clean package with `statements` run on it and committed.
    std::string Damaged(const std::vector<std::string>& statements) {
        const fs::path copy = inputs_.path() / "damaged.msi";
        fs::copy_file(clean_, copy, fs::copy_options::overwrite_existing);
        MSIHANDLE db = 0;
        EXPECT_EQ(MsiOpenDatabaseA(copy.c_str(), MSIDBOPEN_TRANSACT, &db), ERROR_SUCCESS);
        for (const std::string& sql : statements) {
            MSIHANDLE view = 0;
            EXPECT_EQ(MsiDatabaseOpenViewA(db, sql.c_str(), &view), ERROR_SUCCESS) << sql;
            EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS) << sql;
            MsiCloseHandle(view);
        }
        EXPECT_EQ(MsiDatabaseCommit(db), ERROR_SUCCESS);
        MsiCloseHandle(db);
        return copy.string();
    }

    tablesmith::ValidateReport Validate(const std::string& package,
                                        std::vector<std::string> tables = {}) {
        findings_.clear();
        return tablesmith::RunValidate({package, std::move(tables)}, sink_,
                                       [&](const ValidationFinding& f) { findings_.push_back(f); });
    }

    // What VALIDATE says of the Item row `key`, as "RULE:Column" lines.
    std::vector<std::string> EngineVerdict(const std::string& package, const std::string& key) {
        std::vector<std::string> found;
        MSIHANDLE db = 0, view = 0, rec = 0;
        EXPECT_EQ(MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, &db), ERROR_SUCCESS);
        const std::string sql = "SELECT * FROM `Item` WHERE `Item` = '" + key + "'";
        EXPECT_EQ(MsiDatabaseOpenViewA(db, sql.c_str(), &view), ERROR_SUCCESS);
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
        EXPECT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
        MsiViewModify(view, MSIMODIFY_VALIDATE, rec);
        for (;;) {
            char column[64] = "";
            DWORD size = sizeof column;
            const MSIDBERROR error = MsiViewGetErrorA(view, column, &size);
            if (error == MSIDBERROR_NOERROR || error < 0) break;
            found.push_back(std::string(msi::ValidationErrorName(error)) + ":" + column);
        }
        MsiCloseHandle(rec);
        MsiCloseHandle(view);
        MsiCloseHandle(db);
        return found;
    }

    std::string clean_;
    std::vector<ValidationFinding> findings_;
};

TEST_F(ValidateCommandTest, ACleanPackageReportsNothing) {
    const auto report = Validate(clean_);
    EXPECT_EQ(report.outcome, tablesmith::ValidateReport::Outcome::kValid);
    EXPECT_EQ(report.tables, 3u);
    EXPECT_TRUE(findings_.empty()) << findings_[0].table << "." << findings_[0].column << " "
                                   << findings_[0].rule << " " << findings_[0].message;
    EXPECT_TRUE(sink_.messages.empty());
}

// Each fault once: its table, column, row key ("" for _Validation's own
// faults) and rule; a row's fault is what VALIDATE says of the row.
TEST_F(ValidateCommandTest, EachFaultIsReportedOnceWhereItIs) {
    struct Case {
        std::vector<std::string> statements;
        const char* table;
        const char* column;
        const char* key;
        const char* rule;
    };
    auto set = [](const std::string& column, const std::string& value) {
        return std::vector<std::string>{"UPDATE `Item` SET `" + column + "` = " + value};
    };
    auto rule = [](const std::string& column, const std::string& assignment) {
        return std::vector<std::string>{"UPDATE `_Validation` SET " + assignment +
                                        " WHERE `Table` = 'Item' AND `Column` = '" + column + "'"};
    };
    const Case cases[] = {
        {set("Feature_", "NULL"), "Item", "Feature_", "First", "REQUIRED"},
        {set("Feature_", "'Gone'"), "Item", "Feature_", "First", "BADLINK"},
        {rule("Feature_", "`KeyTable` = 'Nowhere'"), "Item", "Feature_", "First", "BADKEYTABLE"},
        {set("Level", "1001"), "Item", "Level", "First", "OVERFLOW"},
        {set("Level", "-1"), "Item", "Level", "First", "UNDERFLOW"},
        {rule("Level", "`MinValue` = 2000"), "Item", "Level", "First", "BADMAXMINVALUES"},
        {set("Mode", "'maybe'"), "Item", "Mode", "First", "NOTINSET"},
        {set("Upper", "'ABCDE'"), "Item", "Upper", "First", "STRINGOVERFLOW"},
        {rule("Mode", "`Category` = 'Nonsense'"), "Item", "Mode", "First", "BADCATEGORY"},
        {set("Upper", "'Ab'"), "Item", "Upper", "First", "BADCASE"},
        {set("Lower", "'aB'"), "Item", "Lower", "First", "BADCASE"},
        // The number categories describe integer columns; on a string column
        // (here null, so no value is checked) _Validation is wrong.
        {rule("Link", "`Category` = 'DoubleInteger'"), "Item", "Link", "", "TYPEMISMATCH"},
        {rule("Stamp", "`Category` = 'Version'"), "Item", "Stamp", "", "TYPEMISMATCH"},
        {set("Ident", "'9a'"), "Item", "Ident", "First", "BADIDENTIFIER"},
        {set("Prop", "'a b'"), "Item", "Prop", "First", "BADPROPERTY"},
        {set("FileName", "'TOOLONGNAME.EXE|x.exe'"), "Item", "FileName", "First", "BADFILENAME"},
        {set("Wild", "'a/b'"), "Item", "Wild", "First", "BADWILDCARD"},
        {set("Dest", "'a<b'"), "Item", "Dest", "First", "BADPATH"},
        {set("Dests", "'a;b|c'"), "Item", "Dests", "First", "BADPATH"},
        {set("Any", "'LONGNAME12.TXT|x'"), "Item", "Any", "First", "BADPATH"},
        {set("Dir", "'a:b:c'"), "Item", "Dir", "First", "BADDEFAULTDIR"},
        {set("Reg", "'\\\\Software'"), "Item", "Reg", "First", "BADREGPATH"},
        {set("Text", "'[Name'"), "Item", "Text", "First", "BADFORMATTED"},
        {set("Sddl", "'D:(A;;GA;;;[USER)'"), "Item", "Sddl", "First", "BADFORMATTED"},
        {set("Tmpl", "'[1 of [2]'"), "Item", "Tmpl", "First", "BADTEMPLATE"},
        {set("KeyText", "'[#File'"), "Item", "KeyText", "First", "BADFORMATTED"},
        {set("Code", "'{12345678-abcd-ABCD-ABCD-1234567890AB}'"), "Item", "Code", "First",
         "BADGUID"},
        {set("Ver", "'1.2.3.4.5'"), "Item", "Ver", "First", "BADLINK"},
        {set("Lang", "'en'"), "Item", "Lang", "First", "BADLANGUAGE"},
        {set("Source", "'1Binary'"), "Item", "Source", "First", "BADCUSTOMSOURCE"},
        {set("Cond", "'NOT (A'"), "Item", "Cond", "First", "BADCONDITION"},
        {set("Cab", "'a b.cab'"), "Item", "Cab", "First", "BADCABINET"},
        {set("Target", "'Main Feature'"), "Item", "Target", "First", "BADSHORTCUT"},
        {{"DELETE FROM `_Validation` WHERE `Table` = 'Feature' AND `Column` = 'Title'"},
         "Feature",
         "Title",
         "",
         "NORULE"},
        {{"INSERT INTO `_Validation` (`Table`, `Column`, `Nullable`) VALUES ('Gone', 'A', 'Y')"},
         "Gone",
         "",
         "",
         "NOSUCHTABLE"},
        {{"INSERT INTO `_Validation` (`Table`, `Column`, `Nullable`) VALUES ('Item', 'No', 'Y')"},
         "Item",
         "No",
         "",
         "NOSUCHCOLUMN"},
        {rule("Data", "`Category` = 'Text'"), "Item", "Data", "", "TYPEMISMATCH"},
        {{"DROP TABLE `_Validation`"}, "_Validation", "", "", "NOVALIDATION"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statements[0]);
        const std::string package = Damaged(c.statements);
        const auto report = Validate(package);
        EXPECT_EQ(report.outcome, tablesmith::ValidateReport::Outcome::kFindings);
        ASSERT_EQ(findings_.size(), 1u) << findings_[0].rule << " " << findings_.back().rule;
        const ValidationFinding& f = findings_[0];
        EXPECT_EQ(f.table + "|" + f.column + "|" + f.key + "|" + f.rule,
                  std::string(c.table) + "|" + c.column + "|" + c.key + "|" + c.rule);
        EXPECT_FALSE(f.message.empty());
        if (*c.key != '\0') {
            EXPECT_EQ(EngineVerdict(package, c.key),
                      std::vector<std::string>{std::string(c.rule) + ":" + c.column});
        }
    }
}

// A table that cannot be read is told with its cause; the others are checked.
TEST_F(ValidateCommandTest, ADamagedTableIsToldAndTheOthersAreChecked) {
    const std::string package =
        Damaged({"CREATE TABLE `Broken` (`K` LONG NOT NULL, `S` CHAR(8) PRIMARY KEY `K`)",
                 "INSERT INTO `Broken` (`K`, `S`) VALUES (287454020, 'x')"});
    // The stored row: K biased by 2^31, little-endian, then S's string id,
    // which becomes one the string pool does not hold.
    std::string bytes = testing_support::ReadFile(package);
    const size_t at = bytes.find(std::string("\x44\x33\x22\x91", 4));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 4] = '\x7F';
    bytes[at + 5] = '\x7F';
    testing_support::WriteFile(package, bytes);

    const auto report = Validate(package);
    EXPECT_EQ(report.outcome, tablesmith::ValidateReport::Outcome::kFindings);
    EXPECT_EQ(report.tables, 3u);
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_EQ(sink_.messages[0],
              (tablesmith_test::Message{"can't read table Broken", diag::OutcomeKind::kStop}));
    ASSERT_EQ(findings_.size(), 2u);  // no _Validation row for either column
    EXPECT_EQ(findings_[0].rule, "NORULE");
}

// What the engine cannot check is said once, not passed in silence; a
// missing table asked for is trouble, the others are still checked.
TEST_F(ValidateCommandTest, UncheckedCategoriesAndMissingTablesAreTold) {
    const std::string package = Damaged({"UPDATE `Item` SET `Link` = 'https://example.org'"});
    auto report = Validate(package);
    EXPECT_EQ(report.outcome, tablesmith::ValidateReport::Outcome::kValid);
    EXPECT_EQ(sink_.messages, (std::vector<tablesmith_test::Message>{
                                  {"Category URL is not checked: values of it passed unseen",
                                   diag::OutcomeKind::kWarning}}));
    sink_.messages.clear();
    report = Validate(Damaged({"UPDATE `Feature` SET `Title` = NULL",
                               "UPDATE `_Validation` SET `Nullable` = 'N' WHERE `Column` = 'Title'",
                               "UPDATE `Item` SET `Mode` = 'maybe'"}),
                      {"Feature", "Nowhere"});
    EXPECT_EQ(report.outcome, tablesmith::ValidateReport::Outcome::kFindings);
    ASSERT_EQ(findings_.size(), 1u);
    EXPECT_EQ(findings_[0].rule, "REQUIRED");
    EXPECT_EQ(report.tables, 1u);
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_EQ(sink_.messages[0].kind, diag::OutcomeKind::kStop);

    report = Validate((inputs_.path() / "missing.msi").string());
    EXPECT_EQ(report.outcome, tablesmith::ValidateReport::Outcome::kUnreadable);
}

}  // namespace
