// What a package, a transform or a patch is, read without changing it: the facts
// tablesmith-cli info prints. A package: its summary information, code page,
// the product's key properties, its size in tables and rows, and its
// cabinets. A transform: its summary, the products and versions it is made
// between, the conditions it checks and suppresses, and the tables it
// touches. No UI: the CLI renders these, and tests read them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "outcome.h"
#include "summary_information.h"

namespace tablesmith {

struct CabinetFact {
    std::string name;  // the Media table's Cabinet value without a leading "#"
    bool embedded = false;
    bool missing = false;  // an external one that is not beside the package
    std::uint64_t size = 0;
};

struct PackageFacts {
    std::vector<installer::SummaryProperty> summary;
    unsigned code_page = 0;  // of the database's strings
    // The key properties of the Property table the package has, in the
    // order of KeyPropertyNames().
    std::vector<std::pair<std::string, std::string>> properties;
    std::size_t tables = 0;
    std::size_t rows = 0;
    std::vector<CabinetFact> cabinets;  // in the Media table's order
};

// A table a transform touches and how: "added", "dropped", "columns added",
// "rows changed" (the last two together when both).
struct TransformTableFact {
    std::string table;
    std::string change;
};

struct TransformFacts {
    std::vector<installer::SummaryProperty> summary;
    // What the summary says of the products it was made between.
    std::string target_product_code;
    std::string target_version;
    std::string upgraded_product_code;
    std::string upgraded_version;
    std::string upgrade_code;
    unsigned validation = 0;        // MSITRANSFORM_VALIDATE_* bits
    unsigned error_conditions = 0;  // MSITRANSFORM_ERROR_* bits suppressed
    std::vector<TransformTableFact> tables;
};

// A transform pair of a patch (sub-storages NAME and #NAME) and the product
// it is made for.
struct PatchPairFact {
    std::string name;
    std::string target_product_code;
    std::string target_version;
    std::string upgraded_version;
};

struct PatchFacts {
    std::string patch_code;
    std::vector<std::string> targets;  // the target product codes
    std::vector<PatchPairFact> pairs;
};

struct FileFacts {
    // A patch has a package's facts (its own tables) and its pairs.
    enum class Kind { kPackage, kTransform, kPatch };
    Kind kind = Kind::kPackage;
    // False when the file could not be read at all: there are no facts to tell.
    bool opened = false;
    PackageFacts package;
    TransformFacts transform;
    PatchFacts patch;
};

// The Property table rows info shows, in its order.
const std::vector<std::string>& KeyPropertyNames();

// The tables the transform at `path` touches, sorted as the table list is.
// `is_transform` false (and nothing told) when the file is no transform;
// false when it is one but cannot be read, told to `sink`.
bool ReadTransformTableFacts(const std::string& path, std::vector<TransformTableFact>& tables,
                             bool& is_transform, diag::OutcomeSink& sink);

// Reads the facts of the package or transform at `path`. False when it
// cannot be read, told to `sink` with the cause; a part that cannot be read
// (a damaged table while counting rows) is a warning, and the rest is read.
bool ReadFileFacts(const std::string& path, FileFacts& facts, diag::OutcomeSink& sink);

}  // namespace tablesmith
