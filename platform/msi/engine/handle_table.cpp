#include "platform/msi/engine/handle_table.h"

#include <bit>
#include <utility>

namespace vx::msi {

HandleTable& HandleTable::Instance() {
    // Never destroyed, so handles closed from static destructors still find it.
    static auto* table = new HandleTable;
    return *table;
}

void HandleTable::Locate(uint32_t slot, size_t& chunk, size_t& offset) {
    // Chunk k starts at slot 64 * (2^k - 1).
    const uint64_t scaled = (uint64_t{slot} >> kFirstChunkBits) + 1;
    chunk = static_cast<size_t>(std::bit_width(scaled) - 1);
    offset = static_cast<size_t>(slot - (((uint64_t{1} << chunk) - 1) << kFirstChunkBits));
}

HandleEntry* HandleTable::EntryOf(uint32_t handle) const {
    if (handle == 0) {
        return nullptr;
    }
    size_t chunk = 0;
    size_t offset = 0;
    Locate(handle - 1, chunk, offset);
    HandleEntry* entries = m_chunks[chunk].load(std::memory_order_acquire);
    return entries ? &entries[offset] : nullptr;
}

HandleEntry& HandleTable::EntryForNewSlot(uint32_t slot) {
    size_t chunk = 0;
    size_t offset = 0;
    Locate(slot, chunk, offset);
    HandleEntry* entries = m_chunks[chunk].load(std::memory_order_relaxed);
    if (!entries) {
        entries = new HandleEntry[size_t{1} << (chunk + kFirstChunkBits)];
        m_chunks[chunk].store(entries, std::memory_order_release);
    }
    return entries[offset];
}

uint32_t HandleTable::Add(HandleObject object) {
    std::lock_guard guard(m_lock);
    uint32_t slot = 0;
    if (!m_free.empty()) {
        slot = m_free.front();
        m_free.pop_front();
    } else {
        if (m_used == UINT32_MAX) {
            return 0;
        }
        slot = m_used++;
    }
    // A free slot is this call's alone: a caller with a stale number may lock the entry, but it
    // reads only the number, which is published last.
    HandleEntry& entry = EntryForNewSlot(slot);
    entry.object = std::move(object);
    entry.handle.store(slot + 1, std::memory_order_release);
    ++m_count;
    return slot + 1;
}

bool HandleTable::Remove(uint32_t handle) {
    HandleEntry* entry = EntryOf(handle);
    if (!entry) {
        return false;
    }
    HandleObject removed;
    {
        // Waits for a call still working on the object.
        std::lock_guard entryGuard(entry->lock);
        if (entry->handle.load(std::memory_order_relaxed) != handle) {
            return false;
        }
        entry->handle.store(0, std::memory_order_relaxed);
        removed = std::exchange(entry->object, std::monostate{});
    }
    {
        std::lock_guard guard(m_lock);
        m_free.push_back(handle - 1);
        --m_count;
    }
    return true; // the object goes here, outside every lock
}

size_t HandleTable::Count() {
    std::lock_guard guard(m_lock);
    return m_count;
}

size_t HandleTable::RemoveAll() {
    uint32_t used = 0;
    {
        std::lock_guard guard(m_lock);
        used = m_used;
    }
    size_t removed = 0;
    for (uint32_t slot = 0; slot < used; ++slot) {
        if (Remove(slot + 1)) {
            ++removed;
        }
    }
    return removed;
}

} // namespace vx::msi
