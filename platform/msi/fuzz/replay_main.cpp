// Runs a fuzz target over the files it is given (folders: every file in
// them, in name order), for builds without libFuzzer: the normal and the
// sanitizer builds replay the corpora this way as tests. Exits 1 when there
// was nothing to replay, so that a corpus that went missing is noticed.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> Inputs(const fs::path& path) {
    std::vector<fs::path> files;
    std::error_code error;
    if (fs::is_directory(path, error)) {
        for (const auto& entry : fs::directory_iterator(path, error))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    } else if (fs::is_regular_file(path, error)) {
        files.push_back(path);
    } else {
        std::printf("replay: %s is not there, skipped\n", path.c_str());
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        // libFuzzer's own options ("-runs=...") mean nothing here.
        if (argv[i][0] == '-') continue;
        for (const fs::path& file : Inputs(argv[i])) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replay: %zu inputs ran clean\n", replayed);
    return replayed > 0 ? 0 : 1;
}
