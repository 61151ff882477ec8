#include "validate_command.h"

#include <algorithm>
#include <map>
#include <set>

#include "msi_database.h"
#include "msi_validation.h"
#include "msiquery.h"
#include "package_tables.h"

namespace tablesmith {

namespace {

using Fault = MsiRuleFinding::Fault;

// A value quoted in a sentence, cut where it would swamp the line.
std::string Quoted(const std::string& value) {
    constexpr size_t kLongest = 60;
    if (value.size() <= kLongest) return "'" + value + "'";
    size_t cut = kLongest;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
    return "'" + value.substr(0, cut) + "...'";
}

// What a row finding means, in a sentence about its value.
std::string RowSentence(int error, const std::string& value) {
    const std::string v = Quoted(value);
    switch (error) {
        case MSIDBERROR_REQUIRED:
            return "null, but the column may not be null";
        case MSIDBERROR_BADLINK:
            return v + " is the key of no row of the KeyTable";
        case MSIDBERROR_BADKEYTABLE:
            return "none of the tables KeyTable names exists";
        case MSIDBERROR_OVERFLOW:
            return v + " is above MaxValue, or no number of the column's size";
        case MSIDBERROR_UNDERFLOW:
            return v + " is below MinValue";
        case MSIDBERROR_BADMAXMINVALUES:
            return "the rule's MaxValue is below its MinValue";
        case MSIDBERROR_NOTINSET:
            return v + " is not one of the Set";
        case MSIDBERROR_STRINGOVERFLOW:
            return v + " is longer than the column";
        case MSIDBERROR_BADCATEGORY:
            return "the rule's Category is not one the installer defines";
        case MSIDBERROR_BADCASE:
            return v + " is not in the letter case its Category asks";
        case MSIDBERROR_BADVERSION:
            return v + " is not a version";
        case MSIDBERROR_BADGUID:
            return v + " is not a GUID in braces and upper case";
        case MSIDBERROR_BADWILDCARD:
            return v + " is not a file name (wildcards allowed)";
        case MSIDBERROR_BADIDENTIFIER:
            return v + " is not an identifier";
        case MSIDBERROR_BADLANGUAGE:
            return v + " is not a list of language ids";
        case MSIDBERROR_BADFILENAME:
            return v + " is not a file name (short|long)";
        case MSIDBERROR_BADPATH:
            return v + " is not a path";
        case MSIDBERROR_BADCONDITION:
            return v + " is not a condition";
        case MSIDBERROR_BADFORMATTED:
            return v + " is not formatted text (a '[' is not closed)";
        case MSIDBERROR_BADTEMPLATE:
            return v + " is not a template (a '[' is not closed)";
        case MSIDBERROR_BADDEFAULTDIR:
            return v + " is not a directory name (target[:source])";
        case MSIDBERROR_BADREGPATH:
            return v + " is not a registry key path";
        case MSIDBERROR_BADCUSTOMSOURCE:
            return v + " is not the key a custom action's source needs";
        case MSIDBERROR_BADPROPERTY:
            return v + " is not a property name";
        case MSIDBERROR_BADCABINET:
            return v + " is not a cabinet name";
        case MSIDBERROR_BADSHORTCUT:
            return v + " is not a feature or a formatted target";
        default:
            return v + " does not validate";
    }
}

ValidationFinding FromRule(const MsiRuleFinding& f) {
    switch (f.fault) {
        case Fault::kNoValidationTable:
            return {f.table, "", "", "NOVALIDATION",
                    "the package has no _Validation table, so no row can be checked"};
        case Fault::kNoRule:
            return {f.table, f.column, "", "NORULE",
                    "_Validation has no row for this column (VALIDATE: MISSINGDATA on every row)"};
        case Fault::kUnknownTable:
            return {f.table, "", "", "NOSUCHTABLE",
                    "_Validation has " + f.detail + " row(s) for this table, which does not exist"};
        case Fault::kUnknownColumn:
            return {f.table, f.column, "", "NOSUCHCOLUMN",
                    "_Validation has a row for this column, which the table does not have"};
        case Fault::kTypeMismatch:
            return {f.table, f.column, "", "TYPEMISMATCH", "_Validation gives " + f.detail};
    }
    return {};
}

std::string JoinKey(const std::vector<std::string>& key) {
    std::string joined;
    for (const std::string& part : key) joined += (joined.empty() ? "" : ", ") + part;
    return joined;
}

}  // namespace

const std::vector<std::string>& ValidationFindingColumns() {
    static const std::vector<std::string> kColumns = {"Table", "Column", "Key", "Rule", "Message"};
    return kColumns;
}

std::vector<std::string> ValidationFindingCells(const ValidationFinding& f) {
    return {f.table, f.column, f.key, f.rule, f.message};
}

ValidateReport RunValidate(const ValidateSettings& settings, diag::OutcomeSink& sink,
                           const std::function<void(const ValidationFinding&)>& found) {
    ValidateReport report;
    auto tell = [&](const ValidationFinding& finding) {
        ++report.findings;
        found(finding);
    };
    CMsiDatabase database;
    if (!database.Open(settings.msi_file, 0)) {
        sink.Stop("can't open package " + settings.msi_file, database.GetFailureText());
        report.outcome = ValidateReport::Outcome::kUnreadable;
        return report;
    }
    std::vector<std::string> tables = ListPackageTables(settings.msi_file);
    bool trouble = false;
    if (!settings.tables.empty()) {
        std::vector<std::string> chosen;
        for (const std::string& name : settings.tables) {
            if (std::find(tables.begin(), tables.end(), name) == tables.end()) {
                sink.Stop("no table " + name + " in " + settings.msi_file);
                trouble = true;
            } else if (std::find(chosen.begin(), chosen.end(), name) == chosen.end()) {
                chosen.push_back(name);
            }
        }
        tables = std::move(chosen);
    }
    const std::set<std::string> asked(tables.begin(), tables.end());

    std::vector<MsiRuleFinding> rule_findings;
    std::string failure;
    bool rules_read = CheckMsiValidationRules(database, rule_findings, failure);
    if (!rules_read) {
        sink.Stop("can't read the _Validation table", failure);
        trouble = true;
    }
    bool has_rules = rules_read;
    for (const MsiRuleFinding& f : rule_findings) {
        if (f.fault == Fault::kNoValidationTable) has_rules = false;
        // With tables named, _Validation's faults about other tables are not asked for.
        const bool about_asked = asked.count(f.table) != 0 || f.fault == Fault::kNoValidationTable;
        if (settings.tables.empty() || about_asked) tell(FromRule(f));
    }

    size_t unreadable = 0;
    std::set<std::string> unchecked_all;
    if (has_rules) {
        for (const std::string& table : tables) {
            std::vector<MsiRowFinding> findings;
            std::vector<std::string> unchecked;
            if (!ValidateMsiTable(database, table, findings, unchecked, failure)) {
                sink.Stop("can't read table " + table, failure);
                ++unreadable;
                continue;
            }
            ++report.tables;
            for (const MsiRowFinding& f : findings) {
                // Told once per column above (NORULE), not once per row.
                if (f.error == MSIDBERROR_MISSINGDATA) continue;
                tell({table, f.column, JoinKey(f.key), MsiValidationErrorName(f.error),
                      RowSentence(f.error, f.value)});
            }
            unchecked_all.insert(unchecked.begin(), unchecked.end());
        }
    }
    for (const std::string& what : unchecked_all)
        sink.Warn(what + " is not checked: values of it passed unseen");
    database.Shutdown();

    const bool nothing_read = !tables.empty() && unreadable == tables.size();
    if (nothing_read || (tables.empty() && trouble))
        report.outcome = ValidateReport::Outcome::kUnreadable;
    else if (report.findings != 0 || trouble || unreadable != 0)
        report.outcome = ValidateReport::Outcome::kFindings;
    return report;
}

}  // namespace tablesmith
