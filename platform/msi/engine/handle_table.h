#pragma once
// The process's installer handles: 32-bit numbers for shared objects, safe to use from several
// threads. Each object carries its own lock, held while an API call works on it.

#include "platform/msi/engine/database.h"
#include "platform/msi/engine/handle_lock.h"
#include "platform/msi/engine/record.h"
#include "platform/msi/engine/view.h"
#include "platform/msi/storage/installer_storage.h"

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>
#include <variant>

namespace vx::msi {

struct SummaryObject {
    std::map<uint32_t, SummaryValue> properties;
};

// std::monostate marks a free entry.
using HandleObject = std::variant<std::monostate, std::shared_ptr<Database>, std::unique_ptr<View>,
                                  Record, SummaryObject>;

struct HandleEntry {
    HandleLock lock;
    // The open handle held here, 0 when free. Closing clears it under `lock`; opening publishes
    // it after the object is in place, so whoever holds `lock` and reads its own number may use
    // the object.
    std::atomic<uint32_t> handle{0};
    HandleObject object;
};

// An entry locked for one API call, with the object when it is of the kind asked for.
template <class T> struct LockedHandle {
    std::unique_lock<HandleLock> lock;
    T* object = nullptr;
    explicit operator bool() const { return object != nullptr; }
    T* operator->() const { return object; }
};

class HandleTable {
public:
    static HandleTable& Instance() {
        // Never destroyed, so handles closed from static destructors still find it.
        static auto* table = new HandleTable;
        return *table;
    }

    // 0 when the table is full (2^32 - 1 handles open). The object is built in place in a free
    // entry, which holds nothing.
    template <class T> uint32_t Add(T&& object) {
        const uint32_t slot = TakeSlot();
        if (slot == kNoSlot) {
            return 0;
        }
        // A free slot is this call's alone: a caller with a stale number may lock the entry,
        // but it reads only the number, which is published last.
        HandleEntry& entry = *EntryOf(slot + 1);
        entry.object.template emplace<std::decay_t<T>>(std::forward<T>(object));
        entry.handle.store(slot + 1, std::memory_order_release);
        return slot + 1;
    }
    // The handle's entry, locked, with its object when it holds a T; empty for a handle that is
    // not open or holds something else.
    template <class T> LockedHandle<T> Lock(uint32_t handle) {
        LockedHandle<T> out;
        if (HandleEntry* entry = EntryOf(handle)) {
            out.lock = std::unique_lock(entry->lock);
            if (entry->handle.load(std::memory_order_acquire) == handle) {
                out.object = std::get_if<T>(&entry->object);
            }
            if (!out.object) {
                out.lock.unlock();
            }
        }
        return out;
    }
    bool Remove(uint32_t handle);
    size_t RemoveAll();
    // Counts the open handles one by one: for tests and diagnostics, not for hot paths.
    size_t Count();

private:
    // Entries live in chunks that are never moved or freed, chunk k holding 64 * 2^k of them,
    // so that an API call finds its entry without the table's lock and a closed handle's entry
    // can still be locked safely; the entry's own handle number says whether it is open.
    static constexpr uint32_t kFirstChunkBits = 6;
    static constexpr size_t kChunks = 27; // enough for 2^32 - 1 handles
    static void Locate(uint32_t slot, size_t& chunk, size_t& offset) {
        // Chunk k starts at slot 64 * (2^k - 1).
        const uint64_t scaled = (uint64_t{slot} >> kFirstChunkBits) + 1;
        chunk = static_cast<size_t>(std::bit_width(scaled) - 1);
        offset = static_cast<size_t>(slot - (((uint64_t{1} << chunk) - 1) << kFirstChunkBits));
    }
    HandleEntry* EntryOf(uint32_t handle) const {
        if (handle == 0) {
            return nullptr;
        }
        size_t chunk = 0;
        size_t offset = 0;
        Locate(handle - 1, chunk, offset);
        HandleEntry* entries = m_chunks[chunk].load(std::memory_order_acquire);
        return entries ? &entries[offset] : nullptr;
    }
    HandleEntry& EntryForNewSlot(uint32_t slot);
    // A free slot (its entry created), or kNoSlot when all are in use.
    static constexpr uint32_t kNoSlot = UINT32_MAX;
    uint32_t TakeSlot();
    // How many slots have ever been handed out.
    uint32_t UsedSlots();

    // Handle n lives in slot n - 1. Closed slots are reused oldest first, and only once more
    // than kReuseDelay are waiting, so that a stale handle does not hit a new object soon after
    // its close.
    static constexpr size_t kReuseDelay = 64;
    HandleLock m_lock; // guards the free list, m_used and chunk creation
    std::array<std::atomic<HandleEntry*>, kChunks> m_chunks{};
    std::deque<uint32_t> m_free;
    uint32_t m_used = 0; // slots handed out at least once
};

} // namespace vx::msi
