// The validating modes of MsiViewModify against a database's _Validation
// table, and MsiViewGetErrorA handing out what they found.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "msi_engine.h"
#include "msiquery.h"
#include "test_support.h"

namespace {

class ValidateApi : public ::testing::Test {
  protected:
    void SetUp() override {
        baseline_ = msi::OpenHandleCount();
        const std::string path = (dir_.path() / "validate.msi").string();
        ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &db_), ERROR_SUCCESS);
        Exec(
            "CREATE TABLE `Feature` (`Feature` CHAR(38) NOT NULL, `Title` CHAR(64) "
            "PRIMARY KEY `Feature`)");
        Exec(
            "CREATE TABLE `Item` (`Item` CHAR(72) NOT NULL, `Feature_` CHAR(38) NOT NULL, "
            "`Level` SHORT, `Code` CHAR(38), `Mode` CHAR(8), `Short` CHAR(4), `Text` CHAR(0) "
            "PRIMARY KEY `Item`)");
        Exec(
            "CREATE TABLE `_Validation` (`Table` CHAR(32) NOT NULL, `Column` CHAR(32) NOT NULL, "
            "`Nullable` CHAR(4) NOT NULL, `MinValue` LONG, `MaxValue` LONG, `KeyTable` "
            "CHAR(255), `KeyColumn` SHORT, `Category` CHAR(32), `Set` CHAR(255), `Description` "
            "CHAR(255) PRIMARY KEY `Table`, `Column`)");
        Rule("'Feature', 'Feature', 'N', NULL, NULL, NULL, NULL, 'Identifier', NULL");
        Rule("'Feature', 'Title', 'Y', NULL, NULL, NULL, NULL, 'Text', NULL");
        Rule("'Item', 'Item', 'N', NULL, NULL, NULL, NULL, 'Identifier', NULL");
        Rule("'Item', 'Feature_', 'N', NULL, NULL, 'Feature', 1, 'Identifier', NULL");
        Rule("'Item', 'Level', 'Y', 0, 1000, NULL, NULL, NULL, NULL");
        Rule("'Item', 'Code', 'Y', NULL, NULL, NULL, NULL, 'GUID', NULL");
        Rule("'Item', 'Mode', 'Y', NULL, NULL, NULL, NULL, 'Text', 'on;off'");
        Rule("'Item', 'Short', 'Y', NULL, NULL, NULL, NULL, 'UpperCase', NULL");
        Rule("'Item', 'Text', 'Y', NULL, NULL, NULL, NULL, 'Text', NULL");
        Exec("INSERT INTO `Feature` (`Feature`, `Title`) VALUES ('Main', 'Main feature')");
        Exec(
            "INSERT INTO `Item` (`Item`, `Feature_`, `Level`, `Code`, `Mode`, `Short`) VALUES "
            "('First', 'Main', 3, '{12345678-ABCD-ABCD-ABCD-1234567890AB}', 'on', 'AB')");
    }
    void TearDown() override {
        for (MSIHANDLE h : handles_) MsiCloseHandle(h);
        EXPECT_EQ(MsiCloseHandle(db_), ERROR_SUCCESS);
        EXPECT_EQ(msi::OpenHandleCount(), baseline_) << "a handle was left open";
    }

    void Exec(const std::string& sql) {
        MSIHANDLE view = 0;
        ASSERT_EQ(MsiDatabaseOpenViewA(db_, sql.c_str(), &view), ERROR_SUCCESS) << sql;
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS) << sql;
        MsiCloseHandle(view);
    }
    void Rule(const std::string& values) {
        Exec(
            "INSERT INTO `_Validation` (`Table`, `Column`, `Nullable`, `MinValue`, `MaxValue`, "
            "`KeyTable`, `KeyColumn`, `Category`, `Set`) VALUES (" +
            values + ")");
    }
    MSIHANDLE View(const std::string& sql) {
        MSIHANDLE view = 0;
        EXPECT_EQ(MsiDatabaseOpenViewA(db_, sql.c_str(), &view), ERROR_SUCCESS) << sql;
        EXPECT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
        handles_.push_back(view);
        return view;
    }
    // A fetched Item row, view and record.
    std::pair<MSIHANDLE, MSIHANDLE> FetchFirst() {
        MSIHANDLE view = View("SELECT * FROM `Item`"), rec = 0;
        EXPECT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
        handles_.push_back(rec);
        return {view, rec};
    }
    // Every finding GetError hands out until it says there is none.
    static std::vector<std::string> Errors(MSIHANDLE view) {
        std::vector<std::string> found;
        for (int i = 0; i < 20; ++i) {
            char column[64] = "x";
            DWORD size = sizeof column;
            const MSIDBERROR error = MsiViewGetErrorA(view, column, &size);
            if (error == MSIDBERROR_NOERROR) {
                EXPECT_STREQ(column, "");
                return found;
            }
            found.push_back(std::to_string(error) + ":" + column);
        }
        ADD_FAILURE() << "GetError never ran out";
        return found;
    }

    testing_support::TempDir dir_;
    MSIHANDLE db_ = 0;
    size_t baseline_ = 0;
    std::vector<MSIHANDLE> handles_;
};

