// Whole-table validation for tools: the checks of MSIMODIFY_VALIDATE over
// every row at once, and the checks of _Validation against the catalog.
#include <set>

#include "api/api_objects.h"
#include "api/last_failure.h"
#include "db/validation.h"
#include "msi_engine.h"

namespace msi {

// The interface's faults are the core's, in the same order.
static_assert(static_cast<int>(db::RuleFinding::Fault::kNoValidationTable) ==
                  static_cast<int>(RuleValidationFinding::Fault::kNoValidationTable) &&
              static_cast<int>(db::RuleFinding::Fault::kTypeMismatch) ==
                  static_cast<int>(RuleValidationFinding::Fault::kTypeMismatch));

UINT ValidateTable(MSIHANDLE database, LPCSTR table, std::vector<RowValidationFinding>& findings,
                   std::vector<std::string>& unchecked) {
    api::ClearLastFailure();
    auto db = api::GetDatabase(database);
    if (!db) return ERROR_INVALID_HANDLE;
    if (!table) return ERROR_INVALID_PARAMETER;
    if (!db->HasTable(table) || db::IsSystemTable(table)) return ERROR_INVALID_TABLE;
    auto loaded = db->GetTable(table);
    if (!loaded.ok()) {
        api::NoteLastFailure(loaded.status());
        return ERROR_FUNCTION_FAILED;
    }
    auto validator = db::Validator::For(*db, **loaded);
    if (!validator.ok()) {
        api::NoteLastFailure(validator.status());
        return ERROR_FUNCTION_FAILED;
    }
    std::vector<db::RowFinding> found;
    std::set<std::string> not_checked;
    if (Status s = validator->CheckTable(found, not_checked); !s.ok()) {
        api::NoteLastFailure(s);
        return ERROR_FUNCTION_FAILED;
    }
    for (auto& f : found)
        findings.push_back({f.error, std::move(f.column), std::move(f.key), std::move(f.value)});
    unchecked.insert(unchecked.end(), not_checked.begin(), not_checked.end());
    return ERROR_SUCCESS;
}

UINT CheckValidationRules(MSIHANDLE database, std::vector<RuleValidationFinding>& findings) {
    api::ClearLastFailure();
    auto db = api::GetDatabase(database);
    if (!db) return ERROR_INVALID_HANDLE;
    std::vector<db::RuleFinding> found;
    if (Status s = db::CheckRules(*db, found); !s.ok()) {
        api::NoteLastFailure(s);
        return ERROR_FUNCTION_FAILED;
    }
    for (auto& f : found)
        findings.push_back({static_cast<RuleValidationFinding::Fault>(f.fault), std::move(f.table),
                            std::move(f.column), std::move(f.detail)});
    return ERROR_SUCCESS;
}

const char* ValidationErrorName(int error) {
    static const char* const kNames[] = {
        "NOERROR",         "DUPLICATEKEY",  "REQUIRED",    "BADLINK",        "OVERFLOW",
        "UNDERFLOW",       "NOTINSET",      "BADVERSION",  "BADCASE",        "BADGUID",
        "BADWILDCARD",     "BADIDENTIFIER", "BADLANGUAGE", "BADFILENAME",    "BADPATH",
        "BADCONDITION",    "BADFORMATTED",  "BADTEMPLATE", "BADDEFAULTDIR",  "BADREGPATH",
        "BADCUSTOMSOURCE", "BADPROPERTY",   "MISSINGDATA", "BADCATEGORY",    "BADKEYTABLE",
        "BADMAXMINVALUES", "BADCABINET",    "BADSHORTCUT", "STRINGOVERFLOW", "BADLOCALIZEATTRIB"};
    if (error <= 0 || error >= static_cast<int>(std::size(kNames))) return "";
    return kNames[error];
}

}  // namespace msi
