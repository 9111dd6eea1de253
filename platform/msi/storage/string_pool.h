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
#include <string_view>
#include <vector>

namespace vx::msi {

// The decoded strings, held in one buffer (a package of 100,000 strings would otherwise make
// 100,000 allocations), with a compact hash from text to the lowest id holding it.
class StringPool {
public:
    StringPool() { m_offsets.push_back(0); } // id 0 is the null string ""

    uint32_t codePage = 0;
    bool longReferences = false; // string references in tables take 3 bytes

    uint32_t Count() const { return static_cast<uint32_t>(m_offsets.size() + m_extra.size()); }
    std::u16string_view Get(uint32_t id) const {
        if (id == 0) {
            return {};
        }
        if (id < m_offsets.size()) {
            return std::u16string_view(m_text).substr(m_offsets[id - 1],
                                                      m_offsets[id] - m_offsets[id - 1]);
        }
        const size_t extra = id - m_offsets.size();
        return extra < m_extra.size() ? std::u16string_view(m_extra[extra]) : std::u16string_view();
    }
    // Adds a string of the pool under the next id and answers that id.
    uint32_t Append(std::u16string_view text);
    // Adds a string from outside the pool (a stream name the pool lacks) under the next id,
    // without growing the pool's buffer.
    uint32_t AppendExtra(std::u16string_view text);
    // The lowest id holding exactly `text`; 0 for an empty text or one the pool lacks.
    uint32_t Find(std::u16string_view text) const;
    void Reserve(size_t strings, size_t characters);

private:
    void Index(uint32_t id);
    void IndexNew(uint32_t id);
    void Rehash(size_t slotCount);
    uint32_t MakeSlot(uint32_t id, size_t hash) const;
    uint32_t SlotId(uint32_t slot) const;
    bool SameHash(uint32_t slot, size_t hash) const;

    // m_offsets[id] is where string id ends; string id starts where id - 1 ends (id >= 1).
    std::u16string m_text;
    std::vector<uint32_t> m_offsets;
    std::vector<std::u16string> m_extra; // ids from m_offsets.size() on
    std::vector<uint32_t> m_slots;       // open addressing over ids and hash bits; 0 = empty
    uint32_t m_idBits = 0;               // log2 of the slot count
};

// Throws ThrowDamaged when the pool is malformed, when it and the data disagree on the data's
// size, or when the code page is not supported.
StringPool ParseStringPool(std::span<const uint8_t> pool, std::span<const uint8_t> data);

} // namespace vx::msi
