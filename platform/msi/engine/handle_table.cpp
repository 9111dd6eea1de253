#include "platform/msi/engine/handle_table.h"

namespace vx::msi {

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

uint32_t HandleTable::TakeSlot() {
    std::lock_guard guard(m_lock);
    uint32_t slot = 0;
    if (m_free.size() > kReuseDelay || (m_used == kNoSlot && !m_free.empty())) {
        slot = m_free.front();
        m_free.pop_front();
    } else {
        if (m_used == kNoSlot) {
            return kNoSlot;
        }
        slot = m_used++;
    }
    EntryForNewSlot(slot);
    return slot;
}

bool HandleTable::Remove(uint32_t handle) {
    HandleEntry* entry = EntryOf(handle);
    if (!entry) {
        return false;
    }
    {
        // Waits for a call still working on the object. The object goes here, under the
        // entry's lock: only a caller holding this now stale number can be kept waiting, and
        // no object's destruction touches another handle.
        std::lock_guard entryGuard(entry->lock);
        if (entry->handle.load(std::memory_order_relaxed) != handle) {
            return false;
        }
        entry->handle.store(0, std::memory_order_relaxed);
        entry->object.emplace<std::monostate>();
    }
    std::lock_guard guard(m_lock);
    m_free.push_back(handle - 1);
    return true;
}

uint32_t HandleTable::UsedSlots() {
    std::lock_guard guard(m_lock);
    return m_used;
}

size_t HandleTable::Count() {
    size_t open = 0;
    for (uint32_t slot = 0, used = UsedSlots(); slot < used; ++slot) {
        const HandleEntry* entry = EntryOf(slot + 1);
        open += entry && entry->handle.load(std::memory_order_acquire) != 0 ? 1u : 0u;
    }
    return open;
}

size_t HandleTable::RemoveAll() {
    size_t removed = 0;
    for (uint32_t slot = 0, used = UsedSlots(); slot < used; ++slot) {
        removed += Remove(slot + 1) ? 1u : 0u;
    }
    return removed;
}

} // namespace vx::msi
