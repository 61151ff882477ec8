// Which files "deltalens FILE..." was started with. A file manager hands the
// program the files a user opened with it, in no set order, so a file named
// *.mst (or a patch, *.msp) is taken as the transform and any other as the package; two files
// of the same kind keep the order PACKAGE TRANSFORM.
#pragma once

#include <string>
#include <vector>

namespace deltalens::gui {

struct StartFiles {
    std::string package;
    std::string transform;
    // "deltalens --view PACKAGE [TRANSFORM]": the package viewer alone.
    bool view = false;
};

StartFiles StartFilesOf(const std::vector<std::string>& arguments);

}  // namespace deltalens::gui
