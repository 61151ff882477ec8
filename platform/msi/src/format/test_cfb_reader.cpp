#include "format/test_cfb_reader.h"

#include <set>

#include "format/byte_order.h"

namespace msi::format::testing {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kHeaderDifatCount = 109;
constexpr size_t kEntrySize = 128;

class Reader {
  public:
    explicit Reader(const std::string& file)
        : data_(reinterpret_cast<const uint8_t*>(file.data())), size_(file.size()) {}

    bool Load() {
        if (size_ < 512) return false;
        shift_ = LoadU16(data_ + 0x1E);
        if (shift_ != 9 && shift_ != 12) return false;
        sector_size_ = size_t(1) << shift_;
        cutoff_ = LoadU32(data_ + 0x38);
        std::vector<uint32_t> fat_sectors;
        for (size_t i = 0; i < kHeaderDifatCount; ++i) {
            const uint32_t s = LoadU32(data_ + 0x4C + 4 * i);
            if (s < kEndOfChain - 4) fat_sectors.push_back(s);
        }
        uint32_t difat = LoadU32(data_ + 0x44);
        for (uint32_t n = LoadU32(data_ + 0x48); n > 0 && difat < kEndOfChain - 4; --n) {
            const uint8_t* p = Sector(difat);
            if (p == nullptr) return false;
            for (size_t i = 0; i + 1 < sector_size_ / 4; ++i) {
                const uint32_t s = LoadU32(p + 4 * i);
                if (s < kEndOfChain - 4) fat_sectors.push_back(s);
            }
            difat = LoadU32(p + sector_size_ - 4);
        }
        for (uint32_t s : fat_sectors) {
            const uint8_t* p = Sector(s);
            if (p == nullptr) return false;
            for (size_t i = 0; i < sector_size_ / 4; ++i) fat_.push_back(LoadU32(p + 4 * i));
        }
        if (!ReadChain(LoadU32(data_ + 0x30), SIZE_MAX, directory_)) return false;
        std::vector<uint8_t> mini_fat_bytes;
        if (!ReadChain(LoadU32(data_ + 0x3C), SIZE_MAX, mini_fat_bytes)) return false;
        for (size_t i = 0; i + 4 <= mini_fat_bytes.size(); i += 4) {
            mini_fat_.push_back(LoadU32(mini_fat_bytes.data() + i));
        }
        if (directory_.size() < kEntrySize) return false;
        return ReadChain(LoadU32(Entry(0) + 0x74), LoadU32(Entry(0) + 0x78), mini_stream_);
    }

    bool CollectRootStreams(std::map<std::u16string, std::vector<uint8_t>>& out) {
        std::vector<uint32_t> pending = {LoadU32(Entry(0) + 0x4C)};
        std::set<uint32_t> seen;
        while (!pending.empty()) {
            const uint32_t id = pending.back();
            pending.pop_back();
            if (id == kNoStream) continue;
            if ((id + 1) * kEntrySize > directory_.size() || !seen.insert(id).second) return false;
            const uint8_t* e = Entry(id);
            pending.push_back(LoadU32(e + 0x44));
            pending.push_back(LoadU32(e + 0x48));
            if (e[0x42] != 2) continue;  // storages are not streams
            const size_t name_bytes = LoadU16(e + 0x40);
            if (name_bytes < 2 || name_bytes > 64) return false;
            std::u16string name;
            for (size_t i = 0; i + 2 < name_bytes; i += 2) name.push_back(LoadU16(e + i));
            std::vector<uint8_t> stream;
            const uint64_t size = LoadU32(e + 0x78);  // v3 high bits may hold garbage
            const uint32_t start = LoadU32(e + 0x74);
            const bool ok = size < cutoff_ ? ReadMiniChain(start, size, stream)
                                           : ReadChain(start, size, stream);
            if (!ok) return false;
            out[name] = std::move(stream);
        }
        return true;
    }

  private:
    const uint8_t* Sector(uint32_t n) const {
        const uint64_t offset = (uint64_t(n) + 1) << shift_;
        return offset + sector_size_ <= size_ ? data_ + offset : nullptr;
    }
    const uint8_t* Entry(uint32_t id) const { return directory_.data() + id * kEntrySize; }

    bool ReadChain(uint32_t s, size_t size, std::vector<uint8_t>& out) const {
        for (size_t steps = 0; s != kEndOfChain && out.size() < size; ++steps) {
            const uint8_t* p = Sector(s);
            if (p == nullptr || s >= fat_.size() || steps > fat_.size()) return false;
            out.insert(out.end(), p, p + sector_size_);
            s = fat_[s];
        }
        if (size != SIZE_MAX) {
            if (out.size() < size) return false;
            out.resize(size);
        }
        return true;
    }

    bool ReadMiniChain(uint32_t s, size_t size, std::vector<uint8_t>& out) const {
        constexpr size_t kMini = 64;
        for (size_t steps = 0; s != kEndOfChain && out.size() < size; ++steps) {
            if (s >= mini_fat_.size() || (s + 1) * kMini > mini_stream_.size() ||
                steps > mini_fat_.size()) {
                return false;
            }
            out.insert(out.end(), mini_stream_.begin() + s * kMini,
                       mini_stream_.begin() + (s + 1) * kMini);
            s = mini_fat_[s];
        }
        if (out.size() < size) return false;
        out.resize(size);
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    unsigned shift_ = 9;
    size_t sector_size_ = 512;
    uint32_t cutoff_ = 4096;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> mini_fat_;
    std::vector<uint8_t> directory_;
    std::vector<uint8_t> mini_stream_;
};

}  // namespace

std::optional<std::map<std::u16string, std::vector<uint8_t>>> ReadRootStreams(
    const std::string& file) {
    Reader reader(file);
    std::map<std::u16string, std::vector<uint8_t>> streams;
    if (!reader.Load() || !reader.CollectRootStreams(streams)) return std::nullopt;
    return streams;
}

}  // namespace msi::format::testing
