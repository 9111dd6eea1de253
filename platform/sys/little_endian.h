#pragma once
// Little-endian integers read from bytes, as the Windows file formats store them. The caller has
// checked that the bytes are there.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vx {

inline uint16_t ReadLe16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

inline uint32_t ReadLe32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

inline uint64_t ReadLe64(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint64_t>(ReadLe32(b, at)) | (static_cast<uint64_t>(ReadLe32(b, at + 4)) << 32);
}

// `characters` UTF-16 code units stored from `at`.
inline std::u16string ReadLe16Text(std::span<const uint8_t> b, size_t at, size_t characters) {
    std::u16string text(characters, u'\0');
    for (size_t i = 0; i < characters; ++i) {
        text[i] = static_cast<char16_t>(ReadLe16(b, at + 2 * i));
    }
    return text;
}

} // namespace vx
