// Validate: every row of a package's tables checked against the rules its
// _Validation table holds, as the installer's VALIDATE checks a record, and
// _Validation itself checked against the tables it describes. The rules are
// the engine's (installer/msi_validation.h); this command picks the tables,
// words the findings and tells the outcome. No user interface: the command
// line hands the finding rows to its writer.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "outcome.h"

namespace tablesmith {

// One finding: where (table, column, the row's key values joined by ", ";
// no key for a finding about _Validation's rules), the rule by the
// installer's name ("BADLINK", or one of _Validation's own: NOVALIDATION,
// NORULE, NOSUCHTABLE, NOSUCHCOLUMN, TYPEMISMATCH) and a sentence.
struct ValidationFinding {
    std::string table;
    std::string column;
    std::string key;
    std::string rule;
    std::string message;
};

// The column names of a finding row, and its cells in that order.
const std::vector<std::string>& ValidationFindingColumns();
std::vector<std::string> ValidationFindingCells(const ValidationFinding& finding);

struct ValidateSettings {
    std::string msi_file;
    std::vector<std::string> tables;  // only these tables; empty: every table
};

struct ValidateReport {
    enum class Outcome {
        kValid,       // nothing found
        kFindings,    // findings, or a table that could not be read
        kUnreadable,  // the package (or every table asked for) could not be read
    };
    Outcome outcome = Outcome::kValid;
    size_t findings = 0;
    size_t tables = 0;  // tables whose rows were checked
};

// Checks the package; each finding goes to `found` as soon as it is known.
// A table that cannot be read is told to `sink` as a stop with its cause and
// the others are checked; what the engine cannot check ("Category Condition")
// is told once as a warning.
ValidateReport RunValidate(const ValidateSettings& settings, diag::OutcomeSink& sink,
                           const std::function<void(const ValidationFinding&)>& found);

}  // namespace tablesmith
