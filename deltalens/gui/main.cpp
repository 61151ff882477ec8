// deltalens: the transform viewer's desktop program.
// Usage: deltalens [PACKAGE [TRANSFORM]] | --view PACKAGE [TRANSFORM]
#include <iostream>
#include <string>
#include <vector>

#include "deltalens_app.h"
#include "deltalens_version.h"
#include "general_options.h"

CDeltalensApp theApp;

namespace {

constexpr const char* kHelp =
    "Usage: deltalens [PACKAGE [TRANSFORM]]\n"
    "  or:  deltalens --view PACKAGE [TRANSFORM]\n"
    "  or:  deltalens --help | --version\n"
    "\n"
    "Opens the Deltalens dialog. There you choose a Windows Installer package\n"
    "(.msi) and a transform (.mst); Apply lists every change the transform would\n"
    "make to the package (Table, Column, Row, Data, Current) without changing\n"
    "either file. With PACKAGE the dialog opens with that package chosen; with\n"
    "TRANSFORM too, the changes are listed at once. A file named *.mst is taken\n"
    "as the transform wherever it stands, so a lone transform (as a file manager\n"
    "hands it over) fills the transform field. TRANSFORM may be a patch (.msp):\n"
    "the changes of its transform pairs that fit the package are listed. With\n"
    "--view the package viewer opens instead: every table of PACKAGE, with\n"
    "TRANSFORM's changes marked.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "The listing runs without a window in deltalens-cli, which also compares two\n"
    "packages and makes transforms.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window exists, so that they need no display.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (const auto status = cli::AnswerHelpOrVersion({"deltalens", deltalens::kVersion}, kHelp,
                                                     arguments, std::cout))
        return *status;
    return AfxWinMain(argc, argv);
}
