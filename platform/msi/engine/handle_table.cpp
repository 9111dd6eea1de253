#include "platform/msi/engine/handle_table.h"

#include <bit>
#include <utility>
#include <vector>

namespace vx::msi {

// The numbers a thread closed, oldest first. A number is reused only after this many others
// closed on the same thread, and at thread exit the queue goes to the shared list.
struct ClosedSlots {
    static constexpr size_t kKept = 64;
    std::deque<uint32_t> slots;

    ClosedSlots() = default;
    ClosedSlots(const ClosedSlots&) = delete;
    ClosedSlots& operator=(const ClosedSlots&) = delete;
    ~ClosedSlots();
};

namespace {
thread_local ClosedSlots t_closed;
// Set once t_closed is gone (handles closed by static destructors after the thread's own
// objects): those go straight to the shared list. Trivially destructible, so always readable.
thread_local bool t_closedGone = false;
} // namespace

ClosedSlots::~ClosedSlots() {
    t_closedGone = true;
    const std::vector<uint32_t> left(slots.begin(), slots.end());
    HandleTable::Instance().GiveBack(left.data(), left.size());
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
    uint32_t slot = 0;
    HandleEntry* entry = nullptr;
    if (!t_closedGone && t_closed.slots.size() > ClosedSlots::kKept) {
        slot = t_closed.slots.front();
        t_closed.slots.pop_front();
        entry = EntryOf(slot + 1);
    } else {
        std::lock_guard guard(m_lock);
        if (!m_free.empty()) {
            slot = m_free.front();
            m_free.pop_front();
        } else {
            if (m_used == UINT32_MAX) {
                return 0;
            }
            slot = m_used++;
        }
        entry = &EntryForNewSlot(slot);
    }
    // A free slot is this call's alone: a caller with a stale number may lock the entry, but it
    // reads only the number, which is published last.
    entry->object = std::move(object);
    entry->handle.store(slot + 1, std::memory_order_release);
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
    if (t_closedGone) {
        const uint32_t slot = handle - 1;
        GiveBack(&slot, 1);
        return true;
    }
    t_closed.slots.push_back(handle - 1);
    if (t_closed.slots.size() > 2 * ClosedSlots::kKept) {
        const auto oldest = t_closed.slots.begin();
        const std::vector<uint32_t> surplus(oldest, oldest + ClosedSlots::kKept);
        t_closed.slots.erase(oldest, oldest + ClosedSlots::kKept);
        GiveBack(surplus.data(), surplus.size());
    }
    return true; // the object goes here, outside every lock
}

void HandleTable::GiveBack(const uint32_t* slots, size_t count) {
    std::lock_guard guard(m_lock);
    m_free.insert(m_free.end(), slots, slots + count);
}

size_t HandleTable::Count() {
    uint32_t used = 0;
    {
        std::lock_guard guard(m_lock);
        used = m_used;
    }
    size_t open = 0;
    for (uint32_t slot = 0; slot < used; ++slot) {
        if (EntryOf(slot + 1)->handle.load(std::memory_order_acquire) != 0) {
            ++open;
        }
    }
    return open;
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