TEST_F(ValidateApi, AValidRowPassesEveryMode) {
    auto [view, rec] = FetchFirst();
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_FIELD, rec), ERROR_SUCCESS);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_DELETE, rec), ERROR_SUCCESS);
    EXPECT_TRUE(Errors(view).empty());
    MsiRecordSetStringA(rec, 1, "Second");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_NEW, rec), ERROR_SUCCESS);
    // Through a view of some columns, the others are checked as stored.
    MSIHANDLE partial = View("SELECT `Item`, `Mode` FROM `Item`"), fetched = 0;
    ASSERT_EQ(MsiViewFetch(partial, &fetched), ERROR_SUCCESS);
    handles_.push_back(fetched);
    EXPECT_EQ(MsiViewModify(partial, MSIMODIFY_VALIDATE, fetched), ERROR_SUCCESS);
}

TEST_F(ValidateApi, EachRuleGivesItsErrorOnItsColumnInColumnOrder) {
    auto [view, rec] = FetchFirst();
    MsiRecordSetStringA(rec, 2, "Missing");  // no such Feature
    MsiRecordSetInteger(rec, 3, 1001);       // above MaxValue
    MsiRecordSetStringA(rec, 4, "{lower-case}");
    MsiRecordSetStringA(rec, 5, "maybe");  // not in the set
    MsiRecordSetStringA(rec, 6, "abcde");  // lower case and too long: the width comes first
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(Errors(view),
              (std::vector<std::string>{std::to_string(MSIDBERROR_BADLINK) + ":Feature_",
                                        std::to_string(MSIDBERROR_OVERFLOW) + ":Level",
                                        std::to_string(MSIDBERROR_BADGUID) + ":Code",
                                        std::to_string(MSIDBERROR_NOTINSET) + ":Mode",
                                        std::to_string(MSIDBERROR_STRINGOVERFLOW) + ":Short"}));
    // Read out, the list starts over for a reader that asks again.
    EXPECT_EQ(Errors(view).size(), 5u);

    MsiRecordSetInteger(rec, 3, -1);
    MsiRecordSetStringA(rec, 6, "abcd");  // as wide as the column: only the case is wrong
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_INVALID_DATA);
    const auto errors = Errors(view);
    ASSERT_EQ(errors.size(), 5u);
    EXPECT_EQ(errors[1], std::to_string(MSIDBERROR_UNDERFLOW) + ":Level");
    EXPECT_EQ(errors[4], std::to_string(MSIDBERROR_BADCASE) + ":Short");

    // The next Modify starts a new list.
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_REFRESH, rec), ERROR_SUCCESS);
    EXPECT_TRUE(Errors(view).empty());

    // MinValue and MaxValue are in the range.
    for (const int level : {0, 1000}) {
        MsiRecordSetInteger(rec, 3, level);
        EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_SUCCESS) << level;
    }
}

TEST_F(ValidateApi, NewRecordsAreCheckedForDuplicateKeysAndRequiredValues) {
    MSIHANDLE view = View("SELECT `Item`, `Feature_` FROM `Item`");
    MSIHANDLE rec = MsiCreateRecord(2);
    handles_.push_back(rec);
    MsiRecordSetStringA(rec, 1, "First");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_NEW, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(Errors(view),
              (std::vector<std::string>{std::to_string(MSIDBERROR_DUPLICATEKEY) + ":Item",
                                        std::to_string(MSIDBERROR_REQUIRED) + ":Feature_"}));
    MsiRecordSetStringA(rec, 1, "9bad");
    MsiRecordSetStringA(rec, 2, "Main");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_NEW, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(Errors(view),
              (std::vector<std::string>{std::to_string(MSIDBERROR_BADIDENTIFIER) + ":Item"}));
}

