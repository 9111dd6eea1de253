#include "platform/msi/engine/handle_table.h"

#include <bit>
#include <utility>
#include <vector>

namespace vx::msi {

// The numbers a thread closed, oldest first, in a ring. A number is reused only after kKept
// others closed on the same thread. Plain data, so that the hot paths reach it without the
// checks a thread-local object with a constructor costs; a small guard object registered on
// first use hands the ring to the shared list when the thread ends.
struct ClosedSlots {
    static constexpr uint32_t kKept = 64;
    static constexpr uint32_t kCapacity = 2 * kKept;
    uint32_t slots[kCapacity];
    uint32_t first;
    uint32_t count;
    bool guarded; // the guard below is registered
    bool gone;    // the thread is ending: use the shared list only

    uint32_t PopOldest() {
        const uint32_t slot = slots[first];
        first = (first + 1) % kCapacity;
        --count;
        return slot;
    }
    void Push(uint32_t slot) { slots[(first + count++) % kCapacity] = slot; }
};

namespace {

thread_local ClosedSlots t_closed{};

struct ClosedSlotsGuard {
    ClosedSlotsGuard() = default;
    ClosedSlotsGuard(const ClosedSlotsGuard&) = delete;
    ClosedSlotsGuard& operator=(const ClosedSlotsGuard&) = delete;
    ~ClosedSlotsGuard() {
        t_closed.gone = true;
        std::vector<uint32_t> left;
        while (t_closed.count > 0) {
            left.push_back(t_closed.PopOldest());
        }
        HandleTable::Instance().GiveBack(left.data(), left.size());
    }
};

void GuardClosedSlots() {
    thread_local ClosedSlotsGuard guard;
    t_closed.guarded = true;
}

} // namespace

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
    if (t_closed.count > ClosedSlots::kKept && !t_closed.gone) {
        return t_closed.PopOldest();
    }
    std::lock_guard guard(m_lock);
    uint32_t slot = 0;
    if (!m_free.empty()) {
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
    if (t_closed.gone) {
        const uint32_t slot = handle - 1;
        GiveBack(&slot, 1);
        return true;
    }
    if (!t_closed.guarded) {
        GuardClosedSlots();
    }
    if (t_closed.count == ClosedSlots::kCapacity) {
        uint32_t surplus[ClosedSlots::kKept];
        for (uint32_t& slot : surplus) {
            slot = t_closed.PopOldest();
        }
        GiveBack(surplus, ClosedSlots::kKept);
    }
    t_closed.Push(handle - 1);
    return true;
}

void HandleTable::GiveBack(const uint32_t* slots, size_t count) {
    std::lock_guard guard(m_lock);
    m_free.insert(m_free.end(), slots, slots + count);
}

uint32_t HandleTable::UsedSlots() {
    std::lock_guard guard(m_lock);
    return m_used;
}

size_t HandleTable::Count() {
    size_t open = 0;
    for (uint32_t slot = 0, used = UsedSlots(); slot < used; ++slot) {
        open += EntryOf(slot + 1)->handle.load(std::memory_order_acquire) != 0 ? 1u : 0u;
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
