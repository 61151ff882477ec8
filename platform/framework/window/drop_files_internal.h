// The framework's side of a drop handle (drop_files.h).
#pragma once

#include <string>
#include <vector>

struct DropFiles {
    std::vector<std::string> paths;  // local files, absolute
};