TEST_F(ValidateApi, FieldModeChecksTheFieldsGivenAndNoForeignKeys) {
    MSIHANDLE view = View("SELECT `Item`, `Feature_`, `Mode` FROM `Item`");
    MSIHANDLE rec = MsiCreateRecord(3);
    handles_.push_back(rec);
    MsiRecordSetStringA(rec, 2, "Missing");  // no such Feature: not checked here
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_FIELD, rec), ERROR_SUCCESS);
    MsiRecordSetStringA(rec, 3, "sideways");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_FIELD, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(Errors(view),
              (std::vector<std::string>{std::to_string(MSIDBERROR_NOTINSET) + ":Mode"}));
    // The whole record with the missing foreign key is refused by the other modes.
    MsiRecordSetStringA(rec, 1, "Other");
    MsiRecordSetStringA(rec, 3, "off");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_NEW, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(Errors(view),
              (std::vector<std::string>{std::to_string(MSIDBERROR_BADLINK) + ":Feature_"}));
}

TEST_F(ValidateApi, DeleteModeRefusesARowOthersReferTo) {
    MSIHANDLE view = View("SELECT * FROM `Feature`"), rec = 0;
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
    handles_.push_back(rec);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_DELETE, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(Errors(view),
              (std::vector<std::string>{std::to_string(MSIDBERROR_REQUIRED) + ":Feature"}));
    Exec("DELETE FROM `Item`");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_DELETE, rec), ERROR_SUCCESS);
    // Only a fetched record names a row to delete.
    MSIHANDLE fresh = MsiCreateRecord(2);
    handles_.push_back(fresh);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_DELETE, fresh), ERROR_FUNCTION_FAILED);
}

TEST_F(ValidateApi, ChecksTheEngineDoesNotHaveAreNeverPassed) {
    Exec("UPDATE `_Validation` SET `Category` = 'URL' WHERE `Column` = 'Text'");
    auto [view, rec] = FetchFirst();
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_SUCCESS);  // Text is null
    MsiRecordSetStringA(rec, 7, "[ProductName]");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_CALL_NOT_IMPLEMENTED);
    // A finding elsewhere is still reported as one.
    MsiRecordSetStringA(rec, 5, "maybe");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_INVALID_DATA);
    // A category the installer does not know is the rule's fault.
    Exec("UPDATE `_Validation` SET `Category` = 'Nonsense' WHERE `Column` = 'Text'");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE_FIELD, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(Errors(view),
              (std::vector<std::string>{std::to_string(MSIDBERROR_NOTINSET) + ":Mode",
                                        std::to_string(MSIDBERROR_BADCATEGORY) + ":Text"}));
    // Nor are the bounds of a string column (a date, a version).
    Exec("UPDATE `_Validation` SET `Category` = 'Text' WHERE `Column` = 'Text'");
    Exec("UPDATE `_Validation` SET `MinValue` = 1 WHERE `Column` = 'Mode'");
    MsiRecordSetStringA(rec, 5, "on");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_CALL_NOT_IMPLEMENTED);
}

