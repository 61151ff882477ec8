// tablesmith: the export tool's desktop program. Usage: tablesmith [PACKAGE]
#include <iostream>
#include <string>
#include <vector>

#include "general_options.h"
#include "tablesmith_app.h"
#include "tablesmith_version.h"

CTablesmithApp theApp;

namespace {

constexpr const char* kHelp =
    "Usage: tablesmith [PACKAGE]\n"
    "  or:  tablesmith --view PACKAGE\n"
    "  or:  tablesmith --help | --version\n"
    "\n"
    "Opens the Tablesmith dialog. There you choose a Windows Installer package\n"
    "(.msi), see its tables, export one or all of them as IDT files (TABLE.tbl)\n"
    "and the cabinets the package carries into the export folder, and generate\n"
    "from that folder a new package whose cabinets are external files. With\n"
    "PACKAGE the dialog opens with that package chosen and its tables listed.\n"
    "With --view PACKAGE only the package viewer opens: every table of the\n"
    "package in a grid, its summary information, find in all tables.\n"
    "\n"
    "The export folder is the temporary folder ($TMPDIR, else /tmp) followed by\n"
    "the package's file name without its extension.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "The same commands run without a window in tablesmith-cli.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window exists, so that they need no display.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (const auto status = cli::AnswerHelpOrVersion({"tablesmith", tablesmith::kVersion}, kHelp,
                                                     arguments, std::cout))
        return *status;
    return AfxWinMain(argc, argv);
}
