#include "test_cabinets.h"

#include <algorithm>
#include <cstdint>

namespace tablesmith_test {

namespace {

constexpr std::size_t kBlock = 32768;
constexpr std::uint16_t kStoredType = 0;
constexpr std::uint16_t kLzxType = 3 | (15 << 8);  // LZX, window of 2^15 bytes
// CFFILE.iFolder values of a file that crosses a cabinet boundary.
constexpr std::uint16_t kToNext = 0xFFFE;
constexpr std::uint16_t kFromPrev = 0xFFFD;
constexpr std::uint16_t kPrevAndNext = 0xFFFF;
// CFHEADER.flags.
constexpr std::uint16_t kHasPrev = 0x1;
constexpr std::uint16_t kHasNext = 0x2;
constexpr std::size_t kHeaderSize = 36;
constexpr std::size_t kFolderSize = 8;

void U16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void U32(std::string& out, std::uint32_t value) {
    U16(out, value & 0xFFFF);
    U16(out, value >> 16);
}
void Put32(std::string& out, std::size_t at, std::uint32_t value) {
    std::string bytes;
    U32(bytes, value);
    out.replace(at, 4, bytes);
}

// A data block's checksum: its bytes XORed together as little-endian 32-bit
// words (a short tail as one word, its first byte highest), then the word
// of its two sizes. libmspack takes 0 for "none", but gcab checks it anyway.
std::uint32_t BlockChecksum(const std::string& bytes, std::size_t out_size) {
    std::uint32_t sum = 0;
    const std::size_t whole = bytes.size() / 4 * 4;
    for (std::size_t i = 0; i < whole; i += 4)
        sum ^= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 24;
    std::uint32_t tail = 0;
    for (std::size_t i = whole; i < bytes.size(); ++i)
        tail = tail << 8 | static_cast<unsigned char>(bytes[i]);
    sum ^= tail;
    return sum ^
           (static_cast<std::uint32_t>(bytes.size()) | static_cast<std::uint32_t>(out_size) << 16);
}

// An uncompressed LZX block holds at most 2^24 - 1 bytes; longer data takes
// several, each a whole number of 32 KiB frames but the last.
constexpr std::size_t kLzxBlockFrames = ((1u << 24) - 1) / kBlock;
// What each uncompressed block begins with: its header, padded to 16 bits,
// and the three repeated offsets.
constexpr std::size_t kLzxBlockHead = 4 + 12;

// The LZX form of `data`: the translation bit (off) once, then uncompressed
// blocks, each its type (3) and 24-bit length padded to 16 bits, the three
// repeated offsets (1 each, 12 bytes) and the bytes; a pad byte after an odd
// length. Bits go out in 16-bit little-endian words, the first bit highest.
std::string LzxStored(const std::string& data) {
    std::string out;
    std::size_t at = 0;
    do {
        const std::size_t size = std::min(data.size() - at, kLzxBlockFrames * kBlock);
        const std::uint32_t header = (3u << 24) | static_cast<std::uint32_t>(size);
        // 27 bits, after the translation bit in the first block; the rest of
        // the two words is padding.
        const std::uint32_t bits = at == 0 ? header << 4 : header << 5;
        U16(out, bits >> 16);
        U16(out, bits & 0xFFFF);
        for (int r = 0; r < 3; ++r) U32(out, 1);
        out.append(data, at, size);
        if (size % 2 != 0) out += '\0';
        at += size;
    } while (at < data.size());
    return out;
}

}  // namespace

std::vector<std::string> MakeCabinets(const std::vector<CabEntry>& entries, CabData data,
                                      std::size_t blocks_per_cabinet,
                                      const std::vector<std::string>& next_names) {
    std::string whole;
    std::vector<std::uint32_t> offsets;
    for (const CabEntry& entry : entries) {
        offsets.push_back(static_cast<std::uint32_t>(whole.size()));
        whole += entry.bytes;
    }
    // The data blocks: the uncompressed size of each, and its bytes as stored.
    const std::size_t block_count = whole.empty() ? 1 : (whole.size() + kBlock - 1) / kBlock;
    const std::string stream = data == CabData::kLzx ? LzxStored(whole) : whole;
    std::vector<std::pair<std::size_t, std::string>> blocks;
    std::size_t taken = 0;
    for (std::size_t b = 0; b < block_count; ++b) {
        const std::size_t out_size = std::min(kBlock, whole.size() - b * kBlock);
        // Each data block holds the input that makes its 32 KiB of output;
        // one that starts an LZX block also carries that block's head, and
        // the last the padding.
        std::size_t in_size = out_size;
        if (data == CabData::kLzx && b % kLzxBlockFrames == 0) in_size += kLzxBlockHead;
        if (b + 1 == block_count) in_size = stream.size() - taken;
        blocks.emplace_back(out_size, stream.substr(taken, in_size));
        taken += in_size;
    }
    const std::size_t per = blocks_per_cabinet == 0 ? block_count : blocks_per_cabinet;
    const std::size_t cabinet_count = (block_count + per - 1) / per;

    std::vector<std::string> cabinets;
    for (std::size_t c = 0; c < cabinet_count; ++c) {
        const bool prev = c > 0;
        const bool next = c + 1 < cabinet_count;
        // Where a folder runs on, the last block of a cabinet ends half way
        // and says it makes no output; the next cabinet's first block holds
        // the rest and the whole block's output size, as cabinet writers do.
        std::vector<std::pair<std::size_t, std::string>> here_blocks;
        const std::size_t first_block = c * per;
        const std::size_t end_block = std::min(block_count, first_block + per);
        if (prev) {
            const auto& split = blocks[first_block - 1];
            here_blocks.emplace_back(split.first, split.second.substr(split.second.size() / 2));
        }
        for (std::size_t b = first_block; b < end_block; ++b) {
            if (next && b + 1 == end_block)
                here_blocks.emplace_back(0,
                                         blocks[b].second.substr(0, blocks[b].second.size() / 2));
            else
                here_blocks.push_back(blocks[b]);
        }
        const std::uint64_t start = (prev ? first_block - 1 : first_block) * kBlock;
        const std::uint64_t end = std::min<std::uint64_t>(whole.size(), end_block * kBlock);
        std::string files;
        std::uint16_t file_count = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::uint64_t from = offsets[i];
            const std::uint64_t to = from + entries[i].bytes.size();
            // A file is listed in every cabinet that holds some of its bytes.
            const bool here = entries[i].bytes.empty() ? from >= start && (from < end || !next)
                                                       : from < end && to > start;
            if (!here) continue;
            const bool from_prev = from < start;
            const bool to_next = to > end;
            U32(files, static_cast<std::uint32_t>(entries[i].bytes.size()));
            U32(files, offsets[i]);
            U16(files, from_prev && to_next ? kPrevAndNext
                       : from_prev          ? kFromPrev
                       : to_next            ? kToNext
                                            : 0);
            U16(files, (45u << 9) | (6u << 5) | 15u);    // 2025-06-15
            U16(files, (12u << 11) | (34u << 5) | 28u);  // 12:34:56
            U16(files, 0x20);
            files += entries[i].name + '\0';
            ++file_count;
        }
        std::string names;
        if (prev) names += std::string("prev.cab") + '\0' + "disk" + '\0';
        if (next) names += next_names.at(c) + '\0' + "disk" + '\0';
        const std::size_t folder_at = kHeaderSize + names.size();
        const std::size_t files_at = folder_at + kFolderSize;
        const std::size_t data_at = files_at + files.size();

        std::string cab = "MSCF";
        U32(cab, 0);
        U32(cab, 0);  // the size, set below
        U32(cab, 0);
        U32(cab, static_cast<std::uint32_t>(files_at));
        U32(cab, 0);
        cab += '\x03';
        cab += '\x01';
        U16(cab, 1);
        U16(cab, file_count);
        U16(cab, (prev ? kHasPrev : 0) | (next ? kHasNext : 0));
        U16(cab, 0x1234);
        U16(cab, static_cast<std::uint32_t>(c));
        cab += names;
        U32(cab, static_cast<std::uint32_t>(data_at));
        U16(cab, static_cast<std::uint32_t>(here_blocks.size()));
        U16(cab, data == CabData::kLzx ? kLzxType : kStoredType);
        cab += files;
        for (const auto& [out_size, bytes] : here_blocks) {
            U32(cab, BlockChecksum(bytes, out_size));
            U16(cab, static_cast<std::uint32_t>(bytes.size()));
            U16(cab, static_cast<std::uint32_t>(out_size));
            cab += bytes;
        }
        Put32(cab, 8, static_cast<std::uint32_t>(cab.size()));
        cabinets.push_back(cab);
    }
    return cabinets;
}

}  // namespace tablesmith_test
