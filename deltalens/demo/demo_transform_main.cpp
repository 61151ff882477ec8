// deltalens-demo-transform: makes a transform for the demo to show. It copies
// a package, changes the copy (a changed, an added and a removed property,
// and a new table with one row) and writes the transform from the package to
// the copy with the engine's transform generation.
//
//   deltalens-demo-transform BASE.msi CHANGED.msi TRANSFORM.mst [MORE.mst PATCH.msp]
//
// With MORE and PATCH it also changes CHANGED once more (a copy beside MORE,
// named as MORE with .msi) and writes that second transform to MORE, for a
// chain of two, and a patch holding the two as its pair "Demo" (TRANSFORM,
// then MORE as #Demo). BASE is only read; the others are replaced.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sample_packages.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char* Usage() {
    return "usage: deltalens-demo-transform BASE.msi CHANGED.msi TRANSFORM.mst [MORE.mst "
           "PATCH.msp]\n"
           "Copies BASE to CHANGED, changes the copy, and writes the transform from BASE to\n"
           "CHANGED to TRANSFORM. The package needs a Property table with ProductCode and\n"
           "ProductVersion. With MORE and PATCH, also a second transform from CHANGED to a\n"
           "copy changed once more (MORE with .msi), and a patch holding both as the pair\n"
           "Demo.\n";
}

// Changes that any package with a Property table takes. The DELETE finds
// nothing to remove in a package without a Manufacturer, which is fine.
std::vector<std::string> DemoChanges() {
    return {
        "UPDATE `Property` SET `Value` = 'Changed by the Deltalens demo' WHERE `Property` = "
        "'ProductName'",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('DeltalensDemo', 'added')",
        "DELETE FROM `Property` WHERE `Property` = 'Manufacturer'",
        "CREATE TABLE `DeltalensNote` (`Note` CHAR(32) NOT NULL, `Text` CHAR(255) PRIMARY KEY "
        "`Note`)",
        "INSERT INTO `DeltalensNote` (`Note`, `Text`) VALUES ('hello', 'a table the transform "
        "adds')",
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(Usage(), stdout);
        return kExitSuccess;
    }
    if (argc != 4 && argc != 6) {
        std::fputs("deltalens-demo-transform: error: BASE, CHANGED and TRANSFORM are needed\n",
                   stderr);
        std::fputs(Usage(), stderr);
        return kExitUsage;
    }
    const std::string base = argv[1];
    const std::string changed = argv[2];
    const std::string transform = argv[3];

    UINT result = deltalens::MakeChangedCopy(base, changed, DemoChanges());
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "deltalens-demo-transform: error: cannot change a copy of %s (%u)\n",
                     base.c_str(), result);
        return kExitFailure;
    }
    // A transform left from an earlier run would otherwise be taken for this one's.
    std::error_code ignored;
    std::filesystem::remove(transform, ignored);
    result = deltalens::MakeTransform(base, changed, transform);
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "deltalens-demo-transform: error: cannot make the transform (%u)\n",
                     result);
        return kExitFailure;
    }
    std::printf("made %s (from %s to %s)\n", transform.c_str(), base.c_str(), changed.c_str());
    if (argc == 4) return kExitSuccess;

    const std::string more = argv[4];
    const std::string patch = argv[5];
    const std::string further = std::filesystem::path(more).replace_extension(".msi").string();
    result = deltalens::MakeChangedCopy(
        changed, further,
        {"INSERT INTO `Property` (`Property`, `Value`) VALUES ('DeltalensDemoMore', 'added "
         "after')"});
    std::filesystem::remove(more, ignored);
    if (result == ERROR_SUCCESS) result = deltalens::MakeTransform(changed, further, more);
    if (result == ERROR_SUCCESS)
        result =
            deltalens::MakePatch(patch, "", ":Demo;:#Demo", {{"Demo", transform}, {"#Demo", more}});
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "deltalens-demo-transform: error: cannot make the patch (%u)\n",
                     result);
        return kExitFailure;
    }
    std::printf("made %s (from %s to %s) and %s\n", more.c_str(), changed.c_str(), further.c_str(),
                patch.c_str());
    return kExitSuccess;
}
