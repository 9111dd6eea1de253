// A minimal compound-file stream reader for the tests' own checks of the pool header and table
// stream sizes. It trusts its input (the fixtures we build) and only guards against reading
// past the file, so a broken fixture fails a test instead of crashing it.

#include "libmsi_oracle.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>

namespace vx::test {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::string_view kNameAlphabet =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";

class CompoundFile {
public:
    explicit CompoundFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        data_.resize(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(data_.data()), static_cast<std::streamsize>(data_.size()));
        if (data_.size() < 512 || U32(0) != 0xE011CFD0) {
            throw std::runtime_error("not a compound file: " + path);
        }
        sectorSize_ = 1u << U16(0x1E);
        miniSize_ = 1u << U16(0x20);
        miniCutoff_ = U32(0x38);

        std::vector<uint32_t> fatSectors;
        for (uint32_t i = 0; i < 109; ++i) {
            if (const uint32_t s = U32(0x4C + 4 * i); s != kFreeSector) {
                fatSectors.push_back(s);
            }
        }
        const uint32_t perSector = sectorSize_ / 4;
        uint32_t difat = U32(0x44);
        for (uint32_t n = U32(0x48); n > 0 && difat < kEndOfChain; --n) {
            const size_t base = Offset(difat);
            for (uint32_t i = 0; i + 1 < perSector; ++i) {
                if (const uint32_t s = U32(base + 4 * i); s != kFreeSector) {
                    fatSectors.push_back(s);
                }
            }
            difat = U32(base + 4 * (perSector - 1));
        }
        for (uint32_t s : fatSectors) {
            for (uint32_t i = 0; i < perSector; ++i) {
                fat_.push_back(U32(Offset(s) + 4 * i));
            }
        }
        for (uint32_t s : Chain(U32(0x3C), fat_)) {
            for (uint32_t i = 0; i < perSector; ++i) {
                miniFat_.push_back(U32(Offset(s) + 4 * i));
            }
        }
        for (uint32_t s : Chain(U32(0x30), fat_)) {
            for (uint32_t e = 0; e < sectorSize_ / 128; ++e) {
                ReadEntry(Offset(s) + 128 * e);
            }
        }
    }

    std::optional<OracleBytes> Read(std::u16string_view name) const {
        const auto found = streams_.find(std::u16string(name));
        if (found == streams_.end()) {
            return std::nullopt;
        }
        const auto [start, size] = found->second;
        const bool mini = size < miniCutoff_;
        const uint32_t unit = mini ? miniSize_ : sectorSize_;
        OracleBytes bytes;
        for (uint32_t s : Chain(start, mini ? miniFat_ : fat_)) {
            size_t offset = Offset(s);
            if (mini) {
                const uint32_t perSector = sectorSize_ / miniSize_;
                offset = Offset(miniStream_.at(s / perSector)) + (s % perSector) * miniSize_;
            }
            const size_t take = std::min<uint64_t>(unit, size - bytes.size());
            Check(offset + take);
            bytes.insert(bytes.end(), data_.begin() + static_cast<std::ptrdiff_t>(offset),
                         data_.begin() + static_cast<std::ptrdiff_t>(offset + take));
            if (bytes.size() == size) {
                break;
            }
        }
        if (bytes.size() != size) {
            throw std::runtime_error("stream shorter than its size");
        }
        return bytes;
    }

private:
    void Check(size_t end) const {
        if (end > data_.size()) {
            throw std::runtime_error("compound file truncated");
        }
    }
    uint16_t U16(size_t at) const {
        Check(at + 2);
        return static_cast<uint16_t>(data_[at] | (data_[at + 1] << 8));
    }
    uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
    size_t Offset(uint32_t sector) const { return (size_t{sector} + 1) * sectorSize_; }

    std::vector<uint32_t> Chain(uint32_t start, const std::vector<uint32_t>& table) const {
        std::vector<uint32_t> chain;
        std::set<uint32_t> seen;
        while (start < table.size() && seen.insert(start).second) {
            chain.push_back(start);
            start = table[start];
        }
        return chain;
    }

    void ReadEntry(size_t at) {
        const uint8_t kind = data_.at(at + 0x42);
        const uint32_t start = U32(at + 0x74);
        const uint64_t size = U32(at + 0x78) | static_cast<uint64_t>(U32(at + 0x7C)) << 32;
        if (kind == 5) { // the root entry: its chain is the mini stream
            miniStream_ = Chain(start, fat_);
        } else if (kind == 2) {
            const unsigned length = U16(at + 0x40) / 2;
            std::u16string name;
            for (unsigned i = 0; i + 1 < length; ++i) {
                name += Decode(static_cast<char16_t>(U16(at + 2 * i)));
            }
            streams_[name] = {start, size};
        }
    }

    // Undoes the packing of table and stream names: two characters of a 64-letter alphabet
    // per UTF-16 unit, a table marker shown here as '!'.
    static std::u16string Decode(char16_t c) {
        if (c >= 0x3800 && c < 0x4800) {
            const unsigned v = c - 0x3800u;
            return {static_cast<char16_t>(kNameAlphabet[v & 0x3F]),
                    static_cast<char16_t>(kNameAlphabet[(v >> 6) & 0x3F])};
        }
        if (c >= 0x4800 && c < 0x4840) {
            return {static_cast<char16_t>(kNameAlphabet[c - 0x4800u])};
        }
        if (c == 0x4840) {
            return u"!";
        }
        return {c};
    }

    std::vector<uint8_t> data_;
    uint32_t sectorSize_ = 512;
    uint32_t miniSize_ = 64;
    uint32_t miniCutoff_ = 4096;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
    std::vector<uint32_t> miniStream_;
    std::map<std::u16string, std::pair<uint32_t, uint64_t>> streams_;
};

} // namespace

std::optional<OracleBytes> OracleRawStream(const std::string& path, std::u16string_view name) {
    return CompoundFile(path).Read(name);
}

} // namespace vx::test