// Each Category on the Text column: values it takes, values it refuses and
// what VALIDATE says of each of those. The values sit on the edges of each
// rule: the first and last characters of a range, the longest name, the
// widest number.
TEST_F(ValidateApi, CategoriesTakeTheirValuesAndRefuseOthers) {
    struct Case {
        const char* category;
        std::vector<std::string> good;
        std::vector<std::string> bad;
        int error;
    };
    const std::string long_name(255, 'n');
    const Case cases[] = {
        {"UpperCase", {"AZ09_`{@["}, {"a", "z"}, MSIDBERROR_BADCASE},
        {"LowerCase", {"az09_@[`{"}, {"A", "Z"}, MSIDBERROR_BADCASE},
        {"Integer", {"-32768", "32767"}, {"32768", "1.0", "-", "+1"}, MSIDBERROR_OVERFLOW},
        {"Integer", {}, {"-32769"}, MSIDBERROR_UNDERFLOW},
        {"DoubleInteger",
         {"2147483647", "-2147483648", "1234567890"},
         {"12a", "2147483648", "12345678901"},
         MSIDBERROR_OVERFLOW},
        {"Time/Date", {"-5"}, {"-2147483649"}, MSIDBERROR_UNDERFLOW},
        {"Identifier",
         {"_AZaz09.", "z"},
         {"9a", ".a", "a-b", "a@", "a[", "a`", "a{", "a/", "a:"},
         MSIDBERROR_BADIDENTIFIER},
        {"Property", {"%Env_1", "Prop"}, {"%", "%1x", "1x"}, MSIDBERROR_BADPROPERTY},
        {"Guid",
         {"{01234567-89AB-CDEF-0000-9999999999AF}"},
         {"{01234567-89AB-CDEF-0000-9999999999aF}", "{01234567-89AB-CDEF-0000-9999999999GF}",
          "{01234567-89AB-CDEF-0000-9999999999@F}", "{012345678-9AB-CDEF-0000-9999999999AF}",
          "[01234567-89AB-CDEF-0000-9999999999AF}", "{01234567-89AB-CDEF-0000-9999999999AF]",
          "{01234567-89AB-CDEF-0000-9999999999AF}0"},
         MSIDBERROR_BADGUID},
        {"Version",
         {"1.2.3.65535", "0"},
         {"1.2.3.4.5", "65536", "000001", "1..2", "1.a", "1,2"},
         MSIDBERROR_BADVERSION},
        {"Language",
         {"0,1033,65535", "1031"},
         {"1033;1031", "65536", "1033,"},
         MSIDBERROR_BADLANGUAGE},
        {"Cabinet",
         {"#Data_1.cab", "DISK1.CAB", "12345678.123", "A"},
         {"#1data", "#", "123456789.CAB", "A.CABS", "A B.CAB", ".CAB"},
         MSIDBERROR_BADCABINET},
        {"Filename",
         {"PROGRA~1.TXT|Program File.txt", "12345678.ABC|x", "read me.txt", long_name},
         {"PROGRAMFI.TXT|Program File.txt", "A.TXTX|x", "A.B.C|x", ".TXT|x", "A B|x", "A|", "a:b",
          "a*b", "a?b", "...", long_name + "n"},
         MSIDBERROR_BADFILENAME},
        {"WildCardFilename",
         {"*.TXT|*.text", "?A.TX?|a?b*"},
         {"A*B|a/b", "A/B|ab"},
         MSIDBERROR_BADWILDCARD},
        {"Path", {"[INSTALLDIR]bin\\tool.exe"}, {"C:\\a<b"}, MSIDBERROR_BADPATH},
        {"Paths", {"[A]x;[B]y"}, {"[A]x;y*"}, MSIDBERROR_BADPATH},
        {"AnyPath",
         {"SHORT.TXT|Long name.txt", "C:\\dir"},
         {"LONGNAME12.TXT|x", "SHORT.TXT|a*b", "a<b"},
         MSIDBERROR_BADPATH},
        {"DefaultDir",
         {"PROGRA~1|Program Files:.", ".", "DIR:SRC"},
         {"a:b:c", "a:b*", "a*"},
         MSIDBERROR_BADDEFAULTDIR},
        {"RegPath",
         {"Software\\[Manufacturer]"},
         {"\\Software", "Software\\[Manufacturer"},
         MSIDBERROR_BADREGPATH},
        {"Formatted",
         {"[[Name]] [\\[] {x}", "{\\*\\lchars $([\\'5c)]}", "a]b"},
         {"[ProductName", "[\\'5c", "[\\["},
         MSIDBERROR_BADFORMATTED},
        {"KeyFormatted", {"[#File]"}, {"[#File"}, MSIDBERROR_BADFORMATTED},
        {"FormattedSDDLText",
         {"D:(A;;GA;;;[USER])"},
         {"D:(A;;GA;;;[USER)"},
         MSIDBERROR_BADFORMATTED},
        {"Template", {"[1] of [2]"}, {"[1 of [2]"}, MSIDBERROR_BADTEMPLATE},
        {"CustomSource", {"Binary1"}, {"1Binary"}, MSIDBERROR_BADCUSTOMSOURCE},
        {"Condition",
         {"NOT Installed AND (A ~= \"x\")"},
         {"NOT (Installed"},
         MSIDBERROR_BADCONDITION},
        {"Shortcut",
         {"[#App.exe]", "MainFeature"},
         {"Main Feature", "[#App.exe"},
         MSIDBERROR_BADSHORTCUT},
        {"Binary", {"anything at all"}, {}, MSIDBERROR_NOERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.category);
        Exec(std::string("UPDATE `_Validation` SET `Category` = '") + c.category +
             "' WHERE `Column` = 'Text'");
        auto [view, rec] = FetchFirst();
        for (const std::string& good : c.good) {
            MsiRecordSetStringA(rec, 7, good.c_str());
            EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_SUCCESS) << good;
        }
        for (const std::string& bad : c.bad) {
            MsiRecordSetStringA(rec, 7, bad.c_str());
            EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_INVALID_DATA) << bad;
            EXPECT_EQ(Errors(view), (std::vector<std::string>{std::to_string(c.error) + ":Text"}))
                << bad;
        }
    }
}

