// A transform applied to the small base package: once in view mode (the
// _TransformView listing Deltalens reads), once for real with every error
// condition suppressed, after which every table is read and the result is
// committed to a file of its own and opened again.
#include <filesystem>

#include "fuzz_support.h"

namespace {

// Every MSITRANSFORM_ERROR_* condition of a real apply.
constexpr int kSuppressAll = 0x3F;
constexpr int kViewTransform = 256;

void ViewTransform(const std::string& transform) {
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(msi::fuzz::BasePackage().c_str(), MSIDBOPEN_TRANSACT, &database) !=
        ERROR_SUCCESS)
        return;
    if (MsiDatabaseApplyTransformA(database, transform.c_str(), kViewTransform) == ERROR_SUCCESS) {
        MSIHANDLE view = 0;
        if (MsiDatabaseOpenViewA(database, "SELECT * FROM `_TransformView` ORDER BY `Table`, `Row`",
                                 &view) == ERROR_SUCCESS) {
            if (MsiViewExecute(view, 0) == ERROR_SUCCESS) msi::fuzz::DrainView(view);
            MsiCloseHandle(view);
        }
    }
    MsiCloseHandle(database);
}

void ApplyTransform(const std::string& transform) {
    static const std::string output = msi::fuzz::ScratchFolder() + "/transformed.msi";
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(msi::fuzz::BasePackage().c_str(), output.c_str(), &database) !=
        ERROR_SUCCESS)
        return;
    if (MsiDatabaseApplyTransformA(database, transform.c_str(), kSuppressAll) == ERROR_SUCCESS) {
        msi::fuzz::ReadEveryTable(database);
        if (MsiDatabaseCommit(database) == ERROR_SUCCESS) {
            MSIHANDLE again = 0;
            // What was committed must open again.
            if (MsiOpenDatabaseA(output.c_str(), MSIDBOPEN_READONLY, &again) != ERROR_SUCCESS)
                __builtin_trap();
            msi::fuzz::ReadEveryTable(again);
            MsiCloseHandle(again);
        }
    }
    MsiCloseHandle(database);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string transform = msi::fuzz::MemoryFilePath({data, size});
    ViewTransform(transform);
    ApplyTransform(transform);
    return 0;
}
