#include "platform/msi/storage/string_pool.h"
#include "platform/sys/little_endian.h"

#include "platform/msi/msi_failure.h"
#include "platform/msi/storage/code_page.h"
#include "platform/sys/format_string.h"

#include <bit>
#include <functional>

namespace vx::msi {
namespace {

constexpr uint32_t kLongReferencesBit = 0x80000000u;

size_t HashText(std::u16string_view text) {
    return std::hash<std::u16string_view>{}(text);
}

} // namespace

// A slot holds an id in its low m_idBits bits (every id is below the slot count) and the top
// bits of the text's hash above them, so that a probe rejects most other texts without
// reading them; 32 bits a slot keep the table small enough to stay in the cache.
uint32_t StringPool::MakeSlot(uint32_t id, size_t hash) const {
    return static_cast<uint32_t>(static_cast<uint64_t>(hash) >> (32 + m_idBits)) << m_idBits | id;
}

uint32_t StringPool::SlotId(uint32_t slot) const {
    return slot & ((uint32_t{1} << m_idBits) - 1);
}

bool StringPool::SameHash(uint32_t slot, size_t hash) const {
    return (slot >> m_idBits) ==
           static_cast<uint32_t>(static_cast<uint64_t>(hash) >> (32 + m_idBits));
}

void StringPool::Reserve(size_t strings, size_t characters) {
    m_offsets.reserve(strings + 1);
    m_text.reserve(characters);
    Rehash(strings + strings / 2);
}

uint32_t StringPool::Append(std::u16string_view text) {
    // Extra strings come after the pool's own: once there are some, pool strings go there too.
    if (!m_extra.empty()) {
        return AppendExtra(text);
    }
    m_text.append(text);
    m_offsets.push_back(static_cast<uint32_t>(m_text.size()));
    const uint32_t id = Count() - 1;
    IndexNew(id);
    return id;
}

uint32_t StringPool::AppendExtra(std::u16string_view text) {
    m_extra.emplace_back(text);
    const uint32_t id = Count() - 1;
    IndexNew(id);
    return id;
}

void StringPool::IndexNew(uint32_t id) {
    // Kept at most three quarters full, so that probes stay short.
    if (m_slots.size() * 3 < size_t{Count()} * 4 || Count() > m_slots.size()) {
        Rehash(size_t{Count()} * 2);
    } else {
        Index(id);
    }
}

void StringPool::Index(uint32_t id) {
    const std::u16string_view text = Get(id);
    if (text.empty()) {
        return;
    }
    const size_t hash = HashText(text);
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        if (m_slots[slot] == 0) {
            m_slots[slot] = MakeSlot(id, hash);
            return;
        }
        if (SameHash(m_slots[slot], hash) && Get(SlotId(m_slots[slot])) == text) {
            return; // the lower id keeps the text
        }
    }
}

void StringPool::Rehash(size_t slotCount) {
    size_t size = 16;
    while (size < slotCount) {
        size *= 2;
    }
    m_slots.assign(size, 0);
    m_idBits = static_cast<uint32_t>(std::bit_width(size) - 1); // ids < Count() < size
    for (uint32_t id = 1; id < Count(); ++id) {
        Index(id);
    }
}

uint32_t StringPool::Find(std::u16string_view text) const {
    if (text.empty() || m_slots.empty()) {
        return 0;
    }
    const size_t hash = HashText(text);
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = hash & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        if (SameHash(m_slots[slot], hash) && Get(SlotId(m_slots[slot])) == text) {
            return SlotId(m_slots[slot]);
        }
    }
    return 0;
}

StringPool ParseStringPool(std::span<const uint8_t> pool, std::span<const uint8_t> data) {
    if (pool.size() % 4 != 0) {
        ThrowDamaged(FormatString(u"the string pool holds %u bytes, not a whole number of "
                                  u"4-byte entries",
                                  pool.size()));
    }
    StringPool out;
    const size_t slots = pool.size() / 4;
    if (slots > 0) {
        const uint32_t header = static_cast<uint32_t>(ReadLe16(pool, 0)) |
                                (static_cast<uint32_t>(ReadLe16(pool, 2)) << 16);
        out.codePage = header & ~kLongReferencesBit;
        out.longReferences = (header & kLongReferencesBit) != 0;
    }
    const CodePageDecoder decoder(out.codePage, u"the string pool");

    out.Reserve(slots, data.size());
    size_t offset = 0;
    for (size_t slot = 1; slot < slots; ++slot) {
        const uint32_t id = out.Count();
        uint32_t length = ReadLe16(pool, slot * 4);
        const uint16_t refs = ReadLe16(pool, slot * 4 + 2);
        if (length == 0 && refs != 0) {
            if (slot + 1 >= slots) {
                ThrowDamaged(FormatString(u"the string pool ends inside the two entries of long "
                                          u"string %u",
                                          id));
            }
            ++slot;
            length = (static_cast<uint32_t>(refs) << 16) | ReadLe16(pool, slot * 4);
        }
        if (length > data.size() - offset) {
            ThrowDamaged(FormatString(u"string %u needs bytes %u to %u, but the string data "
                                      u"holds only %u bytes",
                                      id, offset, offset + length, data.size()));
        }
        out.Append(decoder.Decode(data.subspan(offset, length)));
        offset += length;
    }
    if (offset != data.size()) {
        ThrowDamaged(FormatString(u"the string pool accounts for %u bytes of string data, but "
                                  u"the string data holds %u",
                                  offset, data.size()));
    }
    return out;
}

} // namespace vx::msi
