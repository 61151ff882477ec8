// Patches and transforms held inside other files, beyond the installer's
// interface: what a patch (.msp) holds, what a transform says about the
// package it was made for, whether a database meets that, and applying a
// transform that lives in a sub-storage of another file. The failures of
// these calls leave the engine's words in msi::LastFailureText.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "msiquery.h"

namespace msi {

struct PatchSummary {
    std::vector<std::string> target_product_codes;
    std::string patch_code;
    // The transform pairs by NAME, in the patch's order: sub-storage NAME,
    // then its companion "#NAME", are applied in that order.
    std::vector<std::string> pairs;
};

// True when `path` is a compound file whose root says it is a patch; false
// for anything else (a transform, a package, no file, a damaged file).
bool IsPatchFile(LPCSTR path);

// Reads a patch's summary and checks that every transform it names is there
// with its companion. ERROR_OPEN_FAILED when the file cannot be opened,
// ERROR_PATCH_PACKAGE_INVALID when it is no patch or is damaged.
UINT ReadPatchSummary(LPCSTR path, PatchSummary* patch);

// What a transform's own summary information says about its base package.
struct TransformTerms {
    std::string base_product_code;
    std::string base_version;
    std::string new_product_code;
    std::string new_version;
    std::string upgrade_code;
    std::string base_template;  // "platform;language,language"
    int validation = 0;         // MSITRANSFORM_VALIDATE_* bits
    int error_conditions = 0;   // MSITRANSFORM_ERROR_* bits to suppress
};

// One validated term a database does not meet.
struct TransformMisfit {
    std::string what;  // "product code", "language", "platform", "product version", "upgrade code"
    std::string expected;  // what the transform asks for ("{GUID}", ">= 1.0.0")
    std::string actual;    // what the database has
};

// The transform in sub-storage `storage` of the compound file `file` (the
// whole file when `storage` is empty or null). ERROR_OPEN_FAILED when it
// cannot be opened, ERROR_INSTALL_TRANSFORM_FAILURE when it is no transform
// or its summary is damaged.
UINT ReadTransformTerms(LPCSTR file, LPCSTR storage, TransformTerms* terms);

// Checks that transform's validation against the database as it is now (a
// transform applied before counts): `misfits` gets every term not met, and
// stays empty when the transform fits. Results as ReadTransformTerms.
UINT CheckTransformFit(MSIHANDLE database, LPCSTR file, LPCSTR storage,
                       std::vector<TransformMisfit>* misfits);

// MsiDatabaseApplyTransformA for that transform, with the same error
// conditions (MSITRANSFORM_ERROR_VIEWTRANSFORM included) and results.
UINT DatabaseApplyTransformFrom(MSIHANDLE database, LPCSTR file, LPCSTR storage,
                                int error_conditions);

// Makes a patch at `path` from `database_file`'s own streams (tables and
// summary information: set Template to the target product codes, Last Saved
// By to ":NAME;:#NAME;...", Revision Number to the patch code) with each
// transform file of `transforms` (storage name, file) as a sub-storage. The
// tools read patches only; tests make theirs with this. ERROR_OPEN_FAILED
// for an input that cannot be read, ERROR_CREATE_FAILED when `path` cannot
// be written.
UINT WritePatchFile(LPCSTR path, LPCSTR database_file,
                    const std::vector<std::pair<std::string, std::string>>& transforms);

}  // namespace msi
