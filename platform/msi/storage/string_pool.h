#pragma once
// The string pool of an installer database: "_StringPool" holds a header (code page in the low
// 31 bits; bit 31 set when string references take 3 bytes instead of 2) and one 4-byte entry per
// string id, (length, reference count), each a uint16; "_StringData" holds the strings' bytes
// back to back in the pool's code page.
//
// Two entry forms are special: (0, 0) is an unused id, and (0, high) with high != 0 starts a
// string of 64 KiB or more, whose length is high << 16 | the next entry's length field and
// whose reference count is the next entry's count: two entries, one id. That is the layout
// Windows and libmsi write (Wine's reader takes the halves the other way round).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx::msi {

struct StringPool {
    uint32_t codePage = 0;
    bool longReferences = false;         // string references in tables take 3 bytes
    std::vector<std::u16string> strings; // by id; strings[0] is the null string ""
};

// Throws ThrowDamaged when the pool is malformed, when it and the data disagree on the data's
// size, or when the code page is not supported.
StringPool ParseStringPool(std::span<const uint8_t> pool, std::span<const uint8_t> data);

} // namespace vx::msi
