// Packages and transforms made with the engine, for the viewer's tests, its
// benchmark and the demo tool: a package from SQL statements, a changed copy
// of a package, and the transform between the two.
//
// Every function returns the first installer result code that was not
// ERROR_SUCCESS, so a caller can say what went wrong.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "msi.h"

namespace deltalens {

// Runs each statement (CREATE TABLE, INSERT, UPDATE, DELETE ...) on `database`.
UINT RunStatements(MSIHANDLE database, const std::vector<std::string>& statements);

// Inserts `rows` (each one value per column, as text) into `table` through
// one parameterised INSERT view, so that many rows cost one parse.
UINT InsertRows(MSIHANDLE database, const std::string& table,
                const std::vector<std::string>& columns,
                const std::vector<std::vector<std::string>>& rows);

// A new package at `path`: the statements run on a new database, which is
// then committed. The Property table a transform's summary needs is the
// caller's (see ProductProperties).
UINT CreatePackage(const std::string& path, const std::vector<std::string>& statements);

// The statements that make a Property table holding ProductCode,
// ProductVersion and ProductName: what a transform's summary information
// is made from.
std::vector<std::string> ProductProperties(const std::string& product_code,
                                           const std::string& product_name);

// Copies `base` to `changed` (replacing it), runs the statements on the
// copy and commits it. `base` is only read.
UINT MakeChangedCopy(const std::string& base, const std::string& changed,
                     const std::vector<std::string>& statements);

// Writes the transform that turns `base` into `changed`, with its summary
// information, to `transform`. Both packages are only read. ERROR_NO_DATA
// when the two do not differ (and then no file is written).
UINT MakeTransform(const std::string& base, const std::string& changed,
                   const std::string& transform, int validation = 0);

// A patch at `path` for the product codes `targets` (joined by ';'), whose
// summary lists the sub-storages `listed` (":NAME;:#NAME;..."), holding the
// transform files `storages` (name, file). Its own tables are none (a
// scratch database `path` + ".tables" holds them while it is made).
UINT MakePatch(const std::string& path, const std::string& targets, const std::string& listed,
               const std::vector<std::pair<std::string, std::string>>& storages);

}  // namespace deltalens
