// The engine's validation of a package's tables, for the tools: each row of a
// table checked as MsiViewModify(MSIMODIFY_VALIDATE) checks it, and the rows
// of _Validation checked against the tables they describe. The rules live
// once, in the engine; this passes an open database's handle to them and
// keeps the engine's words when a table cannot be read.
#pragma once

#include <string>
#include <vector>

#include "msi_database.h"
#include "msi_engine.h"

using MsiRowFinding = msi::RowValidationFinding;
using MsiRuleFinding = msi::RuleValidationFinding;

// Appends the findings of `table`'s rows, and names in `unchecked` what the
// engine could not check. False when the table could not be read; `failure`
// then says why.
bool ValidateMsiTable(const CMsiDatabase& db, const std::string& table,
                      std::vector<MsiRowFinding>& findings, std::vector<std::string>& unchecked,
                      std::string& failure);

// Appends what _Validation gets wrong. False when it could not be read.
bool CheckMsiValidationRules(const CMsiDatabase& db, std::vector<MsiRuleFinding>& findings,
                             std::string& failure);

// "BADLINK" for MSIDBERROR_BADLINK.
std::string MsiValidationErrorName(int error);