// A version column with a KeyTable takes a version or a key of that table.
TEST_F(ValidateApi, VersionsOrKeysOfTheirKeyTable) {
    Exec(
        "UPDATE `_Validation` SET `Category` = 'Version', `KeyTable` = 'Item', `KeyColumn` = 1 "
        "WHERE `Column` = 'Code'");
    auto [view, rec] = FetchFirst();
    for (const char* good : {"1.2.3", "First"}) {
        MsiRecordSetStringA(rec, 4, good);
        EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_SUCCESS) << good;
    }
    MsiRecordSetStringA(rec, 4, "Nothing");
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(Errors(view),
              (std::vector<std::string>{std::to_string(MSIDBERROR_BADLINK) + ":Code"}));
}

// The whole-table check says of each stored row what VALIDATE says of it
// fetched, with the row's key; what it cannot check it names once.
TEST_F(ValidateApi, TableCheckAgreesWithValidateOnEveryRow) {
    Exec("UPDATE `_Validation` SET `Category` = 'URL' WHERE `Column` = 'Text'");
    Exec(
        "INSERT INTO `Item` (`Item`, `Feature_`, `Level`, `Mode`, `Text`) VALUES "
        "('Second', 'Gone', 2000, 'off', 'NOT Installed')");
    Exec("INSERT INTO `Item` (`Item`, `Feature_`, `Short`) VALUES ('Third', 'Main', 'ab')");
    std::vector<std::string> fetched;
    MSIHANDLE view = View("SELECT * FROM `Item`");
    for (;;) {
        MSIHANDLE rec = 0;
        if (MsiViewFetch(view, &rec) != ERROR_SUCCESS) break;
        handles_.push_back(rec);
        char key[16] = "";
        DWORD size = sizeof key;
        MsiRecordGetStringA(rec, 1, key, &size);
        MsiViewModify(view, MSIMODIFY_VALIDATE, rec);
        for (const std::string& error : Errors(view))
            fetched.push_back(std::string(key) + ":" + error);
    }
    std::vector<msi::RowValidationFinding> findings;
    std::vector<std::string> unchecked;
    ASSERT_EQ(msi::ValidateTable(db_, "Item", findings, unchecked), ERROR_SUCCESS);
    std::vector<std::string> whole;
    for (const auto& f : findings) {
        ASSERT_EQ(f.key.size(), 1u);
        whole.push_back(f.key[0] + ":" + std::to_string(f.error) + ":" + f.column);
    }
    EXPECT_EQ(whole, fetched);
    EXPECT_EQ(whole.size(), 3u);  // Second: BADLINK, OVERFLOW; Third: BADCASE
    EXPECT_EQ(unchecked, std::vector<std::string>{"Category URL"});
    EXPECT_EQ(msi::ValidateTable(db_, "Nowhere", findings, unchecked), ERROR_INVALID_TABLE);
}

