#pragma once
// The bytes of files, compared or digested in fixed buffers: memory stays the same whatever the
// size of a file, and only regular files are opened (a pipe staged into a folder cannot block).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vx {

using Md5Digest = std::array<uint8_t, 16>;
// The installer's form of an MD5 (MsiFileHash, MsiGetFileHash): four 32-bit parts, each a
// little-endian word of the digest, stored as signed integers.
using FileHashParts = std::array<int32_t, 4>;

FileHashParts HashPartsOf(const Md5Digest& digest);

class CFileContent {
public:
    CFileContent();

    // The MD5 of the file's bytes; nullopt with `failure` set when it cannot be read.
    std::optional<Md5Digest> Md5(const std::string& path, std::u16string& failure);
    // Whether both files hold the same bytes; stops at the first difference. nullopt with
    // `failure` set when either cannot be read.
    std::optional<bool> SameBytes(const std::string& first, const std::string& second,
                                  std::u16string& failure);

    uint64_t BytesRead() const { return m_bytesRead; }

private:
    std::vector<uint8_t> m_first;
    std::vector<uint8_t> m_second;
    uint64_t m_bytesRead = 0;
};

} // namespace vx
