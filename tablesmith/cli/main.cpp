// tablesmith-cli: see command_line.h.
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tablesmith::cli::RunCommandLine(args, std::cout, std::cerr);
}
