// Cabinets that tests make themselves where gcab cannot: a set of two
// cabinets with a file running from the first into the second, and folders
// in LZX form (gcab writes stored and MSZIP data only, and no program in the
// Debian archive writes LZX cabinets). The LZX data are uncompressed LZX
// blocks: a real LZX bitstream that libmspack decodes like any other, built
// here without a compressor. Data blocks carry checksums, as gcab wants them.
#pragma once

#include <string>
#include <vector>

namespace tablesmith_test {

struct CabEntry {
    std::string name;
    std::string bytes;
};

enum class CabData { kStored, kLzx };

// One folder holding `entries` in order, cut into cabinets after every
// `blocks_per_cabinet` data blocks of 32 KiB (0: one cabinet). Each cabinet
// but the last names the next one `next_names[i]`. The cabinets' bytes, in order.
std::vector<std::string> MakeCabinets(const std::vector<CabEntry>& entries, CabData data,
                                      std::size_t blocks_per_cabinet = 0,
                                      const std::vector<std::string>& next_names = {});

}  // namespace tablesmith_test