// _Validation's own faults, each found once: a column without a row, a row
// for a missing table and one for a missing column, a Category unfit for the
// column's type.
TEST_F(ValidateApi, RuleCheckFindsWhatValidationGetsWrong) {
    std::vector<msi::RuleValidationFinding> findings;
    ASSERT_EQ(msi::CheckValidationRules(db_, findings), ERROR_SUCCESS);
    // _Validation does not describe itself here: ten columns without a row.
    ASSERT_EQ(findings.size(), 10u);
    findings.clear();
    for (const char* column : {"Table", "Column", "Nullable", "MinValue", "MaxValue", "KeyTable",
                               "KeyColumn", "Category", "Set", "Description"})
        Rule(std::string("'_Validation', '") + column +
             "', 'Y', NULL, NULL, NULL, NULL, NULL, NULL");
    Exec("DELETE FROM `_Validation` WHERE `Table` = 'Feature' AND `Column` = 'Title'");
    Rule("'Gone', 'A', 'Y', NULL, NULL, NULL, NULL, NULL, NULL");
    Rule("'Gone', 'B', 'Y', NULL, NULL, NULL, NULL, NULL, NULL");
    Rule("'Item', 'Nope', 'Y', NULL, NULL, NULL, NULL, NULL, NULL");
    Exec("UPDATE `_Validation` SET `Category` = 'Text' WHERE `Column` = 'Level'");
    Exec("UPDATE `_Validation` SET `Category` = 'Integer' WHERE `Column` = 'Mode'");
    ASSERT_EQ(msi::CheckValidationRules(db_, findings), ERROR_SUCCESS);
    using Fault = msi::RuleValidationFinding::Fault;
    std::vector<std::string> seen;
    for (const auto& f : findings)
        seen.push_back(std::to_string(static_cast<int>(f.fault)) + ":" + f.table + "." + f.column +
                       ":" + f.detail);
    EXPECT_EQ(seen, (std::vector<std::string>{
                        std::to_string(static_cast<int>(Fault::kTypeMismatch)) +
                            ":Item.Level:Category Text on a short integer column",
                        std::to_string(static_cast<int>(Fault::kTypeMismatch)) +
                            ":Item.Mode:Category Integer on a string column",
                        std::to_string(static_cast<int>(Fault::kUnknownColumn)) + ":Item.Nope:",
                        std::to_string(static_cast<int>(Fault::kUnknownTable)) + ":Gone.:2",
                        std::to_string(static_cast<int>(Fault::kNoRule)) + ":Feature.Title:"}));
    Exec("DROP TABLE `_Validation`");
    findings.clear();
    ASSERT_EQ(msi::CheckValidationRules(db_, findings), ERROR_SUCCESS);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].fault, Fault::kNoValidationTable);
    // One without a Column column describes nothing: neither check can run.
    Exec("CREATE TABLE `_Validation` (`Table` CHAR(32) NOT NULL PRIMARY KEY `Table`)");
    EXPECT_EQ(msi::CheckValidationRules(db_, findings), ERROR_FUNCTION_FAILED);
    auto [view, rec] = FetchFirst();
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_FUNCTION_FAILED);
}

TEST_F(ValidateApi, ColumnsWithoutRulesAreMissingData) {
    Exec("DELETE FROM `_Validation` WHERE `Table` = 'Feature'");
    MSIHANDLE view = View("SELECT * FROM `Feature`"), rec = 0;
    ASSERT_EQ(MsiViewFetch(view, &rec), ERROR_SUCCESS);
    handles_.push_back(rec);
    EXPECT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_INVALID_DATA);
    EXPECT_EQ(Errors(view),
              (std::vector<std::string>{std::to_string(MSIDBERROR_MISSINGDATA) + ":Feature",
                                        std::to_string(MSIDBERROR_MISSINGDATA) + ":Title"}));
}

TEST_F(ValidateApi, GetErrorBufferRules) {
    auto [view, rec] = FetchFirst();
    MsiRecordSetStringA(rec, 5, "maybe");
    ASSERT_EQ(MsiViewModify(view, MSIMODIFY_VALIDATE, rec), ERROR_INVALID_DATA);
    char column[8] = "x";
    DWORD size = 0;
    EXPECT_EQ(MsiViewGetErrorA(view, nullptr, nullptr), MSIDBERROR_INVALIDARG);
    EXPECT_EQ(MsiViewGetErrorA(0, column, &size), MSIDBERROR_INVALIDARG);
    // Too small: the size needed, and the finding stays for the next call.
    EXPECT_EQ(MsiViewGetErrorA(view, column, &size), MSIDBERROR_MOREDATA);
    EXPECT_EQ(size, 4u);
    EXPECT_STREQ(column, "x");
    size = sizeof column;
    EXPECT_EQ(MsiViewGetErrorA(view, column, &size), MSIDBERROR_NOTINSET);
    EXPECT_STREQ(column, "Mode");
    EXPECT_EQ(size, 4u);
    // Past the last finding: no error and no name, even in a buffer of none.
    size = 0;
    EXPECT_EQ(MsiViewGetErrorA(view, column, &size), MSIDBERROR_NOERROR);
    EXPECT_EQ(size, 0u);
}

}  // namespace
