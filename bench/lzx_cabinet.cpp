// Makes an LZX cabinet for the extraction benchmark: no program in the
// Debian archive writes LZX, so the cabinet is made as the tests make theirs
// (test_cabinets.h), one folder of uncompressed LZX blocks. Its data are not
// compressed, but every byte goes through an LZX decoder on extraction.
//
//   lzx_cabinet OUT.cab FILE...
//
// Each file goes in under its own name without the folder. Exit status 0 on
// success, 1 on failure, 2 for a usage error.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_cabinets.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: lzx_cabinet OUT.cab FILE...\n");
        return 2;
    }
    std::vector<tablesmith_test::CabEntry> entries;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!in) {
            std::fprintf(stderr, "lzx_cabinet: cannot read %s\n", argv[i]);
            return 1;
        }
        const std::string path = argv[i];
        entries.push_back({path.substr(path.rfind('/') + 1), std::move(bytes).str()});
    }
    const auto cabinets = tablesmith_test::MakeCabinets(entries, tablesmith_test::CabData::kLzx);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(cabinets.at(0).data(), static_cast<std::streamsize>(cabinets[0].size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "lzx_cabinet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
