#include <iostream>
#include <string>
#include <vector>

#include "cli_main.h"

int main(int argc, char** argv) {
    // Nothing else in the program writes to the C streams while the change
    // list is printed, so the C++ streams may keep their own buffers.
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = deltalens::RunCommandLine(arguments, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
