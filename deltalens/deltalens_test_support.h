// Shared by the viewer's tests: a sample package with transforms made from
// it at test time, and the engine's own answer (its _TransformView rows) to
// compare the viewer's list with.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace deltalens_test {

using Rows = std::vector<std::vector<std::string>>;

// Made in `folder`:
//   package      Property (ProductCode, ProductVersion, ProductName) and
//                Items: Item CHAR(32) key | Count SHORT | Note CHAR(64),
//                rows alpha (1, "first"), beta (2, "second"), gamma (3, null)
//   transform    to a copy where alpha's Note is "changed", beta is gone,
//                delta (4, "fourth") is new, and Property gains Extra = "1"
//   other        to a copy where only gamma's Count is 30
//   empty        to a copy that differs only in its code page (1252): a
//                transform that changes no row, no column and no table
//   unrelated    a package without the Items table, of another product
//   text_file    a file of plain text
struct SampleFiles {
    std::string package;
    std::string transform;
    std::string other_transform;
    std::string empty_transform;
    std::string unrelated_package;
    std::string text_file;
};

// Builds the files; fails the current test (and leaves paths empty) when the
// engine cannot.
SampleFiles MakeSampleFiles(const std::filesystem::path& folder);

// A copy of `package` whose code page is `code_page`, set by importing a
// _ForceCodepage archive made in `folder`.
unsigned MakeCodePageCopy(const std::string& package, const std::string& copy,
                          const std::filesystem::path& folder, int code_page);

// The rows of _TransformView after the engine applies `transform` to
// `package` in view mode, read straight from the interface (fields 1 to 5 as
// MsiRecordGetStringA gives them), in query order. Empty with `ok` false
// when the engine refuses.
Rows EngineChanges(const std::string& package, const std::string& transform, bool& ok);

}  // namespace deltalens_test
