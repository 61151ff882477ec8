// Test-only: reads the streams directly below the root of a compound file held
// in memory, so that the codec tests can run over the shared fixtures without
// the storage layer. It checks just enough to stay in bounds on the fixtures;
// it is not the engine's reader and nothing outside the tests uses it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace msi::format::testing {

// Root-level streams by stored (encoded) name, or nothing when the file cannot
// be read this simply.
std::optional<std::map<std::u16string, std::vector<uint8_t>>> ReadRootStreams(
    const std::string& file);

}  // namespace msi::format::testing
