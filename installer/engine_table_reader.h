// Test helper: a table read straight through the installer interface,
// without the classes under test, to compare their results with.
#pragma once

#include <string>
#include <vector>

namespace installer_test {

// The rows of a table, each field as text: a string as it is, an integer in
// decimal, null as "", a stream as "[Binary]" followed by its size.
std::vector<std::vector<std::string>> ReadTableDirectly(const std::string& package,
                                                        const std::string& table);

}  // namespace installer_test
