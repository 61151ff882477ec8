// The inputs of the deltalens-cli benchmark: a package whose Items table
// holds `changes` rows and a transform that gives each of them a new Value,
// so that viewing it lists exactly `changes` rows in _TransformView.
#pragma once

#include <filesystem>
#include <string>

namespace deltalens_bench {

struct BenchInputs {
    std::string package;
    std::string transform;
};

// Makes the files in `folder` (a changed copy of the package is made there
// too). Returns false with `error` set when the engine refuses a step.
bool MakeBenchInputs(const std::filesystem::path& folder, int changes, BenchInputs& inputs,
                     std::string& error);

}  // namespace deltalens_bench
